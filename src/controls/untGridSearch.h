#pragma once
// Finding rows of a grid in steps, so a long list is searched without holding the window.

#include "store/untColumnFind.h"

#include <vector>

class TNextGrid;
class TNextGridModel;

// The rows of a grid (as shown) with a matching cell in one column, or in any visible one;
// check boxes and row numbers are not searched. The grid must not change while a search
// runs: a change of its rows or cells starts a new one.
class TGridSearch
{
public:
    TGridSearch(const TNextGrid& grid, const TTextMatcher& matcher, int col);

    // Searches on for about budgetMs (at least one column of one part of the rows; a
    // negative budget: to the end). True once every row is searched.
    bool Run(int budgetMs);
    bool Done() const { return m_done; }
    // The matching rows in the order shown, once done.
    const std::vector<int>& Rows() const { return m_rows; }

    // The first matching row after row (before it, backwards), round the end, among the
    // next count rows; -1 when none of them matches. Reads row by row, for the nearest
    // match while the whole search goes on.
    int Near(int row, bool backwards, int count) const;

private:
    bool Step();        // some rows of a column of one part, or a column's written cells
    void BeginColumn(); // the column m_column from its first part
    void Finish();
    bool RowMatches(int row) const;
    bool Amounts(int col) const;

    const TNextGridModel& m_model;
    TTextMatcher m_matcher;
    std::vector<int> m_columns;             // the grid columns searched
    size_t m_column = 0;                    // the column being searched
    size_t m_part = 0;                      // its part of the result being searched
    int m_partRow = 0;                      // and the part's next row
    bool m_written = false;                 // the column has cells written over the result's
    std::vector<char> m_hits, m_columnHits; // by row in the list's order
    std::vector<int> m_rows;
    bool m_done = false;
};
