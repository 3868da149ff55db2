#pragma once
// Printing the list as shown and writing it as a PDF file, beside the list.

#include "support/untTablePrint.h"
#include "support/untWorkRunner.h"

#include <functional>
#include <memory>

class QLabel;
class QPrinter;
class QWidget;
class TWindowWork;

using TPrintDone = std::function<void(TWorkOutcome outcome, const QString& error)>;

// Writes the document's pages to a PDF file on the window's work (phase 绘制, counting pages).
// A cancelled or failed file leaves none behind (a file of that name as it was). `done` runs on
// the window's thread; false when the work could not start.
bool StartTablePdf(TWindowWork* work, std::shared_ptr<const TTablePainter> painter,
                   const QString& path, TPrintDone done);

// Paints every page on the printer on the window's work (QPainter may paint a printer off the
// window's thread); the printer is kept until the work has ended. A cancel aborts the job.
bool StartTablePrint(TWindowWork* work, std::shared_ptr<const TTablePainter> painter,
                     std::shared_ptr<QPrinter> printer, TPrintDone done);

// Whether the printer prints on a printer: not to a file, and one is named.
bool PrintsToPrinter(const QPrinter& printer);
// Asks which printer to print on (never a file); false, said why, when there is none to print on
// or the operator cancels.
bool AskPrinter(QPrinter* printer, QWidget* parent);

// Whether a printer is being painted for the preview (not for printing).
bool PaintsPreview(const QPrinter* printer);

// The print preview of the document over the window (a long one by its first pages); its print
// button prints every page on the window's work, `status` saying how it went.
void PreviewAndPrint(QWidget* window, TWindowWork* work,
                     std::shared_ptr<const TTablePainter> painter, QLabel* status);
