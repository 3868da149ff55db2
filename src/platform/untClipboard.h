#pragma once

#include <QString>

QString ClipboardText();
void SetClipboardText(const QString& text);
