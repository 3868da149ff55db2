#include "listwindow/bwnSummary.h"

#include "basewindows/wnIcons.h"
#include "context/untWorkContext.h"
#include "controls/TTreeView.h"
#include "listwindow/bwnListExport.h"
#include "listwindow/bwnListScope.h"
#include "listwindow/bwnQuindle.h"
#include "listwindow/bwnSummaryChart.h"
#include "listwindow/bwnSummaryModel.h"
#include "platform/untApplication.h"
#include "platform/untCodePage.h"
#include "plugin/untClassRegist.h"
#include "plugin/untPlugInEntry.h"
#include "plugin/untShareResRefManager.h"
#include "support/gunChoiceCombo.h"
#include "support/untDynamicTree.h"
#include "support/untWorkRunner.h"

#include <QAction>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPieSeries>
#include <QPieSlice>
#include <QRadioButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <utility>

void RegisterSummaryWindow()
{
    RegisterPlugInClass(&TbfrmSummary::staticMetaObject);
}

TbfrmSummary::TbfrmSummary(QObject* owner)
    : TfrmBsTrvTC(owner), m_output(std::make_unique<TSummaryOutput>(this, Controls(), m_hasResult,
                                                                    m_table, SelectedUnitName))
{
    setObjectName(QStringLiteral("bfrmSummary"));
    setWindowTitle(QStringLiteral("汇总分析"));
    setWindowIcon(IconUnit());
    resize(1240, 700);
    BuildControls();
    DytDept = new TDynamicTree(this);
    DytDept->SetTreeView(trvList);
    DytDept->SetActive(false);
    DytDept->SetLoadAll(true);
    DytDept->SetAutoExpandKind(aekTitleNode); // the whole scope first
    DytDept->SyncDataLoad = true;
}

TbfrmSummary::~TbfrmSummary() = default;

void TbfrmSummary::FormCreate()
{
    TfrmBsTrvTC::FormCreate();
    SelectedUnitCode = Cp936Left(CurrentUnitText(0), 3);
    SelectedUnitName = CurrentUnitText(3);
    if (TAdoConn* def = GetDefConnection()) {
        m_runner = new TWorkRunner(def, this); // a child: cancelled and joined with the window
        connect(m_runner, &TWorkRunner::Finished, this,
                [this](TWorkOutcome outcome, const QString& error) {
                    Guarded(this, [&] { SummaryFinished(outcome, error); });
                });
    }
}

void TbfrmSummary::FormShow()
{
    TfrmBsTrvTC::FormShow();
    if (m_shown)
        return;
    m_shown = true;
    Guarded(this, [this] {
        FillIndicatorTypes(cobBType, false, true);
        BTypeIndex = QString::number(cobBType->currentIndex());
        FilterChanged(0);
        if (HasFewDeptUnits()) {
            trvList->hide();
            SelectedUnitCode = CurrentUnitText(0);
            RunSummary();
        } else {
            SetUpUnitTree(DytDept, trvList, rgpShowEidItems[0]->isChecked()); // selects the top
        }
    });
}

void TbfrmSummary::FormClose()
{
    m_wanted = false;
    delete m_runner; // a summary still being read is cancelled; its thread ends here
    m_runner = nullptr;
    DytDept->SetActive(false);
    TfrmBsTrvTC::FormClose();
}

// 0 indicator type, 1 budget source, 2 money kind, 3 sub-type: the lists below the one changed
// are filled anew, keeping their choice where it is still offered.
void TbfrmSummary::FilterChanged(int which)
{
    if (which == 0) {
        BTypeIndex = QString::number(cobBType->currentIndex());
        const QString source = ComboCode(cobbkid);
        if (BTypeIndex != QLatin1String("0"))
            FillBudgetKinds(cobbkid, true, 0, QString());
        else
            FillBudgetKinds(cobbkid, false, 2, QString());
        if (SelectComboCode(cobbkid, source) < 0 && cobbkid->count() > 1 &&
            BTypeIndex != QLatin1String("0"))
            cobbkid->setCurrentIndex(1);
    }
    if (which <= 1) {
        const QString kind = ComboCode(cobMid);
        FillMoneyKinds(cobMid, true, MoneyKindListType(ComboCode(cobbkid), SelectedUnitCode), false,
                       QString());
        SelectComboCode(cobMid, kind);
        if (cobMid->currentIndex() < 0 && cobMid->count() > 0)
            cobMid->setCurrentIndex(0);
    }
    pnlChild->setVisible(cobBType->currentIndex() == 1 &&
                         ComboCode(cobbkid) == QLatin1String("21"));
}

