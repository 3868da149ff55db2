#pragma once
// CSV text cells that a spreadsheet would otherwise run as formulas.

#include <QString>

// A CSV text cell a spreadsheet would run as a formula (one beginning with = + - @, a tab or a
// carriage return) is written with a leading apostrophe, so that it shows as text; so is one
// that would otherwise read back as such. CsvCellText gives the original back.
QString CsvSafeText(const QString& text);
QString CsvCellText(const QString& cell);
