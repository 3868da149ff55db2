// The summary window's controls and its two exports (the table, the chart).
#include "listwindow/bwnSummary.h"

#include "basewindows/wnIcons.h"
#include "context/untWorkContext.h"
#include "controls/TTreeView.h"
#include "elements/gunfunElement.h"
#include "listwindow/bwnListExport.h"
#include "listwindow/bwnListPrint.h"
#include "listwindow/bwnListScope.h"
#include "platform/untApplication.h"
#include "platform/untFileDialog.h"
#include "platform/untException.h"
#include "platform/untCodePage.h"
#include "sheets/untFileReplacement.h"
#include "sheets/untSheetFormats.h"
#include "support/gunChoiceCombo.h"
#include "support/untDynamicTree.h"

#include <QAction>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QSettings>
#include <QSplitter>
#include <QSvgGenerator>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace
{
const char* const kFolderKey = "Export/folder";

QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items = {})
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    return c;
}

QString SaveFileName(QWidget* parent, const QString& caption, const QString& name,
                     const QStringList& filters, const QStringList& suffixes)
{
    const QString folder =
        QSettings().value(QLatin1String(kFolderKey), QDir::homePath()).toString();
    TFileDialog dialog(parent, caption, folder + QLatin1Char('/') + name,
                       filters.join(QStringLiteral(";;")));
    dialog.SetSaveSuffixes(suffixes);
    return dialog.Choose();
}
} // namespace

void TbfrmSummary::BuildControls()
{
    auto action = [this](const char* name, const QString& caption, const QIcon& icon) {
        auto* a = new QAction(icon, caption, this);
        a->setObjectName(QLatin1String(name));
        tblChildMain->addAction(a);
        return a;
    };
    tblChildMain->setIconSize(QSize(24, 24));
    tbtnRefresh = action("tbtnRefresh", QStringLiteral("刷新"), IconModify());
    tbtnRefresh->setShortcut(QKeySequence(Qt::Key_F5));
    tbtnExport = action("tbtnExport", QStringLiteral("导出表格"), IconExport());
    tbtnExport->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    tbtnExportChart = action("tbtnExportChart", QStringLiteral("导出图表"), IconExport());
    tbtnPrint = action("tbtnPrint", QStringLiteral("打印"), IconPrint());
    tbtnPrint->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    tblChildMain->addSeparator();
    tbtnColse = action("tbtnColse", QStringLiteral("退出"), IconExit());
    KeepDuringWork(tbtnColse);
    auto* space = new QWidget(tblChildMain);
    space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    tblChildMain->addWidget(space);
    labStatus = new QLabel(tblChildMain);
    labStatus->setObjectName(QStringLiteral("labStatus"));
    labStatus->setContentsMargins(0, 0, 8, 0);
    tblChildMain->addWidget(labStatus);
    for (QAction* a : {tbtnRefresh, tbtnExport, tbtnPrint})
        a->setShortcutContext(Qt::WindowShortcut);
    // The host's menu bar carries them while the window is active.
    mitemDataVind->addActions({tbtnRefresh, tbtnExport, tbtnExportChart, tbtnPrint});
    mitemOption->addAction(tbtnColse);
    const auto wire = [this](QAction* a, auto handler) {
        connect(a, &QAction::triggered, this, [this, handler] { Guarded(this, handler); });
    };
    wire(tbtnRefresh, [this] { RunSummary(); });
    wire(tbtnExport, [this] { ExportTableClick(); });
    wire(tbtnExportChart, [this] { ExportChartClick(); });
    wire(tbtnPrint, [this] { PrintClick(); });
    wire(tbtnColse, [this] { close(); });

    BuildFilters(pnlLeft);
    connect(trvList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        if (!node)
            return; // a tree cleared or rebuilt: nothing chosen yet
        Guarded(this, [this, node] {
            UnitOfNode(trvList, node, SelectedUnitCode, SelectedUnitName);
            FilterChanged(1); // the money kinds offered depend on the unit
            RunSummary();
        });
    });

    auto* choices = new QFrame(pnlRightTop);
    auto* row = new QHBoxLayout(choices);
    row->setContentsMargins(4, 2, 4, 2);
    cobBy = Combo(choices, "cobBy", SummaryByCaptions());
    cobAmount = Combo(choices, "cobAmount", SummaryAmountCaptions());
    cobChart = Combo(choices, "cobChart", {QStringLiteral("柱状图"), QStringLiteral("饼图")});
    row->addWidget(new QLabel(QStringLiteral("汇总方式"), choices));
    row->addWidget(cobBy);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("金额"), choices));
    row->addWidget(cobAmount);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("图表"), choices));
    row->addWidget(cobChart);
    row->addStretch(1);
    connect(cobBy, &QComboBox::activated, this,
            [this] { Guarded(this, [this] { RunSummary(); }); });
    // The amount and the chart's kind need no new sums.
    connect(cobAmount, &QComboBox::activated, this,
            [this] { Guarded(this, [this] { ShowResult(); }); });
    connect(cobChart, &QComboBox::activated, this,
            [this] { Guarded(this, [this] { DrawChart(); }); });

    auto* split = new QSplitter(Qt::Horizontal, pnlRightTop);
    split->setObjectName(QStringLiteral("splSummary"));
    grdSummary = new QTableWidget(0, 4, split);
    grdSummary->setObjectName(QStringLiteral("grdSummary"));
    grdSummary->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdSummary->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdSummary->setSelectionMode(QAbstractItemView::SingleSelection);
    grdSummary->verticalHeader()->hide();
    grdSummary->horizontalHeader()->setStretchLastSection(true);
    connect(grdSummary, &QTableWidget::cellClicked, this,
            [this](int r, int) { Guarded(this, [this, r] { OpenTableRow(r); }); });
    connect(grdSummary, &QTableWidget::activated, this, [this](const QModelIndex& index) {
        Guarded(this, [this, r = index.row()] { OpenTableRow(r); });
    });
    chvSummary = new QChartView(new QChart, split);
    chvSummary->setObjectName(QStringLiteral("chvSummary"));
    chvSummary->setRenderHint(QPainter::Antialiasing);
    chvSummary->chart()->setAnimationOptions(QChart::NoAnimation);
    split->addWidget(grdSummary);
    split->addWidget(chvSummary);
    split->setSizes({470, 520});
    auto* layout = new QVBoxLayout(pnlRightTop);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(choices);
    layout->addWidget(split, 1);
    pnlTopMessage->setFixedHeight(5);
    pnlBBotton->hide();
    Splitter2->handle(1)->hide();
    Splitter1->setSizes({240, 860});
}

