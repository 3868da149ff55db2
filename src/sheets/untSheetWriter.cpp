#include "sheets/untSheetWriter.h"

#include "sheets/untFileReplacement.h"
#include "sheets/untSheetFormats.h"

namespace
{
constexpr int kProgressEvery = 4096;
} // namespace

bool TellProgress(const TExportProgress& progress, int row, int rows)
{
    return !progress || row % kProgressEvery != 0 || progress(row, rows);
}

bool ExportTable(const TExportTable& table, const QString& path, const QString& sheetName,
                 const TExportProgress& progress)
{
    const QString target = WritableTarget(path);
    const bool written = SheetFormatOf(path).Writer->Write(table, target, sheetName, progress);
    if (written && progress)
        progress(table.Rows, table.Rows);
    return written;
}

QString SheetNameOf(const QString& text)
{
    QString name;
    for (const QChar c : text)
        if (!QStringLiteral("[]:*?/\\").contains(c))
            name += c;
    name = name.trimmed().left(31);
    return name.isEmpty() ? QStringLiteral("Sheet1") : name;
}
