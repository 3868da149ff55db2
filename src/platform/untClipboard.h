#pragma once
// The clipboard's text.

#include <QString>

QString ClipboardText();
void SetClipboardText(const QString& text);
