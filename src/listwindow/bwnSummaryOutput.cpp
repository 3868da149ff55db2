#include "listwindow/bwnSummaryOutput.h"

#include "basewindows/wnBsCld.h"
#include "context/untWorkContext.h"
#include "listwindow/bwnListExport.h"
#include "listwindow/bwnListPrint.h"
#include "platform/untApplication.h"
#include "platform/untException.h"
#include "platform/untFileDialog.h"
#include "sheets/untFileReplacement.h"
#include "sheets/untSheetFormats.h"

#include <QBuffer>
#include <QChartView>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSvgGenerator>
#include <QTableView>
#include <algorithm>
#include <cmath>

namespace
{
QString SaveFileName(QWidget* parent, const QString& caption, const QString& name,
                     const QStringList& filters, const QStringList& suffixes)
{
    TFileDialog dialog(parent, caption, ExportFolder() + QLatin1Char('/') + name,
                       filters.join(QStringLiteral(";;")));
    dialog.SetSaveSuffixes(suffixes);
    return dialog.Choose();
}
} // namespace

TSummaryOutput::TSummaryOutput(TfrmBsCld* window, const TSummaryControls& ui, const bool& hasResult,
                               const TSummaryTable& table, const QString& unitName)
    : m_window(window), m_ui(ui), m_hasResult(hasResult), m_table(table), m_unitName(unitName)
{
}

void TSummaryOutput::ExportTable()
{
    if (!m_hasResult || m_window->WorkRunning())
        return;
    const QString path = SaveFileName(
        m_window, QStringLiteral("导出汇总表"),
        QStringLiteral("%1年汇总-%2").arg(WorkingDataYear()).arg(m_ui.cobBy->currentText()),
        SaveFilters().split(QStringLiteral(";;")), SaveSuffixes());
    if (!path.isEmpty())
        ExportTableTo(path);
}

// The rows as shown, 合计 last; amounts with their exact digits. In a file a sum that could
// not be added exactly is a number to two decimals, marked 近似值 in a column of its own (as
// shown, "≈1,234.56" is text to a spreadsheet).
TExportTable TSummaryOutput::ShownTable(bool forFile) const
{
    auto rows = std::make_shared<std::vector<TSummaryRow>>(m_table.Rows);
    rows->push_back(m_table.Total);
    const TMoneySum total = m_table.Total.Amount;
    TExportTable table;
    table.Columns = {{QStringLiteral("分组"), false, 36},
                     {QStringLiteral("笔数"), false, 10, {}, TExportNumber::Count},
                     {m_ui.cobAmount->currentText(), true, 20},
                     {QStringLiteral("占比"), false, 10, {}, TExportNumber::Share}};
    const bool marked = forFile && std::any_of(rows->begin(), rows->end(),
                                               [](const auto& row) { return !row.Amount.Exact(); });
    if (marked)
        table.Columns.append({QStringLiteral("说明"), false, 10});
    table.Rows = int(rows->size());
    table.Text = [rows, total, forFile](int r, int c) {
        const TSummaryRow& row = (*rows)[size_t(r)];
        if (c == kSummaryColumns)
            return row.Amount.Exact() ? QString() : QStringLiteral("近似值");
        if (forFile && c == 2 && !row.Amount.Exact())
            return QString::number(row.Amount.Value(), 'f', 2);
        return SummaryCellText(row, c, total, false);
    };
    table.Amount = [rows, forFile](int r, int c) -> std::optional<Currency> {
        if (c != 2)
            return std::nullopt;
        const TMoneySum& sum = (*rows)[size_t(r)].Amount;
        if (sum.Exact())
            return Currency::FromText(sum.Text());
        const double yuan = std::round(sum.Value() * 100) / 100;
        if (!forFile || !(std::abs(yuan) <= double(Currency::kLimitRaw) / 10000))
            return std::nullopt;
        return Currency::FromDouble(yuan);
    };
    // In a workbook the counts and shares are numbers a spreadsheet can add up.
    table.Number = [rows, total](int r, int c) -> std::optional<double> {
        const TSummaryRow& row = (*rows)[size_t(r)];
        if (c == 1)
            return double(row.Count);
        return c == 3 ? ShareOf(row.Amount, total) : std::nullopt;
    };
    return table;
}

