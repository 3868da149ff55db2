#include "sheets/untSheetFile.h"

#include "platform/untException.h"

#include <QDir>

void RefuseSheetFile(const QString& path, const QString& why)
{
    throw Exception(QStringLiteral("无法读取文件%1：%2").arg(QDir::toNativeSeparators(path), why));
}
