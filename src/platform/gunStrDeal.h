#pragma once
// Text rules on code page 936 bytes, and money unit conversion.

#include <QByteArray>
#include <QString>

// Text rules on code page 936 bytes (a Chinese or full-width character is two bytes).

// The last `count` bytes; the whole text when it is shorter.
QByteArray RightText(const QByteArray& text, int count);
// True when no byte is one of # & ' * / @ \ ^; otherwise false and the first such character.
bool CheckInputChars(const QByteArray& text, QByteArray& offending);
// True and the half-width character when the text is one full-width table entry.
bool FullToHalf(const QByteArray& text, QByteArray& half);
// Between 0 yuan and 1 ten thousand yuan.
double ConvertMoneyUnit(int fromUnit, int toUnit, double amount);

// The same rules on the windows' texts.
QString RightText(const QString& text, int count);
bool CheckInputChars(const QString& text, QString& offending);
bool FullToHalf(const QString& text, QString& half);
// Replaces a full-width character at the end of the text by its half-width form.
QString FoldLastFullWidth(const QString& text);
// A control character (C0 or C1): none belongs in a code or a document number.
inline bool IsControlChar(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0);
}
// The text as one line: tabs and line breaks become blanks, other control characters go (a
// pasted text carries them into a field no list or import shows or takes).
QString OneLineText(const QString& text);
