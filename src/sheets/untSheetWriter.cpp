#include "sheets/untSheetWriter.h"

#include "platform/untException.h"
#include "platform/untFileGuard.h"
#include "sheets/untFileReplacement.h"
#include "sheets/untSheetFormats.h"

#include <QFileInfo>

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
    if (const QString why = CannotWriteFile(path); !why.isEmpty())
        throw Exception(WriteError(path, why));
    // A link is followed: the file it names is replaced, the link stays.
    const QString target = QFileInfo(path).isSymLink() && QFileInfo::exists(path)
                               ? QFileInfo(path).canonicalFilePath()
                               : path;
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
