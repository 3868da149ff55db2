#pragma once
// Reading spreadsheet files row by row: a sheet of an XLSX workbook, or a CSV file.

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

// Takes one row: its number as a spreadsheet shows it (a workbook's own row numbers, so rows
// a program left out keep their gap; a CSV file's records counted from 1) and its cell texts
// (empty cells as empty texts); false stops the reading.
using TSheetRowSink = std::function<bool(int row, const QStringList& cells)>;

// What a file may hold; beyond it the file is refused, before memory grows with it.
struct TSheetLimits {
    int Rows = 1'048'576; // a sheet's rows (a CSV file's records are not limited)
    int Columns = 16'384; // A … XFD
    int CellChars = 32'767;
    int RowChars = 1 << 20;
    qint64 SharedBytes = qint64(64) << 20; // shared strings: 2 bytes a character, 16 a string
    qint64 PieceBytes = qint64(4) << 20;   // an XML token or a CSV line not yet complete
    // A workbook part may inflate to InflateBase plus InflatePerItem bytes for each row, cell
    // and character it yields: more is a zip bomb, whatever its kind (blanks, one huge cell).
    qint64 InflateBase = qint64(64) << 20;
    int InflatePerItem = 256;
};

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

// Raises the Exception of a file that cannot be read: "无法读取文件<path>：<why>".
[[noreturn]] void RefuseSheetFile(const QString& path, const QString& why);
