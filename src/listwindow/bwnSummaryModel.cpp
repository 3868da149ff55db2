#include "listwindow/bwnSummaryModel.h"

#include <QFont>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <numeric>

namespace
{
// Rows measured from each end and by each longest kind.
constexpr int kMeasuredEach = 30;
} // namespace

void TSummaryModel::SetTable(const TSummaryTable& table, bool withTotal,
                             const QString& amountCaption)
{
    beginResetModel();
    m_rows = table.Rows;
    if (withTotal)
        m_rows.push_back(table.Total);
    m_total = table.Total.Amount;
    m_withTotal = withTotal;
    m_captions = {QStringLiteral("分组"), QStringLiteral("笔数"), amountCaption,
                  QStringLiteral("占比")};
    endResetModel();
}

int TSummaryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TSummaryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kSummaryColumns;
}

QVariant TSummaryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_rows.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return SummaryCellText(m_rows[size_t(index.row())], index.column(), m_total, true);
    case Qt::TextAlignmentRole:
        return index.column() == 0 ? QVariant() : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    case Qt::FontRole:
        if (m_withTotal && size_t(index.row()) + 1 == m_rows.size()) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

QVariant TSummaryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_captions.size())
        return m_captions[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

std::vector<int> TSummaryModel::WidestCandidates() const
{
    const int n = int(m_rows.size());
    std::vector<int> all(static_cast<size_t>(n));
    std::iota(all.begin(), all.end(), 0);
    if (n <= 4 * kMeasuredEach)
        return all;
    std::vector<int> picked;
    for (int i = 0; i < kMeasuredEach; ++i) {
        picked.push_back(i);
        picked.push_back(n - 1 - i); // 合计 among them
    }
    const auto longest = [&](auto measure) {
        std::partial_sort(all.begin(), all.begin() + kMeasuredEach, all.end(),
                          [&](int a, int b) { return measure(a) > measure(b); });
        picked.insert(picked.end(), all.begin(), all.begin() + kMeasuredEach);
    };
    longest([this](int r) { return m_rows[size_t(r)].Caption.size(); });
    longest([this](int r) { return m_rows[size_t(r)].Count; });
    std::sort(picked.begin(), picked.end());
    picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
    return picked;
}

void FitSummaryColumns(QTableView* view, const TSummaryModel& model)
{
    const std::vector<int> rows = model.WidestCandidates();
    for (int c = 0; c < model.columnCount(); ++c) {
        int width = 0;
        for (int r : rows)
            width = std::max(width, view->sizeHintForIndex(model.index(r, c)).width());
        width += view->showGrid() ? 1 : 0; // as the view's own fitting counts the grid line
        view->setColumnWidth(c, std::max(width, view->horizontalHeader()->sectionSizeHint(c)));
    }
}
