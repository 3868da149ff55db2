#pragma once
// The files of the spreadsheet import: reading a file's rows, saving the rows left out.

#include "budget/gunBudgetImport.h"

#include <QString>
#include <functional>
#include <vector>

// Told every few thousand rows read; false cancels.
using TReadProgress = std::function<bool(int rowsRead)>;

// Reads a CSV file or a workbook's sheet (the first visible one when `sheet` is empty): the first
// row that is not empty gives the headers, empty rows are left out, cells beyond the headers
// kept apart (for saving, unchecked); each row keeps its number as a spreadsheet shows it.
// False when cancelled. Raises Exception with a message for a person when the file cannot be
// read or holds no header row.
bool ReadImportFile(const QString& path, const QString& sheet, TImportRows& rows,
                    const TReadProgress& progress = {});

// Writes the rows that have a reason (their line, their cells as read and the reason, the cells
// beyond the headers under blank captions before it) to a workbook or CSV file by the path's
// suffix. Raises Exception when it cannot be written (nothing partial is left).
void SaveSkippedRows(const TImportRows& rows, const std::vector<QString>& reasons,
                     const QString& path);
