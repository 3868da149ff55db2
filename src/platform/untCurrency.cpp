#include "platform/untCurrency.h"

#include "platform/untException.h"

#include <QLocale>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <limits>

namespace
{
// A double's value read with 15 significant digits, as ten-thousandths: false when it is not
// finite or beyond the 64-bit range; `exact` tells whether no non-zero digit was rounded off.
bool Raw15(double value, qint64& raw, bool& exact)
{
    if (!std::isfinite(value) || !(std::fabs(value) < 9.2e14))
        return false;
    // d.dddddddddddddde±x: the mantissa's 15 digits and the exponent.
    char text[32];
    std::snprintf(text, sizeof text, "%.14e", std::fabs(value));
    qint64 digits = 0;
    const char* p = text;
    for (; *p != 'e'; ++p)
        if (*p != '.')
            digits = digits * 10 + (*p - '0');
    const int shift = std::atoi(p + 1) - 10; // value × 10^4 = digits × 10^shift
    exact = true;
    if (shift >= 0) {
        for (int i = 0; i < shift; ++i)
            digits *= 10;
    } else if (shift < -18) {
        exact = digits == 0;
        digits = 0;
    } else {
        qint64 divisor = 1;
        for (int i = 0; i < -shift; ++i)
            divisor *= 10;
        const qint64 rest = digits % divisor;
        digits /= divisor;
        exact = rest == 0;
        // half to even
        if (rest * 2 > divisor || (rest * 2 == divisor && digits % 2 != 0))
            ++digits;
    }
    raw = std::signbit(value) ? -digits : digits;
    return true;
}
} // namespace

Currency Currency::FromDouble(double value)
{
    qint64 raw = 0;
    bool exact = false;
    if (!Raw15(value, raw, exact))
        throw Exception(QStringLiteral("金额%1超出可处理的范围").arg(PlainNumberText(value)));
    return FromRaw(raw);
}

std::optional<Currency> Currency::FromDoubleExact(double value)
{
    qint64 raw = 0;
    bool exact = false;
    if (!Raw15(value, raw, exact) || !exact)
        return std::nullopt;
    return FromRaw(raw);
}

QString Currency::RangeText()
{
    return QStringLiteral("金额超出范围（绝对值不能超过%1元）")
        .arg(FromRaw(kLimitCentsRaw).Format2());
}

namespace
{
char16_t Code(QChar c)
{
    return c.unicode();
}
char16_t Code(unsigned char c)
{
    return c;
}

// White space as QString::trimmed() sees it; of UTF-8 bytes only the ASCII ones.
template <class Char> bool Blank(Char c)
{
    if constexpr (sizeof(Char) == 1)
        return c < 0x80 && QChar(Code(c)).isSpace();
    else
        return c.isSpace();
}

// The exact decimal in characters [begin, end): QChar or UTF-8 bytes alike (digits are ASCII).
template <class Char> std::optional<Currency> ParseDecimal(const Char* begin, const Char* end)
{
    while (begin != end && Blank(*begin))
        ++begin;
    while (end != begin && Blank(end[-1]))
        --end;
    if (begin == end)
        return std::nullopt;
    bool negative = false;
    if (Code(*begin) == u'-' || Code(*begin) == u'+') {
        negative = Code(*begin) == u'-';
        ++begin;
    }
    qint64 whole = 0;
    qint64 frac = 0;
    int fracDigits = 0;
    bool seenDigit = false;
    bool inFrac = false;
    // What 64 bits of ten-thousandths hold: 922,337,203,685,477.5807 either way.
    constexpr qint64 maxRaw = std::numeric_limits<qint64>::max();
    constexpr qint64 maxWhole = maxRaw / 10000;
    for (; begin != end; ++begin) {
        const char16_t c = Code(*begin);
        if (c == u'.' && !inFrac) {
            inFrac = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return std::nullopt;
        seenDigit = true;
        const int d = c - u'0';
        if (inFrac) {
            if (fracDigits == 4) {
                if (d != 0)
                    return std::nullopt;
                continue;
            }
            frac = frac * 10 + d;
            ++fracDigits;
        } else {
            if (whole > (maxWhole - d) / 10)
                return std::nullopt;
            whole = whole * 10 + d;
        }
    }
    if (!seenDigit)
        return std::nullopt;
    for (int i = fracDigits; i < 4; ++i)
        frac *= 10;
    if (whole == maxWhole && frac > maxRaw % 10000)
        return std::nullopt;
    const qint64 raw = whole * 10000 + frac;
    return Currency::FromRaw(negative ? -raw : raw);
}
// ".25" for 2500 ten-thousandths, "" for none: the fraction without trailing zeros.
QString FractionText(int tenThousandths)
{
    if (tenThousandths == 0)
        return QString();
    QString digits = QString::number(tenThousandths).rightJustified(4, QLatin1Char('0'));
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    return QLatin1Char('.') + digits;
}
} // namespace

std::optional<Currency> Currency::FromText(const QString& text)
{
    return ParseDecimal(text.constData(), text.constData() + text.size());
}

std::optional<Currency> Currency::FromUtf8(QByteArrayView text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.begin());
    return ParseDecimal(bytes, bytes + text.size());
}