ListFilter TbfrmSummary::CurrentFilter() const
{
    ListFilter f = OperatorListFilter();
    f.BTypeIndex = BTypeIndex;
    f.MoneyKindCode = ComboCode(cobMid);
    f.SourceCode = ComboCode(cobbkid);
    f.SubTypeShown = !pnlChild->isHidden();
    f.SubTypeIndex = cobChild->currentIndex();
    f.UnitCode = SelectedUnitCode;
    return f;
}

TSummaryBy TbfrmSummary::By() const
{
    return TSummaryBy(std::max(0, cobBy->currentIndex()));
}

TSummaryAmount TbfrmSummary::Amount() const
{
    return TSummaryAmount(std::max(0, cobAmount->currentIndex()));
}

void TbfrmSummary::StartFrom(const ListFilter& f, const QString& unitName, bool entrustedOnly)
{
    if (rgpShowEidItems[0]->isChecked() != entrustedOnly)
        rgpShowEidItems[entrustedOnly ? 0 : 1]->setChecked(true); // rebuilds the tree
    cobBType->setCurrentIndex(f.BTypeIndex.toInt());
    FilterChanged(0);
    SelectComboCode(cobbkid, f.SourceCode);
    SelectedUnitCode = f.UnitCode;
    SelectedUnitName = unitName;
    FilterChanged(1);
    SelectComboCode(cobMid, f.MoneyKindCode);
    FilterChanged(2);
    cobChild->setCurrentIndex(f.SubTypeShown ? f.SubTypeIndex : 0);
    SelectUnitNode(trvList, f.UnitCode);
    RunSummary();
}

bool TbfrmSummary::Reading() const
{
    return m_runner && m_runner->Busy() && (!m_readingAhead || m_wanted);
}

// A new choice while a summary is read cancels it; the newest choice starts when it has ended,
// so no result of an older choice is ever shown.
void TbfrmSummary::RunSummary(bool fresh)
{
    if (!m_runner)
        return;
    m_wanted = true;
    m_wantedFresh = m_wantedFresh || fresh;
    labStatus->setText(QStringLiteral("正在汇总…"));
    if (m_runner->Busy()) {
        // Reading ahead that has reached the choice is let finish that statement: what it keeps
        // answers the choice sooner than a new read on a new connection.
        if (m_readingAhead && !m_wantedFresh &&
            m_ahead->Reached(SummaryStatement(CurrentFilter(), By(), DefDialect())))
            m_ahead->Stop();
        else
            m_runner->Cancel();
        return;
    }
    StartWanted();
}

void TbfrmSummary::StartWanted()
{
    m_wanted = false;
    const bool fresh = std::exchange(m_wantedFresh, false);
    m_readingFilter = CurrentFilter();
    m_readingBy = By();
    const QString sql = SummaryStatement(m_readingFilter, m_readingBy, DefDialect());
    auto out = std::make_shared<std::vector<TSummaryGroup>>();
    m_reading = out;
    m_runner->Start([sql, out, fresh](TWorkControl& control) {
        control.Phase(QStringLiteral("汇总"));
        *out = ReadSummaryKept(GetDefConnection(), sql, fresh); // the worker's own connection
        return !control.Cancelled();
    });
}

// The other groupings of the shown scope, read and kept while the operator looks at this one,
// so that a switch to one of them needs no new read while the data stays as it was.
void TbfrmSummary::ReadAhead()
{
    const TSqlDialect dialect = DefDialect();
    if (dialect.DataVersion().isEmpty())
        return; // nothing could be kept
    auto ahead = std::make_shared<TSummaryReadAhead>(m_shownFilter, m_shownBy, dialect);
    m_ahead = ahead;
    m_readingAhead = m_runner->Start([ahead](TWorkControl& control) {
        return ahead->Read(GetDefConnection(), [&control] { return control.Cancelled(); });
    });
}

