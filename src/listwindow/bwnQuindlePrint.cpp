// Printing the list as shown (with a preview) and writing its pages to a PDF file.
#include "listwindow/bwnQuindle.h"

#include "basewindows/wnWorkProgress.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnListPrint.h"
#include "platform/untApplication.h"
#include "platform/untFileDialog.h"
#include "support/untTableExport.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFrame>
#include <QLabel>

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
    PreviewAndPrint(this, Work(), std::make_shared<const TTablePainter>(PrintDocument()),
                    labStatus);
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
