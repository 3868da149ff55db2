#pragma once
// Currency: money as a count of ten-thousandths of a yuan.

#include <QString>
#include <QtGlobal>
#include <optional>

// Money: a signed 64-bit count of ten-thousandths of a yuan.
class Currency
{
public:
    constexpr Currency() = default;
    static constexpr Currency FromRaw(qint64 raw)
    {
        Currency c;
        c.m_raw = raw;
        return c;
    }
    // ×10000, rounded half to even.
    static Currency FromDouble(double value);
    // An exact decimal text ("-12.5", "1e3" is refused); nullopt when it is not a number
    // or has more than four decimals of non-zero digits or does not fit.
    static std::optional<Currency> FromText(const QString& text);

    constexpr qint64 Raw() const { return m_raw; }
    double ToDouble() const { return static_cast<double>(m_raw) / 10000.0; }
    // Exact decimal without grouping or trailing zeros: 100, 12.5, -3.25, 0.
    QString ToSqlText() const;
    // Display with thousands grouping and two decimals (rounded half away from zero).
    QString Format2() const;

    constexpr Currency operator+(Currency o) const { return FromRaw(m_raw + o.m_raw); }
    constexpr Currency operator-(Currency o) const { return FromRaw(m_raw - o.m_raw); }
    constexpr Currency operator-() const { return FromRaw(-m_raw); }
    Currency& operator+=(Currency o)
    {
        m_raw += o.m_raw;
        return *this;
    }
    constexpr bool operator==(const Currency&) const = default;
    constexpr auto operator<=>(const Currency&) const = default;

private:
    qint64 m_raw = 0;
};
