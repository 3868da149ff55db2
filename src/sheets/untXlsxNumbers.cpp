#include "sheets/untXlsxNumbers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <xlsxwriter.h>

namespace
{
struct Filter {
    FILE* file;          // the sheet's own file of rows
    std::string pending; // the start of a value not yet written whole
};

bool Put(Filter* f, const char* data, size_t size)
{
    return fwrite_unlocked(data, 1, size, f->file) == size; // the sheet's writer alone uses it
}

// A value as written (%.16G); with 16 significant digits, the 15 that give the same double back
// when they do. A locale's decimal comma becomes a point.
bool PutShortest(Filter* f, const char* value, size_t size)
{
    char text[48];
    if (size >= sizeof text)
        return Put(f, value, size); // not a number of ours: as written
    std::memcpy(text, value, size);
    text[size] = '\0';
    int digits = 0;
    bool leading = true;
    for (const char* c = text; *c && *c != 'E'; ++c) {
        if (*c >= '1' && *c <= '9')
            leading = false;
        digits += !leading && *c >= '0' && *c <= '9';
    }
    if (digits >= 16) {
        char* end = nullptr;
        const double d = std::strtod(text, &end);
        char shorter[48];
        std::snprintf(shorter, sizeof shorter, "%.15G", d);
        if (end == text + size && std::strtod(shorter, nullptr) == d)
            std::memcpy(text, shorter, (size = std::strlen(shorter)) + 1);
    }
    for (char* c = text; *c; ++c)
        *c = *c == ',' ? '.' : *c;
    return Put(f, text, size);
}

bool EndsWith(std::string_view text, size_t from, std::string_view end)
{
    return text.size() - from >= end.size() && text.substr(text.size() - end.size()) == end;
}

ssize_t Write(void* cookie, const char* data, size_t size)
{
    auto* f = static_cast<Filter*>(cookie);
    // Most writes begin with nothing pending: they are read where they are.
    if (!f->pending.empty())
        f->pending.append(data, size);
    const std::string_view in = f->pending.empty() ? std::string_view(data, size) : f->pending;
    size_t from = 0;
    for (;;) {
        const size_t open = in.find("<v>", from);
        const size_t close = open == in.npos ? open : in.find("</v>", open + 3);
        if (close == in.npos) {
            // Keep an unfinished value, or what may begin one, for the next write.
            size_t keep = 0;
            if (open != in.npos)
                keep = in.size() - open;
            else if (EndsWith(in, from, "<v"))
                keep = 2;
            else if (EndsWith(in, from, "<"))
                keep = 1;
            if (!Put(f, in.data() + from, in.size() - keep - from))
                return -1;
            f->pending = std::string(in.substr(in.size() - keep));
            return ssize_t(size);
        }
        if (!Put(f, in.data() + from, open + 3 - from) ||
            !PutShortest(f, in.data() + open + 3, close - open - 3))
            return -1;
        from = close; // "</v>" goes with what follows
    }
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
    if (!Put(f, f->pending.data(), f->pending.size())) // rows end whole: nothing pends
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
    const bool written = Put(f, f->pending.data(), f->pending.size());
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
    setvbuf(filtered, nullptr, _IOFBF, 1 << 16); // fewer, larger writes through the filter
    sheet->file = sheet->optimize_tmpfile = filtered;
    return true;
}