QString Currency::ToSqlText() const
{
    const bool negative = m_raw < 0;
    const quint64 abs = negative ? quint64(0) - quint64(m_raw) : quint64(m_raw);
    const QString text = QString::number(abs / 10000) + FractionText(int(abs % 10000));
    return negative ? QLatin1Char('-') + text : text;
}

namespace
{
// The whole units with thousands grouping.
QString GroupedWhole(quint64 whole)
{
    QString text = QString::number(whole);
    for (qsizetype i = text.size() - 3; i > 0; i -= 3)
        text.insert(i, QLatin1Char(','));
    return text;
}
} // namespace

QString Currency::Format2() const
{
    const bool negative = m_raw < 0;
    quint64 abs = negative ? quint64(0) - quint64(m_raw) : quint64(m_raw);
    abs = (abs + 50) / 100; // hundredths, half away from zero
    const QString cents = QString::number(abs % 100).rightJustified(2, QLatin1Char('0'));
    return (negative && abs != 0 ? QStringLiteral("-") : QString()) + GroupedWhole(abs / 100) +
           QLatin1Char('.') + cents;
}

QString Currency::FormatExact() const
{
    const bool negative = m_raw < 0;
    const quint64 abs = negative ? quint64(0) - quint64(m_raw) : quint64(m_raw);
    QString fraction = QString::number(abs % 10000).rightJustified(4, QLatin1Char('0'));
    while (fraction.size() > 2 && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return (negative ? QStringLiteral("-") : QString()) + GroupedWhole(abs / 10000) +
           QLatin1Char('.') + fraction;
}

namespace
{
// Whole yuan a 128-bit sum of ten-thousandths holds with room to spare.
const __int128 kWholeLimit = static_cast<__int128>(1e29);

QString Int128Text(__int128 value)
{
    const bool negative = value < 0;
    unsigned __int128 abs =
        negative ? -static_cast<unsigned __int128>(value) : static_cast<unsigned __int128>(value);
    QString digits;
    do {
        digits.prepend(QLatin1Char(char('0' + int(abs % 10))));
        abs /= 10;
    } while (abs != 0);
    return negative ? QLatin1Char('-') + digits : digits;
}

// Ten-thousandths as an exact decimal without trailing zeros.
QString RawText(__int128 raw)
{
    const bool negative = raw < 0;
    const unsigned __int128 abs =
        negative ? -static_cast<unsigned __int128>(raw) : static_cast<unsigned __int128>(raw);
    const QString text =
        Int128Text(static_cast<__int128>(abs / 10000)) + FractionText(int(abs % 10000));
    return negative ? QLatin1Char('-') + text : text;
}
} // namespace

void TMoneySum::AddDouble(double value)
{
    // value = mantissa × 2^exponent exactly; it is an amount when ×10000 is a whole number.
    int exponent = 0;
    const double fraction = std::frexp(value, &exponent);
    // 53 bits fit in 64: converting to a 128-bit integer straight from a double costs a call
    // per value, a noticeable share of summing a million amounts.
    const double top = std::ldexp(fraction, 53);
    const auto mantissa = static_cast<__int128>(std::isfinite(top) ? static_cast<qint64>(top) : 0);
    exponent -= 53;
    const __int128 scaled = mantissa * 10000;
    if (std::isfinite(value) && exponent >= 0 && std::fabs(value) < 1e29) {
        m_raw += scaled << exponent;
        return;
    }
    if (std::isfinite(value) && exponent < 0 && exponent > -120) {
        const __int128 mask = (static_cast<__int128>(1) << -exponent) - 1;
        const __int128 magnitude = scaled < 0 ? -scaled : scaled;
        if ((magnitude & mask) == 0) {
            m_raw += scaled < 0 ? -(magnitude >> -exponent) : magnitude >> -exponent;
            return;
        }
    }
    // A decimal the database stored as a double: its shortest digits are what it holds. Below
    // 2^36 a double's neighbours lie nearer than 0.0001, so when a decimal of four places reads
    // back as this very value, those are its shortest digits (no text needed).
    if (std::fabs(value) < 68719476736.0) {
        const double places = std::nearbyint(value * 10000.0);
        if (places / 10000.0 == value) {
            m_raw += static_cast<qint64>(places);
            return;
        }
    }
    if (std::isfinite(value))
        AddText(PlainNumberText(value));
    else
        m_exact = false;
}

void TMoneySum::AddText(const QString& input)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return;
    // Plain decimals of any length with at most four non-zero decimals are exact.
    qsizetype pos = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    __int128 whole = 0;
    int fracDigits = 0;
    __int128 frac = 0;
    bool inFrac = false, digits = false, exact = true;
    for (; pos < text.size() && exact; ++pos) {
        const QChar c = text[pos];
        if (c == QLatin1Char('.') && !inFrac) {
            inFrac = true;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits = true;
            const int d = c.unicode() - '0';
            if (!inFrac) {
                exact = whole < kWholeLimit;
                whole = whole * 10 + d;
            } else if (fracDigits < 4) {
                frac = frac * 10 + d;
                ++fracDigits;
            } else {
                exact = d == 0;
            }
        } else {
            exact = false;
        }
    }
    if (!exact || !digits) {
        bool ok = false;
        const QStringView approx = text.startsWith(QStringLiteral("≈"))
                                       ? QStringView(text).mid(QStringLiteral("≈").size())
                                       : QStringView(text);
        const double value = approx.toDouble(&ok);
        m_exact = false;
        m_approx += ok ? value : 0.0;
        return;
    }
    for (; fracDigits < 4; ++fracDigits)
        frac *= 10;
    const __int128 raw = whole * 10000 + frac;
    m_raw += text.startsWith(QLatin1Char('-')) ? -raw : raw;
}

