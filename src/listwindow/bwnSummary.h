#pragma once
// The summary window "汇总分析": the listed indicators summed by a grouping, as a table and a
// chart.

#include "basewindows/wnBsTrvTC.h"
#include "listwindow/bwnSummaryControls.h"
#include "listwindow/bwnSummaryOutput.h"
#include "listwindow/bwnSummaryQuery.h"

#include <memory>
#include <vector>

class QChart;
class QTreeWidgetItem;
class TWorkRunner;
enum class TWorkOutcome;

// The unit tree and the list's filters on the left; 汇总方式, the amount and the chart's kind
// above a table (group, 笔数, amount, 占比, 合计) beside the chart. The sums are read beside the
// window, a new choice cancelling the one still running; a click on a bar, a slice or a row
// opens the list window on that group.
class TbfrmSummary : public TfrmBsTrvTC, private TSummaryControls
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TbfrmSummary(QObject* owner);
    ~TbfrmSummary() override;

    const TSummaryControls& Controls() const { return *this; }
    TSummaryOutput& Output() const { return *m_output; }

    // Starts on the list's scope: its unit, filters and tree.
    void StartFrom(const ListFilter& filter, const QString& unitName, bool entrustedOnly);
    ListFilter CurrentFilter() const;
    TSummaryBy By() const;
    TSummaryAmount Amount() const;
    // The table's rows as shown (without 合计) and the chart's.
    const TSummaryTable& Table() const { return m_table; }
    const std::vector<TSummaryRow>& ChartGroups() const { return m_chartRows; }
    // True while a chosen summary is being read (not while the other groupings are read ahead).
    bool Reading() const;
    bool ReadingAhead() const { return m_readingAhead; }
    // Opens the list window on the table's row (the last row: 合计) or the chart's group.
    void OpenTableRow(int row);
    void OpenChartGroup(int index);

signals:
    // A summary was shown, or could not be read.
    void SummaryShown();

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormClose() override;

private:
    void BuildControls();
    void BuildFilters(QWidget* parent);
    void RunSummary(bool fresh = false);
    void StartWanted();
    void ReadAhead();
    void SummaryFinished(TWorkOutcome outcome, const QString& error);
    void ShowResult();
    void DrawChart();
    void FilterChanged(int which);
    void OpenGroup(const TSummaryRow& row, bool total);

    QString SelectedUnitCode;
    QString SelectedUnitName;
    QString BTypeIndex;
    std::unique_ptr<TSummaryOutput> m_output;
    TWorkRunner* m_runner = nullptr;
    bool m_shown = false;
    bool m_wanted = false;      // a newer choice waits for the running summary to end
    bool m_wantedFresh = false; // 刷新: read again, whatever was kept
    bool m_readingAhead = false;
    std::shared_ptr<TSummaryReadAhead> m_ahead;
    std::shared_ptr<std::vector<TSummaryGroup>> m_reading;
    ListFilter m_readingFilter;
    TSummaryBy m_readingBy = TSummaryBy::Department;
    std::vector<TSummaryGroup> m_groups; // what is shown, for its filter and grouping
    ListFilter m_shownFilter;
    TSummaryBy m_shownBy = TSummaryBy::Department;
    bool m_hasResult = false;
    TSummaryTable m_table;
    std::vector<TSummaryRow> m_chartRows;
};

void RegisterSummaryWindow();
