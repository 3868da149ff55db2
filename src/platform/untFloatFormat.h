#pragma once
// Float formatting by pattern ("0", "#", ",", ".", "E-"), as the platform formats numbers.

#include <QChar>
#include <QString>

struct TFloatSeparators {
    QChar Decimal = QLatin1Char('.');
    QChar Thousands = QLatin1Char(',');
};

// Formats the value by a pattern: "0" a required digit, "#" an optional digit, "," thousands
// grouping of the integer part, "." the decimal point, "E-"/"E+" (then "0"s for the least
// exponent digits) the scientific form, whose exponent shows its sign only when negative with
// "E-". At most 15 significant digits are taken from the value; the shown digits are rounded
// half away from zero. A pattern without "E" never produces an exponent, and no digits appear
// where the pattern has none. The separators are the given ones (the pattern always writes
// "." and ",").
QString FormatFloat(const QString& pattern, long double value,
                    const TFloatSeparators& separators = {});
