#include "FuzzFile.h"

#include "platform/untException.h"
#include "sheets/untSheetReader.h"

#include <QDir>
#include <QFile>
#include <unistd.h>

QString FuzzPath(const char* suffix)
{
    return QDir::temp().filePath(QStringLiteral("vw-fuzz-%1.%2").arg(getpid()).arg(suffix));
}

void WriteFuzzFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void ReadFuzzFile(const QString& path)
{
    try {
        ReadSheetFile(path, QString(), [](int row, const QStringList& cells) {
            // What the reader promises: rows within a sheet, cells within its columns.
            if (row < 1 || cells.size() > TSheetLimits().Columns)
                qFatal("row %d with %lld cells", row, static_cast<long long>(cells.size()));
            return true;
        });
    } catch (const Exception& e) {
        if (!e.Message().contains(QDir::toNativeSeparators(path)))
            qFatal("a refusal without the file's name: %s", qPrintable(e.Message()));
    }
}
