#pragma once
// Writing the list as shown to a workbook or CSV file, beside the list.

#include "support/untTableExport.h"
#include "support/untWorkRunner.h"

#include <QString>
#include <functional>

class QLabel;
class TWindowWork;

// The folder the last export went to (the home folder at first), and remembering a file's
// folder: only a folder that took a file is offered next time.
QString ExportFolder();
void RememberExportFolder(const QString& filePath);

// How a file written beside a window came out, on the window's status line; a failure's
// reason also in a message, a success's message (if any) when the settings ask for it, and the
// folder of a written file remembered.
struct TFileOutcomeTexts {
    QString Done;
    QString DoneMessage; // empty: none
    QString Cancelled;
    QString Failed;
};
void ShowFileOutcome(QLabel* status, TWorkOutcome outcome, const QString& error,
                     const QString& path, const TFileOutcomeTexts& texts);

// Writes the table on the window's work, in the phases 写入 (the rows) and, for a workbook,
// 打包 (the file is packed; that cannot stop half-way, so a cancel then takes effect when it
// ends). A cancelled or failed export leaves no file. `done` runs on the window's thread; false
// when the work could not start.
bool StartTableExport(TWindowWork* work, TExportTable table, const QString& path,
                      const QString& sheetName,
                      std::function<void(TWorkOutcome outcome, const QString& error)> done);