void TbfrmSummary::BuildFilters(QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QStringLiteral("pnlFilters"));
    auto* grid = new QVBoxLayout(panel);
    grid->setContentsMargins(4, 4, 4, 4);
    const auto line = [&](const QString& caption, QComboBox* combo, QWidget* host) {
        auto* l = new QHBoxLayout;
        l->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(caption, host);
        label->setFixedWidth(64);
        l->addWidget(label);
        l->addWidget(combo, 1);
        return l;
    };
    cobBType = Combo(panel, "cobBType");
    cobbkid = Combo(panel, "cobbkid");
    cobMid = Combo(panel, "cobMid");
    grid->addLayout(line(QStringLiteral("指标类型"), cobBType, panel));
    grid->addLayout(line(QStringLiteral("预算来源"), cobbkid, panel));
    grid->addLayout(line(QStringLiteral("资金性质"), cobMid, panel));
    pnlChild = new QFrame(panel);
    pnlChild->setObjectName(QStringLiteral("pnlChild"));
    cobChild = Combo(pnlChild, "cobChild",
                     {AllEntryText(), QStringLiteral("年初预算"), QStringLiteral("调整追加预算")});
    auto* childLine = line(QStringLiteral("指标子类型"), cobChild, pnlChild);
    pnlChild->setLayout(childLine);
    grid->addWidget(pnlChild);
    auto* radios = new QGroupBox(panel);
    auto* radioLine = new QHBoxLayout(radios);
    radioLine->setContentsMargins(4, 2, 4, 2);
    rgpShowEidItems[0] = new QRadioButton(QStringLiteral("显示代录单位"), radios);
    rgpShowEidItems[1] = new QRadioButton(QStringLiteral("显示全部单位"), radios);
    rgpShowEidItems[0]->setChecked(true);
    for (QRadioButton* r : rgpShowEidItems) {
        radioLine->addWidget(r);
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on && m_shown)
                Guarded(this, [this] {
                    SetUpUnitTree(DytDept, trvList, rgpShowEidItems[0]->isChecked());
                });
        });
    }
    grid->addWidget(radios);
    static_cast<QVBoxLayout*>(parent->layout())->insertWidget(0, panel);

    const QComboBox* combos[] = {cobBType, cobbkid, cobMid, cobChild};
    for (int i = 0; i < 4; ++i)
        connect(combos[i], &QComboBox::activated, this, [this, i] {
            Guarded(this, [this, i] {
                FilterChanged(i);
                RunSummary();
            });
        });
}

void TbfrmSummary::ExportTableClick()
{
    if (!m_hasResult || WorkRunning())
        return;
    const QString path =
        SaveFileName(this, QStringLiteral("导出汇总表"),
                     QStringLiteral("%1年汇总-%2").arg(WorkingDataYear()).arg(cobBy->currentText()),
                     SaveFilters().split(QStringLiteral(";;")), SaveSuffixes());
    if (!path.isEmpty())
        ExportTableTo(path);
}

