#pragma once
// The summary's table as the window's view reads it: texts made for the rows painted only.

#include "listwindow/bwnSummaryQuery.h"

#include <QAbstractTableModel>
#include <QStringList>

class QTableView;

class TSummaryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    // The rows, then 合计 when `withTotal`; the amount column's caption.
    void SetTable(const TSummaryTable& table, bool withTotal, const QString& amountCaption);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The rows whose texts can be the widest of a column: the first and last, the longest
    // captions, the largest counts and 合计 (measuring every row of a long table takes long).
    std::vector<int> WidestCandidates() const;

private:
    std::vector<TSummaryRow> m_rows; // 合计 last when shown
    TMoneySum m_total;
    bool m_withTotal = false;
    QStringList m_captions;
};

// Sizes the view's columns to the widest of the candidate rows' texts and the captions.
void FitSummaryColumns(QTableView* view, const TSummaryModel& model);
