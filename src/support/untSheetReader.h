#pragma once
// Reading spreadsheet files row by row: a sheet of an XLSX workbook, or a CSV file.

#include <QString>
#include <QStringList>
#include <functional>

// Takes one row's cell texts (empty cells as empty texts); false stops the reading.
using TSheetRowSink = std::function<bool(const QStringList& cells)>;

// The sheet names of a workbook, in their order. Raises Exception when the file cannot be read
// or is no workbook.
QStringList WorkbookSheets(const QString& path);

// Reads the rows of a CSV file (by its suffix: UTF-8 with or without a byte-order mark, or
// GBK; quoted fields may hold commas, quotes and line breaks; a text written as text with a
// leading apostrophe is read without it, see CsvSafeText) or of a workbook's sheet (the
// first when `sheet` is empty; shared and inline strings, numbers as written without an
// exponent, dates as yyyy-MM-dd). A sheet is read from the zip as it is parsed, never whole.
// Raises Exception with a message for a person when the file is missing, truncated, no
// workbook, or has no such sheet.
void ReadSheetFile(const QString& path, const QString& sheet, const TSheetRowSink& sink);