void TMoneySum::Halve()
{
    m_raw /= 2;
    m_approx /= 2;
}

TMoneySum& TMoneySum::operator+=(const TMoneySum& other)
{
    __int128 sum = 0;
    if (__builtin_add_overflow(m_raw, other.m_raw, &sum)) {
        m_approx += static_cast<double>(other.m_raw) / 10000.0;
        m_exact = false;
    } else {
        m_raw = sum;
    }
    m_approx += other.m_approx;
    m_exact = m_exact && other.m_exact;
    return *this;
}

TMoneySum TMoneySum::operator-() const
{
    TMoneySum negated;
    negated.m_approx = -m_approx;
    negated.m_exact = m_exact;
    // The one 128-bit value without a negative (numeric_limits need not know __int128).
    const auto least = static_cast<__int128>(static_cast<unsigned __int128>(1) << 127);
    if (m_raw == least) {
        negated.m_approx -= static_cast<double>(m_raw) / 10000.0;
        negated.m_exact = false;
    } else {
        negated.m_raw = -m_raw;
    }
    return negated;
}

double TMoneySum::Value() const
{
    return static_cast<double>(m_raw) / 10000.0 + m_approx;
}

QString TMoneySum::Text() const
{
    if (m_exact)
        return RawText(m_raw);
    return QStringLiteral("≈") + PlainNumberText(Value());
}

QString PlainNumberText(double value)
{
    // The shortest digits that read back as the same value, never an exponent.
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString FormatAmountText(const QString& decimalText)
{
    QStringView text(decimalText);
    QString prefix;
    if (text.startsWith(QStringLiteral("≈"))) {
        prefix = QStringLiteral("≈");
        text = text.mid(1);
    }
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        text = text.mid(1);
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    QString whole = (dot < 0 ? text : text.left(dot)).toString();
    QString frac = dot < 0 ? QString() : text.mid(dot + 1).toString();
    const auto digitsOnly = [](const QString& s) {
        for (QChar c : s)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        return true;
    };
    if (whole.isEmpty() || !digitsOnly(whole) || !digitsOnly(frac))
        return decimalText;
    // Two decimals, half away from zero, carrying into the whole part.
    const bool roundUp = frac.size() > 2 && frac[2] >= QLatin1Char('5');
    QString digits = whole + frac.leftJustified(2, QLatin1Char('0')).left(2);
    if (roundUp) {
        qsizetype i = digits.size() - 1;
        while (i >= 0 && digits[i] == QLatin1Char('9'))
            digits[i--] = QLatin1Char('0');
        if (i < 0)
            digits.prepend(QLatin1Char('1'));
        else
            digits[i] = QChar(digits[i].unicode() + 1);
    }
    whole = digits.left(digits.size() - 2);
    const QString cents = digits.right(2);
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(','));
    const bool zero = whole == QLatin1String("0") && cents == QLatin1String("00");
    return prefix + (negative && !zero ? QStringLiteral("-") : QString()) + whole +
           QLatin1Char('.') + cents;
}
