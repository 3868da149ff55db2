#pragma once
// What every reader of spreadsheet files shares: the row sink, the limits and the refusal.

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

// Raises the Exception of a file that cannot be read: "无法读取文件<path>：<why>".
[[noreturn]] void RefuseSheetFile(const QString& path, const QString& why);
