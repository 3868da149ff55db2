#pragma once
// A grid's visible columns and rows as a table to write to a spreadsheet file.

#include "sheets/untSheetWriter.h"

class TNextGrid;

// The grid as shown: its visible columns in their order with captions and widths (not the
// check-box column), every row including the totals row. The cells are taken as they are now,
// so the table can be written on another thread.
TExportTable GridExportTable(const TNextGrid* grid);
