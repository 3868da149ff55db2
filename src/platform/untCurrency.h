#pragma once
// Currency: money as a count of ten-thousandths of a yuan.

#include <QString>
#include <QByteArrayView>
#include <QStringView>
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
    // The value as read with 15 significant digits (what a database or a spreadsheet shows of
    // a double), ×10000 rounded half to even; raises Exception for a value beyond what this
    // type holds (about ±9.2 × 10^14 yuan) or not a number, instead of wrapping round.
    static Currency FromDouble(double value);
    // The same when those 15 digits have at most four decimals; nullopt otherwise.
    static std::optional<Currency> FromDoubleExact(double value);
    // An exact decimal text ("-12.5", "1e3" is refused); nullopt when it is not a number
    // or has more than four decimals of non-zero digits or does not fit.
    static std::optional<Currency> FromText(const QString& text);
    // The same from UTF-8 bytes (a database's text), without a QString.
    static std::optional<Currency> FromUtf8(QByteArrayView text);

    constexpr qint64 Raw() const { return m_raw; }

    // The amounts an indicator may hold: |amount| ≤ 9,999,999,999,999.99 yuan. To the fen that
    // is 15 significant digits, which SQLite's floating-point values keep exactly, and below
    // PostgreSQL's numeric(18,4) limit of 10^14; a provincial budget is far below it.
    static constexpr qint64 kLimitRaw = 99'999'999'999'999'990;
    // The bound messages name: the largest whole-fen amount within the limit (the limit
    // rounded to the fen would lie beyond it).
    static constexpr qint64 kLimitCentsRaw = kLimitRaw / 100 * 100;
    constexpr bool InRange() const { return m_raw >= -kLimitRaw && m_raw <= kLimitRaw; }
    // "金额超出范围（…）" for a message about an amount beyond InRange.
    static QString RangeText();
    double ToDouble() const { return static_cast<double>(m_raw) / 10000.0; }
    // Exact decimal without grouping or trailing zeros: 100, 12.5, -3.25, 0.
    QString ToSqlText() const;
    // Display with thousands grouping and two decimals (rounded half away from zero).
    QString Format2() const;
    // Display with thousands grouping and every decimal it has, at least two: never rounded.
    QString FormatExact() const;

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

// A sum of amounts that cannot overflow: 128-bit ten-thousandths. A term that is not an exact
// amount (a floating-point value with more than four decimals, or beyond 10^29 yuan) makes the
// sum inexact; its text then carries the marker "≈".
class TMoneySum
{
public:
    void Add(Currency c) { m_raw += c.Raw(); }
    void AddRaw(qint64 raw) { m_raw += raw; }
    void AddDouble(double value);
    // A plain decimal text; anything else makes the sum inexact.
    void AddText(const QString& text);
    void Halve();
    // Exact while both sums are (past the 128-bit range the rest is kept approximately).
    TMoneySum& operator+=(const TMoneySum& other);
    TMoneySum operator-() const;
    bool Exact() const { return m_exact; }
    // The sum as a double, the value its text reads back as: for shares and drawing.
    double Value() const;
    // Exact decimal without grouping or trailing zeros ("≈" first when inexact).
    QString Text() const;

private:
    __int128 m_raw = 0;
    double m_approx = 0; // what cannot be counted exactly
    bool m_exact = true;
};

// A plain decimal text (any length, optional "-" and "≈") with thousands grouping and two
// decimals, rounded half away from zero; other texts are returned as they are.
QString FormatAmountText(const QString& decimalText);
// A floating-point value as a plain decimal text: the shortest digits that read back as the
// same value, never an exponent.
QString PlainNumberText(double value);
