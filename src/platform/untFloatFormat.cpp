#include "platform/untFloatFormat.h"

#include <cmath>
#include <cstdio>

namespace
{

struct Pattern {
    bool Grouping = false;
    int IntegerDigits = 0;    // "0"s before the point
    int RequiredDecimals = 0; // "0"s after the point
    int OptionalDecimals = 0; // "#"s after the point
    bool Scientific = false;
    bool PlusSign = false; // "E+": the exponent shows "+" too
    int ExponentDigits = 0;
};

Pattern Parse(const QString& text)
{
    Pattern p;
    bool afterPoint = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('E') || c == QLatin1Char('e')) {
            p.Scientific = true;
            p.PlusSign = i + 1 < text.size() && text[i + 1] == QLatin1Char('+');
            for (qsizetype j = i + 2; j < text.size() && text[j] == QLatin1Char('0'); ++j)
                ++p.ExponentDigits;
            break;
        }
        if (c == QLatin1Char(','))
            p.Grouping = true;
        else if (c == QLatin1Char('.'))
            afterPoint = true;
        else if (c == QLatin1Char('0'))
            ++(afterPoint ? p.RequiredDecimals : p.IntegerDigits);
        else if (c == QLatin1Char('#') && afterPoint)
            ++p.OptionalDecimals;
    }
    return p;
}

// The value's 15 significant digits and the position of the decimal point among them:
// value = 0.d1d2…d15 × 10^point.
struct Digits {
    QString Text; // 15 digits, or empty for zero
    int Point = 0;
    bool Negative = false;
};

Digits Decompose(long double value)
{
    Digits d;
    d.Negative = std::signbit(value);
    if (value == 0 || !std::isfinite(value))
        return d;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14Le", std::fabs(value));
    const QString s = QString::fromLatin1(buffer); // d.dddddddddddddde±x
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    d.Text = s.left(1) + s.mid(2, e - 2);
    d.Point = s.mid(e + 1).toInt() + 1;
    return d;
}

// Keeps `count` digits of `digits`, rounding half away from zero; a carry adds a leading
// digit and returns true.
bool RoundTo(QString& digits, int count)
{
    if (count < 0) {
        digits.clear();
        return false;
    }
    if (digits.size() <= count) {
        digits = digits.leftJustified(count, QLatin1Char('0'));
        return false;
    }
    const bool up = digits[count] >= QLatin1Char('5');
    digits.truncate(count);
    if (!up)
        return false;
    for (int i = count - 1; i >= 0; --i) {
        if (digits[i] != QLatin1Char('9')) {
            digits[i] = QChar(digits[i].unicode() + 1);
            return false;
        }
        digits[i] = QLatin1Char('0');
    }
    digits.prepend(QLatin1Char('1'));
    return true;
}

QString Group(const QString& whole, QChar separator)
{
    QString grouped;
    grouped.reserve(whole.size() + whole.size() / 3);
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += separator;
        grouped += whole[i];
    }
    return grouped;
}

// Integer and decimal digits of a mantissa with `point` integer places, per the pattern.
QString Assemble(const Pattern& p, QString digits, int point, bool negative,
                 const TFloatSeparators& seps)
{
    const int decimals = p.RequiredDecimals + p.OptionalDecimals;
    // The digits before the point: zeros fill up a point at or below 0.
    if (point <= 0) {
        digits.prepend(QString(-point, QLatin1Char('0')));
        point = 0;
    }
    if (RoundTo(digits, point + decimals))
        ++point;
    QString whole = digits.left(point);
    QString frac = digits.mid(point);
    while (frac.size() > p.RequiredDecimals && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole == QLatin1String("0") && p.IntegerDigits == 0 && !frac.isEmpty())
        whole.clear();
    whole =
        whole.rightJustified(std::max(p.IntegerDigits, whole.isEmpty() ? 0 : 1), QLatin1Char('0'));
    if (p.Grouping)
        whole = Group(whole, seps.Thousands);
    QString text = whole;
    if (!frac.isEmpty())
        text += seps.Decimal + frac;
    bool nonZero = false;
    for (QChar c : digits)
        nonZero = nonZero || (c != QLatin1Char('0'));
    return negative && nonZero ? QLatin1Char('-') + text : text;
}

} // namespace

QString FormatFloat(const QString& patternText, long double value, const TFloatSeparators& seps)
{
    const Pattern p = Parse(patternText);
    const Digits d = Decompose(value);
    if (!p.Scientific)
        return Assemble(p, d.Text, d.Text.isEmpty() ? 1 : d.Point, d.Negative, seps);

    // Scientific: the mantissa has as many integer digits as the pattern has "0"s (at least one).
    const int places = std::max(1, p.IntegerDigits);
    QString digits = d.Text;
    int exponent = digits.isEmpty() ? 0 : d.Point - places;
    if (!digits.isEmpty() && RoundTo(digits, places + p.RequiredDecimals + p.OptionalDecimals)) {
        digits.chop(1); // 9.99 → 10.0: one digit more, one place up
        ++exponent;
    }
    Pattern mantissa = p;
    mantissa.IntegerDigits = places;
    QString text = Assemble(mantissa, digits, places, d.Negative, seps);
    QString power = QString::number(std::abs(exponent))
                        .rightJustified(std::max(1, p.ExponentDigits), QLatin1Char('0'));
    if (exponent < 0)
        power.prepend(QLatin1Char('-'));
    else if (p.PlusSign)
        power.prepend(QLatin1Char('+'));
    return text + QLatin1Char('E') + power;
}
