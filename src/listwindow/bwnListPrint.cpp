#include "listwindow/bwnListPrint.h"

#include "basewindows/wnWorkProgress.h"
#include "platform/untApplication.h"

#include <QAction>
#include <QCoreApplication>
#include <QGraphicsView>
#include <QLabel>
#include <QPaintEngine>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>

namespace
{
const QString kPaintPhase = QStringLiteral("正在绘制页面…");

// The preview keeps a picture of every page, painted on the window's thread before it shows: a
// long list is previewed by its first pages (the print button prints them all).
constexpr int kPreviewPages = 50;

// The preview's print button: Qt's own opens a print dialog that also prints to a file, whose
// file field overwrites any file (an open database's among them) and waits forever on a pipe.
QAction* PreviewPrintAction(const QPrintPreviewDialog& preview)
{
    const QString text = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    for (QAction* a : preview.findChildren<QAction*>())
        if (a->text() == text)
            return a;
    return nullptr;
}

void RefuseFilePrinting()
{
    ShowMessage(QStringLiteral("打印只能送往打印机，不能打印到文件。要保存成文件，请用导出。"),
                CaptionRefuse(), MsgIcon::Warning);
}

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

bool PrintsToPrinter(const QPrinter& printer)
{
    return printer.outputFormat() == QPrinter::NativeFormat && printer.outputFileName().isEmpty() &&
           !printer.printerName().isEmpty();
}

bool AskPrinter(QPrinter* printer, QWidget* parent)
{
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        ShowMessage(QStringLiteral("没有可用的打印机，无法打印。要保存成文件，请用导出。"),
                    CaptionInfo(), MsgIcon::Information);
        return false;
    }
    QPrintDialog dialog(printer, parent);
    dialog.setObjectName(QStringLiteral("dlgPrint"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    if (Application->ExecModal(&dialog) != QDialog::Accepted)
        return false;
    if (PrintsToPrinter(*printer))
        return true;
    RefuseFilePrinting();
    return false;
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
    // Counted again when the preview lays the pages out anew (another orientation, say).
    const auto title = [&](const QPrinter& p) {
        const int pages = painter->PageCount(p);
        preview.setWindowTitle(pages > kPreviewPages
                                   ? QStringLiteral("打印预览 — 共 %L1 页，预览前 %L2 页")
                                         .arg(pages)
                                         .arg(kPreviewPages)
                                   : QStringLiteral("打印预览 — 共 %L1 页").arg(pages));
    };
    title(*printer);
    // Every page, beside the window; the preview closes meanwhile.
    const auto print = [&] {
        StartTablePrint(work, painter, printer,
                        [status](TWorkOutcome outcome, const QString& error) {
                            ShowPrintOutcome(status, outcome, error);
                        });
    };
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, window, [&](QPrinter* p) {
        Guarded(window, [&] {
            if (PaintsPreview(p)) {
                painter->Paint(*p, {}, kPreviewPages);
                title(*p);
            } else if (PrintsToPrinter(*p)) // Qt's own print button, were it left
                print();
            else
                RefuseFilePrinting();
        });
    });
    if (QAction* button = PreviewPrintAction(preview)) {
        QObject::disconnect(button, &QAction::triggered, &preview, nullptr);
        QObject::connect(button, &QAction::triggered, &preview, [&] {
            Guarded(window, [&] {
                if (AskPrinter(printer.get(), &preview)) {
                    print();
                    preview.accept();
                }
            });
        });
    }
    // Page keys turn the pages at once, without a click on them first.
    if (auto* pages = preview.findChild<QGraphicsView*>())
        QTimer::singleShot(0, pages, [pages] { pages->setFocus(); });
    Application->ExecModal(&preview);
}
