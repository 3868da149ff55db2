#include "support/untPrintLayout.h"

#include <algorithm>
#include <cmath>

namespace
{
// Room either side of a cell's text, in characters.
constexpr double kCellPadChars = 0.6;
} // namespace

TPrintLayout::TPrintLayout(const QList<TPrintColumn>& columns, int keyColumn, int rows,
                           const TPrintMetrics& metrics)
    : m_metrics(metrics), m_key(keyColumn >= 0 && keyColumn < columns.size() ? keyColumn : -1),
      m_rows(std::max(0, rows))
{
    double total = 0;
    for (const TPrintColumn& c : columns) {
        m_natural.push_back((std::max(1.0, c.WidthChars) + 2 * kCellPadChars) * metrics.CharWidth);
        total += m_natural.back();
    }
    const double minScale =
        metrics.FontSize > 0 ? std::min(1.0, metrics.MinFontSize / metrics.FontSize) : 1.0;
    const double fit = total > 0 ? std::min(1.0, metrics.PageWidth / total) : 1.0;
    if (fit >= minScale) {
        m_scale = fit;
        m_groups = Pack(fit);
    } else {
        // Split at the smallest readable scale (fewest pages), then take the largest scale that
        // still needs no more groups than that.
        m_groups = Pack(minScale);
        double low = minScale, high = 1.0;
        if (Pack(high).size() <= m_groups.size())
            low = high;
        for (int step = 0; step < 30 && high - low > 1e-4; ++step) {
            const double mid = (low + high) / 2;
            (Pack(mid).size() <= m_groups.size() ? low : high) = mid;
        }
        m_scale = low;
        m_groups = Pack(low);
    }
    const double free = metrics.PageHeight - metrics.HeadHeight - metrics.FootHeight;
    const double row = RowHeight();
    // The header row takes one row's room on every page.
    m_rowsPerPage = row > 0 ? std::max(1, int(std::floor(free / row + 1e-9)) - 1) : 1;
    m_bands = std::max(1, (m_rows + m_rowsPerPage - 1) / m_rowsPerPage);
}

std::vector<std::vector<int>> TPrintLayout::Pack(double scale) const
{
    std::vector<std::vector<int>> groups;
    const double key = m_key >= 0 ? m_natural[size_t(m_key)] * scale : 0;
    std::vector<int> group;
    double used = 0;
    auto start = [&] {
        group.clear();
        used = key;
        if (m_key >= 0)
            group.push_back(m_key);
    };
    start();
    const int count = int(m_natural.size());
    for (int c = 0; c < count; ++c) {
        if (c == m_key)
            continue;
        const double width = m_natural[size_t(c)] * scale;
        // A column too wide for any page still gets a group of its own (its cells are cut).
        const bool alone = int(group.size()) == (m_key >= 0 ? 1 : 0);
        if (!alone && used + width > m_metrics.PageWidth + 1e-6) {
            groups.push_back(group);
            start();
        }
        group.push_back(c);
        used += width;
    }
    if (groups.empty() || int(group.size()) > (m_key >= 0 ? 1 : 0))
        groups.push_back(group);
    // The key column keeps its own place in the first group.
    if (m_key >= 0 && !groups.empty()) {
        std::vector<int>& first = groups.front();
        first.erase(first.begin());
        first.insert(std::lower_bound(first.begin(), first.end(), m_key), m_key);
    }
    return groups;
}

TPrintLayout::Page TPrintLayout::PageAt(int page) const
{
    const int groups = int(m_groups.size());
    Page p;
    p.Group = page % groups;
    p.FirstRow = std::min(m_rows, (page / groups) * m_rowsPerPage);
    p.EndRow = std::min(m_rows, p.FirstRow + m_rowsPerPage);
    return p;
}

QString PageNumberText(int page, int pages)
{
    return QStringLiteral("第 %1 页 共 %2 页").arg(page).arg(pages);
}

QString PrintFootText(const TPrintTexts& texts)
{
    return QStringLiteral("制表人：%1    打印日期：%2").arg(texts.Operator, texts.Date);
}
