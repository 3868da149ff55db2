#include "controls/untGridSearch.h"

#include "controls/TNextGrid.h"

#include <QElapsedTimer>

namespace
{
// Rows of a column searched in one step: a few milliseconds at most.
constexpr int kStepRows = 32768;
} // namespace

TGridSearch::TGridSearch(const TNextGrid& grid, const TTextMatcher& matcher, int col)
    : m_model(*grid.m_model), m_matcher(matcher)
{
    if (m_matcher.Empty()) {
        m_done = true;
        return;
    }
    for (int i = 0; i < int(m_model.m_columns.size()); ++i) {
        const auto& c = m_model.m_columns[size_t(i)];
        if ((col >= 0 && i != col) || (col < 0 && !c.Def.Visible) ||
            c.Def.Kind == TNxColumnKind::CheckBox || c.RowNumbers)
            continue;
        m_columns.push_back(i);
    }
    m_hits.assign(size_t(m_model.m_rows), 0);
    BeginColumn();
}

bool TGridSearch::Amounts(int col) const
{
    return m_model.m_columns[size_t(col)].Def.Kind == TNxColumnKind::Number;
}

bool TGridSearch::Run(int budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!m_done) {
        if (Step())
            Finish();
        else if (budgetMs >= 0 && clock.elapsed() >= budgetMs)
            break;
    }
    return m_done;
}

bool TGridSearch::Step()
{
    if (m_column == m_columns.size())
        return true;
    const auto& m = m_model;
    const auto& c = m.m_columns[size_t(m_columns[m_column])];
    const bool amounts = Amounts(m_columns[m_column]);
    if (c.Source >= 0 && m_part < m.m_segments.size()) {
        // Rows a column before already found are not read again.
        const TColumnStore& part = *m.m_segments[m_part];
        const int to = m_partRow + kStepRows;
        m_matcher.MarkRows(part, c.Source, amounts, m_written ? m_columnHits : m_hits,
                           m.m_segmentStarts[m_part], m_partRow, to);
        m_partRow = to;
        if (m_partRow >= part.RowCount()) {
            ++m_part;
            m_partRow = 0;
        }
        return false;
    }
    for (auto it = c.Texts.cbegin(); it != c.Texts.cend(); ++it) {
        if (it.key() >= m.m_rows)
            continue;
        if (m_written)
            m_columnHits[size_t(it.key())] = m_matcher.MatchesText(it.value(), amounts);
        else if (m_matcher.MatchesText(it.value(), amounts))
            m_hits[size_t(it.key())] = 1;
    }
    if (m_written)
        for (size_t r = 0; r < m_hits.size(); ++r)
            m_hits[r] |= m_columnHits[r];
    ++m_column;
    BeginColumn();
    return false;
}

void TGridSearch::BeginColumn()
{
    m_part = 0;
    m_partRow = 0;
    m_written = false;
    if (m_column == m_columns.size())
        return;
    // Cells written over the result's are searched instead of them.
    const auto& texts = m_model.m_columns[size_t(m_columns[m_column])].Texts;
    for (auto it = texts.cbegin(); !m_written && it != texts.cend(); ++it)
        m_written = it.key() < m_model.m_storeRows;
    if (m_written)
        m_columnHits.assign(size_t(m_model.m_rows), 0);
}

void TGridSearch::Finish()
{
    for (int p = 0; p < m_model.m_rows; ++p)
        if (m_hits[size_t(m_model.Logical(p))])
            m_rows.push_back(p);
    m_hits = {};
    m_columnHits = {};
    m_done = true;
}

bool TGridSearch::RowMatches(int row) const
{
    const auto& m = m_model;
    for (const int col : m_columns) {
        const auto& c = m.m_columns[size_t(col)];
        const bool amounts = Amounts(col);
        const auto it = c.Texts.constFind(row);
        if (it != c.Texts.constEnd()) {
            if (m_matcher.MatchesText(*it, amounts))
                return true;
        } else if (c.Source >= 0 && row < m.m_storeRows) {
            int local = 0;
            const TColumnStore& part = m.Segment(row, local);
            if (m_matcher.MatchesCell(part, local, c.Source, amounts))
                return true;
        }
    }
    return false;
}

int TGridSearch::Near(int row, bool backwards, int count) const
{
    const int rows = m_model.m_rows;
    if (m_columns.empty() || rows == 0)
        return -1;
    int p = row;
    for (int i = 0; i < std::min(count, rows); ++i) {
        if (backwards)
            p = p <= 0 ? rows - 1 : p - 1;
        else
            p = p + 1 >= rows ? 0 : p + 1;
        if (RowMatches(m_model.Logical(p)))
            return p;
    }
    return -1;
}
