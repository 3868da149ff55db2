#include "listwindow/bwnListOutput.h"

#include "basewindows/wnBsCld.h"
#include "basewindows/wnWorkProgress.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnListExport.h"
#include "listwindow/bwnListPrint.h"
#include "listwindow/bwnListRows.h"
#include "listwindow/bwnListScope.h"
#include "platform/untApplication.h"
#include "platform/untFileDialog.h"
#include "sheets/untSheetFormats.h"
#include "support/untTableExport.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFrame>
#include <QLabel>

namespace
{
// A file name without the characters file systems refuse.
QString FileNameOf(QString text)
{
    for (QChar& c : text)
        if (QStringLiteral("\\/:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = u'_';
    return text;
}
} // namespace

TListOutput::TListOutput(TfrmBsCld* window, const TListControls& ui, const TListScope& scope,
                         const TListRows& rows)
    : m_window(window), m_ui(ui), m_scope(scope), m_rows(rows)
{
}

// A whole list with rows: nothing is written of a list still arriving.
bool TListOutput::Listed() const
{
    return !m_rows.Filling() && m_ui.ngdBudget->RowCount() > 0;
}

QString TListOutput::SheetName() const
{
    return QStringLiteral("%1年%2").arg(WorkingDataYear()).arg(m_ui.cobBType->currentText());
}

QString TListOutput::Proposal() const
{
    return ExportFolder() + QLatin1Char('/') +
           FileNameOf(SheetName() + QLatin1Char('-') + m_scope.UnitName());
}

void TListOutput::Export()
{
    if (!Listed())
        return;
    TFileDialog dialog(m_window, QStringLiteral("导出预算指标"), Proposal(), SaveFilters());
    dialog.setObjectName(QStringLiteral("dlgExport"));
    dialog.SetSaveSuffixes(SaveSuffixes());
    const QString path = dialog.Choose();
    if (!path.isEmpty())
        ExportList(path);
}

bool TListOutput::ExportList(const QString& path)
{
    const int rows = m_rows.RowsRead(); // the indicators; the file also holds the totals row
    QLabel* status = m_ui.labStatus;
    return StartTableExport(m_window->Work(), GridExportTable(m_ui.ngdBudget), path, SheetName(),
                            [status, rows, path](TWorkOutcome outcome, const QString& error) {
                                ShowFileOutcome(status, outcome, error, path,
                                                {QStringLiteral("已导出 %L1 条指标").arg(rows),
                                                 QStringLiteral("已导出%L1条指标到%2。")
                                                     .arg(rows)
                                                     .arg(QDir::toNativeSeparators(path)),
                                                 QStringLiteral("导出已取消"),
                                                 QStringLiteral("导出失败")});
                            });
}

TPrintDocument TListOutput::Document() const
{
    TPrintDocument doc;
    doc.Table = GridExportTable(m_ui.ngdBudget);
    for (int c = 0; c < doc.Table.Columns.size(); ++c)
        if (doc.Table.Columns[c].Name == QLatin1String("budgid"))
            doc.KeyColumn = c;
    // The grid's last row is its totals row "合计".
    doc.LastRowIsTotals = doc.Table.Rows > 0;
    doc.Texts.Title = SheetName() + QStringLiteral(" — ") + m_scope.UnitName();
    QStringList filters;
    if (!m_ui.cobbkid->currentText().isEmpty())
        filters << QStringLiteral("预算来源：%1").arg(m_ui.cobbkid->currentText());
    if (!m_ui.cobMid->currentText().isEmpty())
        filters << QStringLiteral("资金性质：%1").arg(m_ui.cobMid->currentText());
    if (!m_ui.pnlChild->isHidden())
        filters << QStringLiteral("指标子类型：%1").arg(m_ui.cobChild->currentText());
    doc.Texts.Filters = filters.join(QStringLiteral("    "));
    doc.Texts.Operator = CurrentUserText(1);
    doc.Texts.Date = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    doc.Font = m_ui.ngdBudget->font();
    return doc;
}

void TListOutput::Print()
{
    if (!Listed() || m_window->Work()->Busy())
        return;
    PreviewAndPrint(m_window, m_window->Work(), std::make_shared<const TTablePainter>(Document()),
                    m_ui.labStatus);
}

void TListOutput::Pdf()
{
    if (!Listed())
        return;
    TFileDialog dialog(m_window, QStringLiteral("导出PDF"), Proposal(),
                       QStringLiteral("PDF 文件 (*.pdf)"));
    dialog.setObjectName(QStringLiteral("dlgPdf"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    const QString path = dialog.Choose();
    if (!path.isEmpty())
        ExportPdf(path);
}

bool TListOutput::ExportPdf(const QString& path)
{
    auto painter = std::make_shared<const TTablePainter>(Document());
    QLabel* status = m_ui.labStatus;
    return StartTablePdf(
        m_window->Work(), painter, path,
        [status, path](TWorkOutcome outcome, const QString& error) {
            ShowFileOutcome(status, outcome, error, path,
                            {QStringLiteral("已导出PDF"),
                             QStringLiteral("已导出PDF到%1。").arg(QDir::toNativeSeparators(path)),
                             QStringLiteral("导出PDF已取消，没有写出文件"),
                             QStringLiteral("导出PDF失败")});
        });
}
