// Printing the list as shown (with a preview) and writing its pages to a PDF file.
#include "listwindow/bwnQuindle.h"

#include "basewindows/wnWorkProgress.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnListPrint.h"
#include "platform/untApplication.h"
#include "platform/untFileDialog.h"
#include "support/untTableExport.h"

#include <QChildEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace
{
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
} // namespace

TPrintDocument TbfrmQuindle::PrintDocument() const
{
    TPrintDocument doc;
    doc.Table = GridExportTable(ngdBudget);
    for (int c = 0; c < doc.Table.Columns.size(); ++c)
        if (doc.Table.Columns[c].Name == QLatin1String("budgid"))
            doc.KeyColumn = c;
    // The grid's last row is its totals row "合计".
    doc.LastRowIsTotals = doc.Table.Rows > 0;
    doc.Texts.Title = ExportSheetName() + QStringLiteral(" — ") + SelectedUnitName;
    QStringList filters;
    if (!cobbkid->currentText().isEmpty())
        filters << QStringLiteral("预算来源：%1").arg(cobbkid->currentText());
    if (!cobMid->currentText().isEmpty())
        filters << QStringLiteral("资金性质：%1").arg(cobMid->currentText());
    if (!pnlChild->isHidden())
        filters << QStringLiteral("指标子类型：%1").arg(cobChild->currentText());
    doc.Texts.Filters = filters.join(QStringLiteral("    "));
    doc.Texts.Operator = CurrentUserText(1);
    doc.Texts.Date = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    doc.Font = ngdBudget->font();
    return doc;
}

void TbfrmQuindle::mnuPrintClick()
{
    if (Filling() || ngdBudget->RowCount() == 0 || Work()->Busy())
        return;
    auto painter = std::make_shared<const TTablePainter>(PrintDocument());
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    SetListPageLayout(*printer);
    printer->setDocName(painter->Document().Texts.Title);
    QPrintPreviewDialog preview(printer.get(), this);
    preview.setObjectName(QStringLiteral("dlgPrintPreview"));
    TNoFilePrinting noFiles(&preview);
    preview.installEventFilter(&noFiles);
    const int pages = painter->Layout(*printer).PageCount();
    preview.setWindowTitle(
        pages > kPreviewPages
            ? QStringLiteral("打印预览 — 共 %L1 页，预览前 %L2 页").arg(pages).arg(kPreviewPages)
            : QStringLiteral("打印预览 — 共 %L1 页").arg(pages));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* p) {
        Guarded(this, [&] {
            if (PaintsPreview(p)) {
                painter->Paint(*p, {}, kPreviewPages);
                return;
            }
            // The print button: every page, beside the window; the dialog closes meanwhile.
            StartTablePrint(Work(), painter, printer,
                            [this](TWorkOutcome outcome, const QString& error) {
                                switch (outcome) {
                                case TWorkOutcome::Done:
                                    labStatus->setText(QStringLiteral("已送往打印机"));
                                    return;
                                case TWorkOutcome::Cancelled:
                                    labStatus->setText(QStringLiteral("打印已取消"));
                                    return;
                                case TWorkOutcome::Failed:
                                    labStatus->setText(QStringLiteral("打印失败"));
                                    ShowMessage(QStringLiteral("打印失败：%1").arg(error),
                                                CaptionRefuse(), MsgIcon::Error);
                                    return;
                                }
                            });
        });
    });
    Application->ExecModal(&preview);
}

void TbfrmQuindle::mnuPdfClick()
{
    if (Filling() || ngdBudget->RowCount() == 0)
        return;
    TFileDialog dialog(this, QStringLiteral("导出PDF"), ExportProposal(),
                       QStringLiteral("PDF 文件 (*.pdf)"));
    dialog.setObjectName(QStringLiteral("dlgPdf"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    const QString path = dialog.Choose();
    if (!path.isEmpty())
        ExportPdf(path);
}

bool TbfrmQuindle::ExportPdf(const QString& path)
{
    auto painter = std::make_shared<const TTablePainter>(PrintDocument());
    return StartTablePdf(
        Work(), painter, path, [this, path](TWorkOutcome outcome, const QString& error) {
            switch (outcome) {
            case TWorkOutcome::Done:
                RememberExportFolder(path);
                labStatus->setText(QStringLiteral("已导出PDF"));
                if (SysParams().ShowSuccessMsg == QLatin1String("1"))
                    ShowMessage(
                        QStringLiteral("已导出PDF到%1。").arg(QDir::toNativeSeparators(path)),
                        CaptionInfo(), MsgIcon::Information);
                return;
            case TWorkOutcome::Cancelled:
                labStatus->setText(QStringLiteral("导出PDF已取消，没有写出文件"));
                return;
            case TWorkOutcome::Failed:
                labStatus->setText(QStringLiteral("导出PDF失败"));
                ShowMessage(error, CaptionRefuse(), MsgIcon::Error);
                return;
            }
        });
}
