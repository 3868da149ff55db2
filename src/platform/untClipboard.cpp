#include "platform/untClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

QString ClipboardText()
{
    return QGuiApplication::clipboard()->text();
}

void SetClipboardText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}
