#pragma once
// Code page 936 (GBK) conversions for the rules that count bytes.

#include <QByteArray>
#include <QString>

// Code page 936 (GBK) conversions: rules that count bytes work on these bytes.
// Characters outside the code page become '?'.
QByteArray ToCp936(const QString& text);
QString FromCp936(const QByteArray& bytes);
// The text of code page 936 bytes with `badOffset` -1; or an empty text with `badOffset` at the
// first byte that starts none of its characters (or one cut off at the end).
QString FromCp936Strict(const QByteArray& bytes, qsizetype& badOffset);
// True when the bytes are well-formed UTF-8 (a layout file may be in either encoding).
bool IsValidUtf8(const QByteArray& bytes);
// The first `count` code page 936 bytes of a text, and the text without its last `count`.
QString Cp936Left(const QString& text, int count);
QString Cp936DropRight(const QString& text, int count);