bool TSummaryOutput::ExportTableTo(const QString& path)
{
    if (!m_hasResult)
        return false;
    const TExportTable table = ShownTable(true);
    const QString sheet =
        SheetNameOf(QStringLiteral("%1年%2").arg(WorkingDataYear()).arg(m_ui.cobBy->currentText()));
    return StartTableExport(
        m_window->Work(), table, path, sheet,
        [status = m_ui.labStatus, path](TWorkOutcome outcome, const QString& error) {
            ShowFileOutcome(status, outcome, error, path,
                            {QStringLiteral("汇总表已导出到%1").arg(QDir::toNativeSeparators(path)),
                             QString(), QStringLiteral("导出已取消，没有写入文件"),
                             QStringLiteral("导出失败")});
        });
}

void TSummaryOutput::ExportChart()
{
    if (!m_hasResult)
        return;
    const QString path = SaveFileName(
        m_window, QStringLiteral("导出图表"),
        QStringLiteral("%1年汇总图-%2").arg(WorkingDataYear()).arg(m_ui.cobBy->currentText()),
        {QStringLiteral("PNG 图片 (*.png)"), QStringLiteral("SVG 矢量图 (*.svg)")},
        {QStringLiteral("png"), QStringLiteral("svg")});
    if (!path.isEmpty())
        ExportChartTo(path);
}

// Drawn in memory, then written through the exports' file replacement: the file takes the
// path's place only when complete.
bool TSummaryOutput::ExportChartTo(const QString& path)
{
    const QSize size = m_ui.chvSummary->size().expandedTo(QSize(800, 500));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(m_window->windowTitle());
        QPainter painter(&svg);
        m_ui.chvSummary->render(&painter, QRectF(QPoint(0, 0), size));
    } else {
        ChartImage(size).save(&buffer, "PNG");
    }
    try {
        TFileReplacement file(WritableTarget(path));
        file.Write(bytes);
        file.Commit();
    } catch (const Exception& e) {
        m_ui.labStatus->setText(QStringLiteral("导出失败"));
        ShowMessage(e.Message(), CaptionRefuse(), MsgIcon::Error);
        return false;
    }
    RememberExportFolder(path);
    m_ui.labStatus->setText(QStringLiteral("图表已导出到%1").arg(QDir::toNativeSeparators(path)));
    return true;
}

QImage TSummaryOutput::ChartImage(QSize size) const
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    m_ui.chvSummary->render(&painter, QRectF(QPoint(0, 0), size));
    return image;
}

TPrintDocument TSummaryOutput::Document() const
{
    TPrintDocument doc;
    doc.Table = ShownTable(false);
    doc.KeyColumn = 0;
    doc.LastRowIsTotals = true;
    doc.Texts.Title = QStringLiteral("%1年%2汇总分析 — %3")
                          .arg(WorkingDataYear())
                          .arg(m_ui.cobBType->currentText(), m_unitName);
    QStringList filters{QStringLiteral("汇总方式：%1").arg(m_ui.cobBy->currentText()),
                        QStringLiteral("金额：%1").arg(m_ui.cobAmount->currentText())};
    if (!m_ui.cobbkid->currentText().isEmpty())
        filters << QStringLiteral("预算来源：%1").arg(m_ui.cobbkid->currentText());
    if (!m_ui.cobMid->currentText().isEmpty())
        filters << QStringLiteral("资金性质：%1").arg(m_ui.cobMid->currentText());
    doc.Texts.Filters = filters.join(QStringLiteral("    "));
    doc.Texts.Operator = CurrentUserText(1);
    doc.Texts.Date = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    doc.Font = m_ui.grdSummary->font();
    // Twice the chart's size on the screen: sharp enough on paper, its shape as shown.
    doc.Figure = ChartImage(m_ui.chvSummary->size().expandedTo(QSize(800, 500)) * 2);
    return doc;
}

void TSummaryOutput::Print()
{
    if (!m_hasResult || m_window->WorkRunning())
        return;
    PreviewAndPrint(m_window, m_window->Work(), std::make_shared<const TTablePainter>(Document()),
                    m_ui.labStatus);
}
