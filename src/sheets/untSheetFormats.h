#pragma once
// The spreadsheet file formats in one table: suffix, file-dialog filters, writer. A new format
// is its writer class and one line there.

#include <QString>
#include <QStringList>
#include <vector>

class TSheetWriter;

struct TSheetFormat {
    QString Suffix;     // without the dot, lower case
    QString SaveFilter; // as a file dialog offers it for saving
    QString OpenFilter; // as a file dialog offers it for opening; empty: not read
    bool Workbook;      // sheets in a zip: listed when opened, packed after the rows are written
    const TSheetWriter* Writer;
};

// The formats; the first is taken for a name whose suffix names none.
const std::vector<TSheetFormat>& SheetFormats();
// By the file's suffix, case aside.
const TSheetFormat& SheetFormatOf(const QString& path);

// "Excel 工作簿 (*.xlsx);;CSV 文件，UTF-8 (*.csv)", and the suffixes in the same order.
QString SaveFilters();
QStringList SaveSuffixes();
// All readable formats first ("电子表格 (*.xlsx *.csv)"), then each of them.
QString OpenFilters();
