#pragma once
// Writing a table (a grid's visible columns and rows) to an XLSX workbook or a CSV file.

#include "platform/untCurrency.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class TNextGrid;

struct TExportColumn {
    QString Caption;
    bool Amount = false; // written as a number (two decimals, grouped, in a workbook)
    double Width = 10;   // in characters
    QString Name;        // the grid column's field name
};

// What is written: the columns, the row count and a cell's text. An amount column's cell is
// also asked for its exact amount; a cell without one (empty, "≈", too large) is written as text.
struct TExportTable {
    QList<TExportColumn> Columns;
    int Rows = 0;
    std::function<QString(int row, int col)> Text;
    std::function<std::optional<Currency>(int row, int col)> Amount;
};

// The grid as shown: its visible columns in their order with captions and widths (not the
// check-box column), every row including the totals row. The cells are taken as they are now,
// so the table can be written on another thread.
TExportTable GridExportTable(const TNextGrid* grid);

enum class TExportFormat { Xlsx, Csv };
// By the file's suffix: .csv is CSV, anything else a workbook.
TExportFormat ExportFormatOf(const QString& path);

// Told every few thousand rows, then (rowsWritten = rows) while a workbook is being packed;
// false cancels.
using TExportProgress = std::function<bool(int rowsWritten, int rows)>;

// Writes the table (a workbook: one sheet of that name, the header row frozen; CSV: UTF-8 with
// a byte-order mark). False when cancelled; raises Exception with the cause (a full disk, no
// permission, a bad path) when it cannot be written. The file takes the path's place only when
// complete: a cancelled or failed export leaves an existing file there as it was. Refuses
// before writing anything a path that is not a regular file or is an open database's file.
bool ExportTable(const TExportTable& table, const QString& path, const QString& sheetName,
                 const TExportProgress& progress = {});

// A sheet name a workbook accepts: without []:*?/\ and at most 31 characters.
QString SheetNameOf(const QString& text);
