#include "listwindow/bwnListPrint.h"

#include "basewindows/wnWorkProgress.h"
#include "platform/untApplication.h"

#include <QChildEvent>
#include <QLabel>
#include <QPaintEngine>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace
{
const QString kPaintPhase = QStringLiteral("正在绘制页面…");

// The preview keeps a picture of every page, painted on the window's thread before it shows: a
// long list is previewed by its first pages (the print button prints them all).
constexpr int kPreviewPages = 50;

// The preview's own print dialog offers no printing to a file: its file chooser would read the
// folder's files (an open database's among them); 导出PDF… writes files.
class TNoFilePrinting : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::ChildPolished)
            if (auto* d = qobject_cast<QPrintDialog*>(static_cast<QChildEvent*>(e)->child()))
                d->setOption(QAbstractPrintDialog::PrintToFile, false);
        return QObject::eventFilter(watched, e);
    }
};

void ShowPrintOutcome(QLabel* status, TWorkOutcome outcome, const QString& error)
{
    switch (outcome) {
    case TWorkOutcome::Done:
        status->setText(QStringLiteral("已送往打印机"));
        return;
    case TWorkOutcome::Cancelled:
        status->setText(QStringLiteral("打印已取消"));
        return;
    case TWorkOutcome::Failed:
        status->setText(QStringLiteral("打印失败"));
        ShowMessage(QStringLiteral("打印失败：%1").arg(error), CaptionRefuse(), MsgIcon::Error);
        return;
    }
}
} // namespace

bool StartTablePdf(TWindowWork* work, std::shared_ptr<const TTablePainter> painter,
                   const QString& path, TPrintDone done)
{
    auto job = [painter = std::move(painter), path](TWorkControl& control) {
        control.Phase(kPaintPhase);
        return PrintTablePdf(*painter, path,
                             [&](int pages, int total) { return control.Progress(pages, total); });
    };
    return work->Run(QStringLiteral("导出PDF"), job, std::move(done),
                     TWindowWork::Connection::NotNeeded);
}

bool StartTablePrint(TWindowWork* work, std::shared_ptr<const TTablePainter> painter,
                     std::shared_ptr<QPrinter> printer, TPrintDone done)
{
    auto job = [painter = std::move(painter), printer](TWorkControl& control) {
        control.Phase(kPaintPhase);
        return painter->Paint(
            *printer, [&](int pages, int total) { return control.Progress(pages, total); }, -1,
            [&] { printer->abort(); });
    };
    // The printer lives until the window has heard the end.
    return work->Run(
        QStringLiteral("打印"), job,
        [printer, done = std::move(done)](TWorkOutcome outcome, const QString& error) {
            done(outcome, error);
        },
        TWindowWork::Connection::NotNeeded);
}

bool PaintsPreview(const QPrinter* printer)
{
    // The preview swaps in an engine that records pictures of the pages.
    const QPaintEngine* engine = printer->paintEngine();
    return engine && engine->type() == QPaintEngine::Picture;
}

void PreviewAndPrint(QWidget* window, TWindowWork* work,
                     std::shared_ptr<const TTablePainter> painter, QLabel* status)
{
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    SetListPageLayout(*printer);
    printer->setDocName(painter->Document().Texts.Title);
    QPrintPreviewDialog preview(printer.get(), window);
    preview.setObjectName(QStringLiteral("dlgPrintPreview"));
    TNoFilePrinting noFiles(&preview);
    preview.installEventFilter(&noFiles);
    const int pages = painter->PageCount(*printer);
    preview.setWindowTitle(
        pages > kPreviewPages
            ? QStringLiteral("打印预览 — 共 %L1 页，预览前 %L2 页").arg(pages).arg(kPreviewPages)
            : QStringLiteral("打印预览 — 共 %L1 页").arg(pages));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, window, [&](QPrinter* p) {
        Guarded(window, [&] {
            if (PaintsPreview(p)) {
                painter->Paint(*p, {}, kPreviewPages);
                return;
            }
            // The print button: every page, beside the window; the dialog closes meanwhile.
            StartTablePrint(work, painter, printer,
                            [status](TWorkOutcome outcome, const QString& error) {
                                ShowPrintOutcome(status, outcome, error);
                            });
        });
    });
    Application->ExecModal(&preview);
}
