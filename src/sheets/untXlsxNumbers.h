#pragma once
// A workbook sheet's number cells written with the digits of their value, not of a double.

struct lxw_worksheet;

// libxlsxwriter writes a number cell with 16 significant digits, so 584600.32 reads
// "584600.3199999999". This routes a constant-memory sheet's rows through a filter that writes
// each number with the fewest digits (15 to 17) that give the same double back, with a decimal
// point whatever the locale. Call it before the first cell is written; false (nothing changed)
// when the sheet does not keep its rows in a file of its own.
bool WriteShortestNumbers(lxw_worksheet* sheet);
