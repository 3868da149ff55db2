#pragma once

#include <QByteArray>
#include <QString>

// Code page 936 (GBK) conversions: rules that count bytes work on these bytes.
// Characters outside the code page become '?'.
QByteArray ToCp936(const QString& text);
QString FromCp936(const QByteArray& bytes);
// True when the bytes are well-formed UTF-8 (a layout file may be in either encoding).
bool IsValidUtf8(const QByteArray& bytes);