void TbfrmSummary::SummaryFinished(TWorkOutcome outcome, const QString& error)
{
    if (std::exchange(m_readingAhead, false)) {
        // Nothing is shown from reading ahead: a grouping it could not read is read again when
        // chosen, and its failure shown then.
        if (m_wanted)
            StartWanted();
        return;
    }
    if (m_wanted) {
        StartWanted();
        return;
    }
    switch (outcome) {
    case TWorkOutcome::Done:
        m_groups = std::move(*m_reading);
        m_shownFilter = m_readingFilter;
        m_shownBy = m_readingBy;
        m_hasResult = true;
        ShowResult();
        ReadAhead();
        break;
    case TWorkOutcome::Cancelled:
        labStatus->setText(QStringLiteral("汇总已取消"));
        break;
    case TWorkOutcome::Failed:
        m_groups.clear();
        m_hasResult = false;
        ShowResult();
        labStatus->setText(QStringLiteral("无法汇总"));
        ShowMessage(QStringLiteral("无法汇总预算指标：%1").arg(error), CaptionRefuse(),
                    MsgIcon::Error);
        break;
    }
    m_reading.reset();
    emit SummaryShown();
}

void TbfrmSummary::ShowResult()
{
    for (QAction* output : {tbtnExport, tbtnExportChart, tbtnPrint})
        output->setEnabled(m_hasResult); // nothing read: nothing to put out
    m_table = SummaryTable(m_groups, m_shownBy, Amount());
    SummaryModel->SetTable(m_table, m_hasResult, cobAmount->currentText());
    FitSummaryColumns(grdSummary, *SummaryModel);
    labStatus->setText(
        m_hasResult
            ? QStringLiteral("%L1 组，共 %L2 条").arg(m_table.Rows.size()).arg(m_table.Total.Count)
            : QString());
    DrawChart();
}

void TbfrmSummary::DrawChart()
{
    const bool months = m_shownBy == TSummaryBy::EntryMonth;
    m_chartRows = months ? m_table.Rows : ChartRows(m_table);
    const auto kind =
        cobChart->currentIndex() == 1 ? TSummaryChartKind::Pie : TSummaryChartKind::Bars;
    DrawSummaryChart(chvSummary->chart(), m_chartRows, kind,
                     months ? RunningTotals(m_table) : std::vector<TMoneySum>(),
                     cobAmount->currentText());
    for (QAbstractSeries* series : chvSummary->chart()->series()) {
        if (auto* bars = qobject_cast<QBarSeries*>(series))
            connect(bars, &QBarSeries::clicked, this, [this](int index, QBarSet*) {
                Guarded(this, [this, index] { OpenChartGroup(index); });
            });
        if (auto* pie = qobject_cast<QPieSeries*>(series))
            connect(pie, &QPieSeries::clicked, this, [this](QPieSlice* slice) {
                const int index = slice->property("row").toInt();
                Guarded(this, [this, index] { OpenChartGroup(index); });
            });
    }
}

void TbfrmSummary::OpenTableRow(int row)
{
    if (row >= 0 && size_t(row) < m_table.Rows.size())
        OpenGroup(m_table.Rows[size_t(row)], false);
    else if (m_hasResult && size_t(row) == m_table.Rows.size())
        OpenGroup(m_table.Total, true);
}

void TbfrmSummary::OpenChartGroup(int index)
{
    if (index >= 0 && size_t(index) < m_chartRows.size())
        OpenGroup(m_chartRows[size_t(index)], false);
}

void TbfrmSummary::OpenGroup(const TSummaryRow& row, bool total)
{
    const std::optional<ListFilter> filter = GroupFilter(m_shownFilter, m_shownBy, row, total);
    if (!filter) {
        labStatus->setText(QStringLiteral("“%1”不能在预算指标录入中单独列出").arg(row.Caption));
        return;
    }
    QString unitName = SelectedUnitName;
    QString caption;
    if (m_shownBy == TSummaryBy::Department && !total)
        unitName = row.Caption.section(QLatin1Char(' '), 1);
    else if (!total && m_shownBy != TSummaryBy::MoneyKind && m_shownBy != TSummaryBy::Source)
        caption = QStringLiteral("汇总分析：%1").arg(row.Caption);
    auto* list = qobject_cast<TbfrmQuindle*>(
        ResRefManager()->GetObj(QStringLiteral("TbfrmQuindle"), true)); // opened or focused
    if (!list)
        return;
    if (!list->ShowScope(*filter, unitName, caption))
        ShowMessage(QStringLiteral("预算指标录入窗口正在处理其他操作，请在它结束后再试。"),
                    CaptionInfo(), MsgIcon::Information);
}
