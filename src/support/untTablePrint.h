#pragma once
// Painting a table (the grid as shown) on pages: a printer, the print preview or a PDF file.

#include "support/untPrintLayout.h"
#include "support/untTableExport.h"

#include <QFont>
#include <QImage>
#include <functional>

class QPagedPaintDevice;
class QPainter;

// The table with what is printed around it: the title, the filters, the operator and date
// at the foot, the page numbers. Every page repeats the title and the header row.
struct TPrintDocument {
    TExportTable Table;
    int KeyColumn = -1;           // repeated at the start of every column group
    bool LastRowIsTotals = false; // printed in bold
    TPrintTexts Texts;
    QFont Font;    // the family; the sizes are the printer's
    QImage Figure; // when set, a page of its own before the table (a chart), scaled to fit
};

// Told after each page; false cancels.
using TPrintProgress = std::function<bool(int pagesDone, int pages)>;

// Paints a document on any paged device (a printer, the preview's, a PDF writer), on any thread.
class TTablePainter
{
public:
    explicit TTablePainter(TPrintDocument document);

    // The table's pages on that device (its page size and resolution as set).
    TPrintLayout Layout(const QPagedPaintDevice& device) const;
    // Every page on that device: the figure's and the table's.
    int PageCount(const QPagedPaintDevice& device) const;
    // Paints pages [0, maxPages) (-1: all) and ends the painting. False when cancelled: then
    // `abandon` runs before the painting ends (a printer's job is aborted there). Raises
    // Exception when the device cannot be painted.
    bool Paint(QPagedPaintDevice& device, const TPrintProgress& progress = {}, int maxPages = -1,
               const std::function<void()>& abandon = {}) const;

    const TPrintDocument& Document() const { return m_doc; }

private:
    struct Fonts;
    void PaintPage(QPainter& painter, const TPrintLayout& layout, const Fonts& fonts, int page,
                   const QRectF& area) const;
    void PaintFigurePage(QPainter& painter, const Fonts& fonts, int pages,
                         const QRectF& area) const;
    // The title and the filters at the top; returns where the page's content begins.
    double PaintHead(QPainter& painter, const Fonts& fonts, const QRectF& area) const;
    void PaintFoot(QPainter& painter, const Fonts& fonts, int number, int pages,
                   const QRectF& area) const;

    TPrintDocument m_doc;
};

// Landscape A4 with 12 mm margins: what printing and PDF files start with.
void SetListPageLayout(QPagedPaintDevice& device);

// Writes the document's pages to a PDF file through a temporary file that takes the path's place
// only when complete. False when cancelled; raises Exception with the cause (as the exports
// name it) when it cannot be written, leaving a file already there as it was.
bool PrintTablePdf(const TTablePainter& painter, const QString& path,
                   const TPrintProgress& progress = {});
