#pragma once
// Writing a table to a spreadsheet file: what is written, and the writer each format has.

#include "platform/untCurrency.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// Numbers other than amounts a workbook keeps as numbers: counts (grouped) and shares (a
// fraction shown as a percentage with two decimals).
enum class TExportNumber { None, Count, Share };

struct TExportColumn {
    QString Caption;
    bool Amount = false; // written as a number (two decimals, grouped, in a workbook)
    double Width = 10;   // in characters
    QString Name = {};   // the grid column's field name, when it has one
    TExportNumber Number = TExportNumber::None;
};

// What is written: the columns, the row count and a cell's text. An amount column's cell is
// also asked for its exact amount; a cell without one (empty, "≈", too large) is written as text.
// A workbook asks a count or share column's cell for its number the same way; text files take
// the text.
struct TExportTable {
    QList<TExportColumn> Columns;
    int Rows = 0;
    std::function<QString(int row, int col)> Text;
    std::function<std::optional<Currency>(int row, int col)> Amount;
    std::function<std::optional<double>(int row, int col)> Number = {};
};

// Told every few thousand rows, then (rowsWritten = rows) while a workbook is being packed;
// false cancels.
using TExportProgress = std::function<bool(int rowsWritten, int rows)>;

// The writer of one file format (listed in untSheetFormats.cpp).
class TSheetWriter
{
public:
    virtual ~TSheetWriter() = default;
    // Writes the table to `path` through a TFileReplacement. False when cancelled; raises
    // Exception with the cause when it cannot be written.
    virtual bool Write(const TExportTable& table, const QString& path, const QString& sheetName,
                       const TExportProgress& progress) const = 0;
};

// Every few rows the progress is told.
bool TellProgress(const TExportProgress& progress, int row, int rows);

// Writes the table in the format the path's suffix names (a workbook: one sheet of that name,
// the header row frozen; CSV: UTF-8 with a byte-order mark). False when cancelled; raises
// Exception with the cause (a full disk, no permission, a bad path) when it cannot be written.
// The file takes the path's place only when complete: a cancelled or failed export leaves an
// existing file there as it was. Refuses before writing anything a path that is not a regular
// file or is an open database's file.
bool ExportTable(const TExportTable& table, const QString& path, const QString& sheetName,
                 const TExportProgress& progress = {});

// A sheet name a workbook accepts: without []:*?/\ and at most 31 characters.
QString SheetNameOf(const QString& text);
