#include "support/untXlsxNumbers.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <xlsxwriter.h>

namespace
{
struct Filter {
    FILE* file;          // the sheet's own file of rows
    std::string pending; // the start of a value not yet written whole
};

void AppendShortest(std::string& out, const std::string& value)
{
    char* end = nullptr;
    const double d = std::strtod(value.c_str(), &end);
    if (value.empty() || end != value.c_str() + value.size()) {
        out += value; // not a number of ours: as written
        return;
    }
    char text[40];
    for (int digits = 15; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*G", digits, d);
        if (std::strtod(text, nullptr) == d)
            break;
    }
    for (const char* c = text; *c; ++c)
        out += *c == ',' ? '.' : *c; // a locale's decimal comma
}

bool EndsWith(const std::string& text, size_t from, const char* end)
{
    const size_t n = std::char_traits<char>::length(end);
    return text.size() - from >= n && text.compare(text.size() - n, n, end) == 0;
}

bool Put(Filter* f, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), f->file) == text.size();
}

ssize_t Write(void* cookie, const char* data, size_t size)
{
    auto* f = static_cast<Filter*>(cookie);
    f->pending.append(data, size);
    const std::string& in = f->pending;
    std::string out;
    size_t from = 0;
    for (;;) {
        const size_t open = in.find("<v>", from);
        const size_t close = open == std::string::npos ? open : in.find("</v>", open + 3);
        if (close == std::string::npos) {
            // Keep an unfinished value, or what may begin one, for the next write.
            size_t keep = 0;
            if (open != std::string::npos)
                keep = in.size() - open;
            else if (EndsWith(in, from, "<v"))
                keep = 2;
            else if (EndsWith(in, from, "<"))
                keep = 1;
            out.append(in, from, in.size() - keep - from);
            f->pending.erase(0, in.size() - keep);
            break;
        }
        out.append(in, from, open + 3 - from);
        AppendShortest(out, in.substr(open + 3, close - open - 3));
        out += "</v>";
        from = close + 4;
    }
    return Put(f, out) ? ssize_t(size) : -1;
}

ssize_t Read(void* cookie, char* buffer, size_t size)
{
    auto* f = static_cast<Filter*>(cookie);
    const size_t read = std::fread(buffer, 1, size, f->file);
    return read == 0 && std::ferror(f->file) ? -1 : ssize_t(read);
}

int Seek(void* cookie, off64_t* offset, int whence)
{
    auto* f = static_cast<Filter*>(cookie);
    if (!Put(f, f->pending)) // rows end whole: nothing is pending here in practice
        return -1;
    f->pending.clear();
    if (fseeko(f->file, *offset, whence) != 0)
        return -1;
    *offset = ftello(f->file);
    return 0;
}

int Close(void* cookie)
{
    auto* f = static_cast<Filter*>(cookie);
    const bool written = Put(f, f->pending);
    const int closed = std::fclose(f->file);
    delete f;
    return written && closed == 0 ? 0 : EOF;
}
} // namespace

bool WriteShortestNumbers(lxw_worksheet* sheet)
{
    if (!sheet || !sheet->optimize_tmpfile || sheet->file != sheet->optimize_tmpfile)
        return false;
    auto* f = new Filter{sheet->optimize_tmpfile, {}};
    FILE* filtered = fopencookie(f, "w+", cookie_io_functions_t{Read, Write, Seek, Close});
    if (!filtered) {
        delete f;
        return false;
    }
    sheet->file = sheet->optimize_tmpfile = filtered;
    return true;
}