// The rows as shown, 合计 last; amounts with their exact digits.
TExportTable TbfrmSummary::ShownTable() const
{
    auto rows = std::make_shared<std::vector<TSummaryRow>>(m_table.Rows);
    rows->push_back(m_table.Total);
    const TMoneySum total = m_table.Total.Amount;
    TExportTable table;
    table.Columns = {{QStringLiteral("分组"), false, 36},
                     {QStringLiteral("笔数"), false, 10},
                     {cobAmount->currentText(), true, 20},
                     {QStringLiteral("占比"), false, 10}};
    table.Rows = int(rows->size());
    table.Text = [rows, total](int r, int c) {
        const TSummaryRow& row = (*rows)[size_t(r)];
        switch (c) {
        case 0:
            return row.Caption;
        case 1:
            return QString::number(row.Count);
        case 2:
            return FormatAmountText(row.Amount.Text());
        default:
            return ShareText(row.Amount, total);
        }
    };
    table.Amount = [rows](int r, int c) -> std::optional<Currency> {
        if (c != 2 || !(*rows)[size_t(r)].Amount.Exact())
            return std::nullopt;
        return Currency::FromText((*rows)[size_t(r)].Amount.Text());
    };
    return table;
}

bool TbfrmSummary::ExportTableTo(const QString& path)
{
    if (!m_hasResult)
        return false;
    const TExportTable table = ShownTable();
    const QString sheet =
        SheetNameOf(QStringLiteral("%1年%2").arg(WorkingDataYear()).arg(cobBy->currentText()));
    return StartTableExport(
        Work(), table, path, sheet, [this, path](TWorkOutcome outcome, const QString& error) {
            if (outcome == TWorkOutcome::Done) {
                QSettings().setValue(QLatin1String(kFolderKey), QFileInfo(path).absolutePath());
                labStatus->setText(
                    QStringLiteral("汇总表已导出到%1").arg(QDir::toNativeSeparators(path)));
            } else if (outcome == TWorkOutcome::Cancelled) {
                labStatus->setText(QStringLiteral("导出已取消，没有写入文件"));
            } else {
                labStatus->setText(QStringLiteral("导出失败"));
                ShowMessage(error, CaptionRefuse(), MsgIcon::Error);
            }
        });
}

void TbfrmSummary::ExportChartClick()
{
    if (!m_hasResult)
        return;
    const QString path = SaveFileName(
        this, QStringLiteral("导出图表"),
        QStringLiteral("%1年汇总图-%2").arg(WorkingDataYear()).arg(cobBy->currentText()),
        {QStringLiteral("PNG 图片 (*.png)"), QStringLiteral("SVG 矢量图 (*.svg)")},
        {QStringLiteral("png"), QStringLiteral("svg")});
    if (!path.isEmpty())
        ExportChartTo(path);
}

// Drawn in memory, then written through the exports' file replacement: the file takes the
// path's place only when complete.
bool TbfrmSummary::ExportChartTo(const QString& path)
{
    const QSize size = chvSummary->size().expandedTo(QSize(800, 500));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(windowTitle());
        QPainter painter(&svg);
        chvSummary->render(&painter, QRectF(QPoint(0, 0), size));
    } else {
        ChartImage(size).save(&buffer, "PNG");
    }
    try {
        TFileReplacement file(WritableTarget(path));
        file.Write(bytes);
        file.Commit();
    } catch (const Exception& e) {
        labStatus->setText(QStringLiteral("导出失败"));
        ShowMessage(e.Message(), CaptionRefuse(), MsgIcon::Error);
        return false;
    }
    QSettings().setValue(QLatin1String(kFolderKey), QFileInfo(path).absolutePath());
    labStatus->setText(QStringLiteral("图表已导出到%1").arg(QDir::toNativeSeparators(path)));
    return true;
}

QImage TbfrmSummary::ChartImage(QSize size) const
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    chvSummary->render(&painter, QRectF(QPoint(0, 0), size));
    return image;
}

TPrintDocument TbfrmSummary::PrintDocument() const
{
    TPrintDocument doc;
    doc.Table = ShownTable();
    doc.KeyColumn = 0;
    doc.LastRowIsTotals = true;
    doc.Texts.Title =
        QStringLiteral("%1年汇总分析 — %2").arg(WorkingDataYear()).arg(SelectedUnitName);
    QStringList filters{QStringLiteral("汇总方式：%1").arg(cobBy->currentText()),
                        QStringLiteral("金额：%1").arg(cobAmount->currentText())};
    if (!cobbkid->currentText().isEmpty())
        filters << QStringLiteral("预算来源：%1").arg(cobbkid->currentText());
    if (!cobMid->currentText().isEmpty())
        filters << QStringLiteral("资金性质：%1").arg(cobMid->currentText());
    doc.Texts.Filters = filters.join(QStringLiteral("    "));
    doc.Texts.Operator = CurrentUserText(1);
    doc.Texts.Date = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    doc.Font = grdSummary->font();
    // Twice the chart's size on the screen: sharp enough on paper, its shape as shown.
    doc.Figure = ChartImage(chvSummary->size().expandedTo(QSize(800, 500)) * 2);
    return doc;
}

void TbfrmSummary::PrintClick()
{
    if (!m_hasResult || WorkRunning())
        return;
    PreviewAndPrint(this, Work(), std::make_shared<const TTablePainter>(PrintDocument()),
                    labStatus);
}
