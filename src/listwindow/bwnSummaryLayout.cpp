// The summary window's controls and what each of them sets off.
#include "listwindow/bwnSummary.h"

#include "basewindows/wnIcons.h"
#include "context/untWorkContext.h"
#include "controls/TTreeView.h"
#include "elements/gunfunElement.h"
#include "listwindow/bwnListExport.h"
#include "listwindow/bwnListPrint.h"
#include "listwindow/bwnListScope.h"
#include "listwindow/bwnSummaryModel.h"
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
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

namespace
{
QComboBox* Combo(QWidget* parent, const char* name, const QStringList& items = {})
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    return c;
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
    wire(tbtnRefresh, [this] { RunSummary(true); });
    wire(tbtnExport, [this] { m_output->ExportTable(); });
    wire(tbtnExportChart, [this] { m_output->ExportChart(); });
    wire(tbtnPrint, [this] { m_output->Print(); });
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
    grdSummary = new QTableView(split);
    grdSummary->setObjectName(QStringLiteral("grdSummary"));
    SummaryModel = new TSummaryModel(grdSummary);
    SummaryModel->SetTable({}, false, cobAmount->currentText()); // captions before any summary
    grdSummary->setModel(SummaryModel);
    grdSummary->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdSummary->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdSummary->setSelectionMode(QAbstractItemView::SingleSelection);
    grdSummary->verticalHeader()->hide();
    grdSummary->horizontalHeader()->setStretchLastSection(true);
    connect(grdSummary, &QTableView::clicked, this, [this](const QModelIndex& index) {
        Guarded(this, [this, r = index.row()] { OpenTableRow(r); });
    });
    connect(grdSummary, &QTableView::activated, this, [this](const QModelIndex& index) {
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
    grid->addWidget(UnitChoiceBox(panel, rgpShowEidItems, [this] {
        if (m_shown)
            Guarded(this,
                    [this] { SetUpUnitTree(DytDept, trvList, rgpShowEidItems[0]->isChecked()); });
    }));
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
