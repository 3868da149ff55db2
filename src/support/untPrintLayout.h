#pragma once
// What goes on which printed page of a table: column groups, scale, rows per page, page texts.

#include <QList>
#include <QString>
#include <vector>

// Sizes of the page and of the text at full size, in the units of the device that is painted.
struct TPrintMetrics {
    double PageWidth = 0; // the printable area inside the margins
    double PageHeight = 0;
    double CharWidth = 0;   // an average character of the table's font at full size
    double RowHeight = 0;   // a row of the table at full size
    double HeadHeight = 0;  // title and filter lines above the table (not scaled)
    double FootHeight = 0;  // the foot line below it (not scaled)
    double FontSize = 9;    // the table's font at full size, in points
    double MinFontSize = 6; // below this a scaled table is unreadable: columns are split
};

struct TPrintColumn {
    double WidthChars = 10; // as wide as on screen, in characters
    bool Amount = false;    // right-aligned
};

// The pages of a table: the rows run down in bands of RowsPerPage (the totals row included);
// when the columns at a readable scale are wider than the page they are split into groups,
// each group beginning with the key column (the id), and every band is printed once per group
// before the next band. One scale holds for every page, so the bands line up across groups.
class TPrintLayout
{
public:
    // keyColumn: the column repeated at the start of every group (-1: none).
    TPrintLayout(const QList<TPrintColumn>& columns, int keyColumn, int rows,
                 const TPrintMetrics& metrics);

    double Scale() const { return m_scale; }
    double FontSize() const { return m_metrics.FontSize * m_scale; }
    double RowHeight() const { return m_metrics.RowHeight * m_scale; }
    int RowsPerPage() const { return m_rowsPerPage; }
    int Bands() const { return m_bands; }
    int PageCount() const { return m_bands * int(m_groups.size()); }
    // The columns of each group in printed order.
    const std::vector<std::vector<int>>& Groups() const { return m_groups; }
    // A column's width as printed (scaled).
    double ColumnWidth(int column) const { return m_natural[size_t(column)] * m_scale; }

    // What a page (0-based) holds: its column group and its rows [FirstRow, EndRow).
    struct Page {
        int Group = 0;
        int FirstRow = 0;
        int EndRow = 0;
    };
    Page PageAt(int page) const;

private:
    std::vector<std::vector<int>> Pack(double scale) const;

    TPrintMetrics m_metrics;
    int m_key;
    int m_rows;
    std::vector<double> m_natural;
    std::vector<std::vector<int>> m_groups;
    double m_scale = 1;
    int m_rowsPerPage = 1;
    int m_bands = 1;
};

// The texts around the table: the title, the filters below it, the operator and date at
// the foot.
struct TPrintTexts {
    QString Title;
    QString Filters;
    QString Operator;
    QString Date;
};

// "第 n 页 共 m 页" for page n (1-based) of m.
QString PageNumberText(int page, int pages);
// "制表人：… 打印日期：…"
QString PrintFootText(const TPrintTexts& texts);
