#pragma once
// Reading spreadsheet files row by row: a sheet of an XLSX workbook, or a CSV file.

#include "sheets/untSheetFile.h"

// The sheet names of a workbook, in their order, and in `firstVisible` the index of the first
// sheet that is not hidden. Raises Exception when the file cannot be read or is no workbook.
QStringList WorkbookSheets(const QString& path, int* firstVisible = nullptr);

// Reads the rows of a CSV file (by its suffix: UTF-8 with or without a byte-order mark, GBK, or
// UTF-16 with a byte-order mark; quoted fields may hold commas, quotes and line breaks, a quote
// inside an unquoted field is a character, a cell the export wrote with a leading apostrophe is
// read without it: CsvCellText) or of a workbook's sheet (the first visible one when
// `sheet` is empty; shared and inline strings, numbers as a spreadsheet shows them without an
// exponent, dates as yyyy-MM-dd, zero-padded codes with their zeros). A sheet is read from the
// zip as it is parsed, never whole. Raises Exception with a message for a person, naming the
// file, when it is missing, truncated, no workbook, has no such sheet, holds what cannot be
// read as shown (a formula without its value, an undecodable byte) or passes the limits.
void ReadSheetFile(const QString& path, const QString& sheet, const TSheetRowSink& sink,
                   const TSheetLimits& limits = {});
