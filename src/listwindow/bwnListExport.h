#pragma once
// Writing the list as shown to a workbook or CSV file, beside the list.

#include "support/untTableExport.h"
#include "support/untWorkRunner.h"

#include <functional>

class TWindowWork;

// Writes the table on the window's work, in the phases 写入 (the rows) and, for a workbook,
// 打包 (the file is packed; that cannot stop half-way, so a cancel then takes effect when it
// ends). A cancelled or failed export leaves no file. `done` runs on the window's thread; false
// when the work could not start.
bool StartTableExport(TWindowWork* work, TExportTable table, const QString& path,
                      const QString& sheetName,
                      std::function<void(TWorkOutcome outcome, const QString& error)> done);
