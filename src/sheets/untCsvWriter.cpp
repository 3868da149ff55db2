#include "sheets/untCsvWriter.h"

#include "sheets/untCsvText.h"
#include "sheets/untFileReplacement.h"

namespace
{

void AppendCsvField(QByteArray& line, const QString& value)
{
    const QByteArray utf8 = CsvSafeText(value).toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\n') &&
        !utf8.contains('\r')) {
        line += utf8;
        return;
    }
    line += '"';
    for (char ch : utf8) {
        if (ch == '"')
            line += '"';
        line += ch;
    }
    line += '"';
}

} // namespace

bool TCsvWriter::Write(const TExportTable& table, const QString& path, const QString&,
                       const TExportProgress& progress) const
{
    TFileReplacement file(path);
    QByteArray buffer("\xEF\xBB\xBF"); // the byte-order mark tells spreadsheets it is UTF-8
    const auto flush = [&] {
        file.Write(buffer);
        buffer.clear();
    };
    const int columns = int(table.Columns.size());
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            buffer += ',';
        AppendCsvField(buffer, table.Columns[c].Caption);
    }
    buffer += "\r\n";
    for (int r = 0; r < table.Rows; ++r) {
        if (!TellProgress(progress, r, table.Rows))
            return false;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                buffer += ',';
            const auto amount =
                table.Columns[c].Amount ? table.Amount(r, c) : std::optional<Currency>();
            if (amount)
                buffer += amount->ToSqlText().toLatin1(); // exact, no grouping
            else
                AppendCsvField(buffer, table.Text(r, c));
        }
        buffer += "\r\n";
        if (buffer.size() > (1 << 20))
            flush();
    }
    flush();
    file.Commit();
    return true;
}
