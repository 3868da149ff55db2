#include "platform/untCurrency.h"

#include <cfenv>
#include <cmath>
#include <limits>

Currency Currency::FromDouble(double value)
{
    // nearbyint follows the default rounding mode: to nearest, ties to even.
    return FromRaw(static_cast<qint64>(std::nearbyint(value * 10000.0)));
}

std::optional<Currency> Currency::FromText(const QString& input)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    int pos = 0;
    bool negative = false;
    if (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+')) {
        negative = text[0] == QLatin1Char('-');
        pos = 1;
    }
    qint64 whole = 0;
    qint64 frac = 0;
    int fracDigits = 0;
    bool seenDigit = false;
    bool inFrac = false;
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 10000 / 10;
    for (; pos < text.size(); ++pos) {
        const QChar c = text[pos];
        if (c == QLatin1Char('.') && !inFrac) {
            inFrac = true;
            continue;
        }
        if (!c.isDigit() || c.unicode() > '9')
            return std::nullopt;
        seenDigit = true;
        const int d = c.unicode() - '0';
        if (inFrac) {
            if (fracDigits == 4) {
                if (d != 0)
                    return std::nullopt;
                continue;
            }
            frac = frac * 10 + d;
            ++fracDigits;
        } else {
            if (whole > limit)
                return std::nullopt;
            whole = whole * 10 + d;
        }
    }
    if (!seenDigit)
        return std::nullopt;
    for (int i = fracDigits; i < 4; ++i)
        frac *= 10;
    const qint64 raw = whole * 10000 + frac;
    return FromRaw(negative ? -raw : raw);
}

QString Currency::ToSqlText() const
{
    const bool negative = m_raw < 0;
    const quint64 abs = negative ? quint64(0) - quint64(m_raw) : quint64(m_raw);
    QString text = QString::number(abs / 10000);
    quint64 frac = abs % 10000;
    if (frac != 0) {
        QString digits = QString::number(frac).rightJustified(4, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += QLatin1Char('.') + digits;
    }
    return negative ? QLatin1Char('-') + text : text;
}

QString Currency::Format2() const
{
    const bool negative = m_raw < 0;
    quint64 abs = negative ? quint64(0) - quint64(m_raw) : quint64(m_raw);
    abs = (abs + 50) / 100; // hundredths, half away from zero
    QString whole = QString::number(abs / 100);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(','));
    const QString cents = QString::number(abs % 100).rightJustified(2, QLatin1Char('0'));
    return (negative && abs != 0 ? QStringLiteral("-") : QString()) + whole + QLatin1Char('.') +
           cents;
}
