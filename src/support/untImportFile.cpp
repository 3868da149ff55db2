#include "support/untImportFile.h"

#include "platform/untException.h"
#include "store/untColumnStore.h"
#include "sheets/untSheetReader.h"
#include "sheets/untSheetWriter.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace
{
constexpr int kProgressEvery = 2000;

bool Empty(const QStringList& cells)
{
    for (const QString& c : cells)
        if (!c.trimmed().isEmpty())
            return false;
    return true;
}
} // namespace

bool ReadImportFile(const QString& path, const QString& sheet, TImportRows& rows,
                    const TReadProgress& progress)
{
    auto cells = std::make_shared<TColumnStore>();
    TImportRows read;
    bool cancelled = false;
    ReadSheetFile(path, sheet, [&](int line, const QStringList& row) {
        if (Empty(row))
            return true;
        if (read.Headers.isEmpty()) {
            for (int c = 0; c < row.size(); ++c)
                read.Headers << (row[c].trimmed().isEmpty() ? QStringLiteral("第%1列").arg(c + 1)
                                                            : row[c].trimmed());
            cells->SetColumns(read.Headers, QList<bool>(read.Headers.size(), false));
            return true;
        }
        for (int c = 0; c < cells->ColumnCount(); ++c) {
            if (c < row.size() && !row[c].isEmpty()) {
                const QByteArray utf8 = row[c].toUtf8();
                cells->AppendUtf8(c, utf8.constData(), int(utf8.size()));
            } else {
                cells->AppendNull(c);
            }
        }
        cells->EndRow();
        int last = int(row.size()) - 1;
        while (last >= cells->ColumnCount() && row[last].isEmpty())
            --last;
        if (last >= cells->ColumnCount())
            read.Beyond.insert(read.Count(),
                               row.mid(cells->ColumnCount(), last + 1 - cells->ColumnCount()));
        read.Lines.push_back(line);
        if (progress && read.Count() % kProgressEvery == 0 && !progress(read.Count())) {
            cancelled = true;
            return false;
        }
        return true;
    });
    if (cancelled)
        return false;
    if (read.Headers.isEmpty())
        throw Exception(QStringLiteral("文件%1是空的：没有标题行。")
                            .arg(QDir::toNativeSeparators(QFileInfo(path).fileName())));
    read.Cells = std::move(cells);
    rows = std::move(read);
    return true;
}

void SaveSkippedRows(const TImportRows& rows, const std::vector<QString>& reasons,
                     const QString& path)
{
    std::vector<int> skipped;
    int beyond = 0; // columns for the cells beyond the headers, blank captions
    for (int r = 0; r < rows.Count() && size_t(r) < reasons.size(); ++r)
        if (!reasons[size_t(r)].isEmpty()) {
            skipped.push_back(r);
            beyond = std::max(beyond, int(rows.Beyond.value(r).size()));
        }
    TExportTable table;
    table.Columns << TExportColumn{QStringLiteral("行号"), false, 6, {}};
    for (const QString& header : rows.Headers)
        table.Columns << TExportColumn{header, false, 14, {}};
    for (int c = 0; c < beyond; ++c)
        table.Columns << TExportColumn{QString(), false, 14, {}};
    table.Columns << TExportColumn{QStringLiteral("未导入原因"), false, 40, {}};
    table.Rows = int(skipped.size());
    const int reasonColumn = int(table.Columns.size()) - 1;
    table.Text = [&](int row, int col) {
        const int r = skipped[size_t(row)];
        if (col == 0)
            return QString::number(rows.Lines[size_t(r)]);
        if (col == reasonColumn)
            return reasons[size_t(r)];
        if (col > rows.Cells->ColumnCount())
            return rows.Beyond.value(r).value(col - 1 - rows.Cells->ColumnCount());
        return rows.Cells->Text(r, col - 1);
    };
    table.Amount = [](int, int) { return std::optional<Currency>(); };
    ExportTable(table, path, QStringLiteral("未导入的行"));
}
