#include "platform/gunStrDeal.h"

#include "platform/untCodePage.h"

#include <cstring>

namespace
{
const char kFullWidth[] =
    "【】［］（）｀１２３４５６７８９０－＝＼～！＃￥＄％＾＆＿＋｜｛｝；＇：＂，。／"
    "＜＞？ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰ"
    "ＱＲＳＴＵＶＷＸＹＺ";
const char kHalfWidth[] = "[][]()`1234567890-=\\~!#$$%^&_+|{};':\",./<>?abcdefghijklmnopqrstuvwxyz"
                          "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
const char kForbidden[] = "#&'*/@\\^";

const QByteArray& FullWidthBytes()
{
    static const QByteArray bytes = ToCp936(QString::fromUtf8(kFullWidth));
    return bytes;
}
} // namespace

QByteArray RightText(const QByteArray& text, int count)
{
    if (count >= text.size())
        return text;
    return count <= 0 ? QByteArray() : text.right(count);
}

bool CheckInputChars(const QByteArray& text, QByteArray& offending)
{
    for (char byte : text) {
        if (byte != 0 && std::strchr(kForbidden, byte)) {
            offending = QByteArray(1, byte);
            return false;
        }
    }
    offending.clear();
    return true;
}

bool FullToHalf(const QByteArray& text, QByteArray& half)
{
    half.clear();
    if (text.isEmpty())
        return true;
    const QByteArray& table = FullWidthBytes();
    const int entries = int(sizeof kHalfWidth) - 1;
    for (int i = 0; i < entries; ++i) {
        if (table.mid(i * 2, 2) == text) {
            half = QByteArray(1, kHalfWidth[i]);
            return true;
        }
    }
    return false;
}

double ConvertMoneyUnit(int fromUnit, int toUnit, double amount)
{
    if (fromUnit == toUnit)
        return amount;
    if (toUnit == 0)
        return amount * 10000;
    return amount / 10000;
}

QString RightText(const QString& text, int count)
{
    return FromCp936(RightText(ToCp936(text), count));
}

bool CheckInputChars(const QString& text, QString& offending)
{
    QByteArray bad;
    const bool ok = CheckInputChars(ToCp936(text), bad);
    offending = QString::fromLatin1(bad);
    return ok;
}

bool FullToHalf(const QString& text, QString& half)
{
    QByteArray h;
    const bool ok = FullToHalf(ToCp936(text), h);
    half = QString::fromLatin1(h);
    return ok;
}

QString OneLineText(const QString& text)
{
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            line += QLatin1Char(' ');
        else if (!IsControlChar(c))
            line += c;
    }
    return line;
}

QString FoldLastFullWidth(const QString& text)
{
    const QByteArray bytes = ToCp936(text);
    QByteArray half;
    if (bytes.size() < 2 || !FullToHalf(RightText(bytes, 2), half))
        return text;
    return FromCp936(bytes.left(bytes.size() - 2) + half);
}
