#include "listwindow/bwnListPrint.h"

#include "basewindows/wnWorkProgress.h"

#include <QPaintEngine>
#include <QPrinter>

namespace
{
const QString kPaintPhase = QStringLiteral("正在绘制页面…");
}

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
