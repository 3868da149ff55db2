#pragma once
// The data grid: columns over a column store, marks, cell colours.

#include "store/untColumnFind.h"
#include "store/untColumnSort.h"
#include "store/untColumnStore.h"

#include <QColor>
#include <QHash>
#include <QAbstractTableModel>
#include <QTableView>
#include <functional>
#include <memory>
#include <vector>

enum class TNxColumnKind { Text, Number, CheckBox };

enum TNxColumnOption {
    coCanClick = 1,
    coCanInput = 2,
    coCanSort = 4,
    coEditing = 8,
    coPublicUsing = 16
};
enum TNxGridOption { goHeader = 1, goSelectFullRow = 2 };
enum TNxAppearanceOption { aoBoldTextSelection = 1, aoHighlightSlideCells = 2 };

struct TNxColumn {
    QString Name;
    QString Caption;
    TNxColumnKind Kind = TNxColumnKind::Text;
    bool Visible = true;
    int Width = 64;
    Qt::Alignment HeaderAlignment = Qt::AlignCenter;
    Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QString FormatMask; // "#,##0.00" on number columns
    unsigned Options = 0;
};

class TNextGrid;

// The grid's cells at one moment, readable on any thread: the rows are the grid's own result
// parts (shared, not copied), the written cells and marks are copied.
class TGridCells
{
public:
    int RowCount() const { return m_rows; }
    // The text the grid shows in the cell (col and row inside the grid).
    QString ShownText(int col, int row) const;
    // Whether a check-box cell is marked.
    bool Marked(int col, int row) const;

private:
    int Logical(int row) const
    {
        return m_order && size_t(row) < m_order->size() ? (*m_order)[size_t(row)] : row;
    }
    friend class TNextGrid;
    struct Column {
        bool CheckBox = false;
        int Source = -1;
        bool RowNumbers = false;
        QHash<int, QString> Texts;
        std::vector<bool> Marks;
    };
    std::vector<Column> m_columns;
    std::vector<std::shared_ptr<const TColumnStore>> m_segments;
    std::vector<int> m_segmentStarts;
    std::shared_ptr<const std::vector<int>> m_order;
    int m_storeRows = 0;
    int m_rows = 0;
};

// The grid's cells: columns bound to a query result (no copy), row numbers computed,
// written cells, marks and colours kept sparse.
class TNextGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TNextGridModel(TNextGrid* grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    friend class TNextGrid;
    friend class TGridSearch;
    struct Column {
        TNxColumn Def;
        int Source = -1;         // column of the attached result
        bool RowNumbers = false; // 1-based row number on attached rows
        QHash<int, QString> Texts;
        QHash<int, QColor> Colors;
        std::vector<bool> Marks; // check-box columns
    };
    QString CellText(int col, int row) const;
    void SetText(int col, int row, const QString& text);
    Currency CellMoney(int col, int row) const;
    void Reset(bool begin);
    // The result part holding a row, and the row's place in it.
    const TColumnStore& Segment(int row, int& local) const;
    void ClearSegments();
    // A shown row's row in the list's own order (rows are shown sorted or in that order).
    int Logical(int row) const
    {
        return m_order && size_t(row) < m_order->size() ? (*m_order)[size_t(row)] : row;
    }
    void SetOrder(std::vector<int> order);

    TNextGrid* m_grid;
    std::vector<Column> m_columns;
    // The attached result, in parts as they arrived (no copy); m_segmentStarts[i] is the first
    // row of part i.
    std::vector<std::shared_ptr<const TColumnStore>> m_segments;
    std::vector<int> m_segmentStarts;
    // The result's rows as shown (none: the list's order) and each row's place in it;
    // written cells, colours and marks stay with the rows.
    std::shared_ptr<const std::vector<int>> m_order;
    std::vector<int> m_places;
    int m_storeRows = 0;
    int m_rows = 0;
    bool m_locked = false;
};

enum class TGridSort { None, Ascending, Descending };

// The match to go to from the current row (-1 none): the first after it (before it,
// backwards), round the end of the list; the index into rows, or -1 when there are none.
int StepToMatch(const std::vector<int>& rows, int current, bool backwards);

// A data grid over TNextGridModel: text, number and check-box columns, a header, marks
// and cell colours; it stays smooth at a million rows.
class TNextGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TNextGrid(QWidget* parent = nullptr);

    // Columns
    int ColumnCount() const { return static_cast<int>(m_model->m_columns.size()); }
    void ClearColumns();
    void AddColumn(const TNxColumn& column);
    int ColumnIndex(const QString& name) const; // -1 when no column has the name
    const TNxColumn& Column(int index) const { return m_model->m_columns.at(index).Def; }
    void SetColumnVisible(int index, bool visible);
    // Widens a column to its longest text (never below minWidth).
    void FitColumnWidth(int col, int minWidth);

    // Rows
    void ClearRows();
    // ClearRows, handing the results the rows were read from to the caller (freeing a long
    // result takes a while: another thread can do it).
    std::vector<std::shared_ptr<const TColumnStore>> TakeRows();
    void AddRow(int count = 1);
    int RowCount() const { return m_model->m_rows; }
    int SelectedRow() const;
    void SetSelectedRow(int row);
    // Scrolls the current row into view up or down only: the columns stay where the operator
    // put them.
    void ScrollToCurrentRow();
    // Takes a result as the first rows: grid column i shows result column sources[i]
    // (-1: none); rowNumberColumn (or -1) shows 1, 2, 3 … on those rows.
    void AttachRows(std::shared_ptr<const TColumnStore> store, const std::vector<int>& sources,
                    int rowNumberColumn);
    // The same for a result that arrives in parts: BindRows clears the rows and binds the
    // columns, each AppendRows adds the next part (its columns in the first part's order).
    void BindRows(const std::vector<int>& sources, int rowNumberColumn);
    void AppendRows(std::shared_ptr<const TColumnStore> part);

    // Sorting: the result's rows in the order of a column (numbers by value, texts by the
    // Chinese collation, check boxes by mark, the row-number column the list's order); rows
    // after the result (the totals) stay last; marks, colours and the current row follow.
    // A header click sorts ascending, then descending, then in the list's order, while the
    // grid is sortable. New rows bound to the grid show them in the list's order.
    void SortByColumn(int col, TGridSort sort);
    int SortColumn() const { return m_sortColumn; }
    TGridSort SortState() const { return m_sort; }
    void SetSortable(bool sortable) { m_sortable = sortable; }
    bool Sortable() const { return m_sortable; }

    // The rows (as shown, in order) with a matching cell in one column, or in any visible one
    // (col -1); check boxes and row numbers are not searched.
    std::vector<int> FindRows(const TTextMatcher& matcher, int col) const;

    // Cells; a column or row outside the grid raises "Cell out of bounds (c, r)".
    QString Cells(int col, int row) const;
    // Every cell as it is now, for a reader on another thread.
    TGridCells Snapshot() const;
    void SetCells(int col, int row, const QString& text);
    // Marks (or clears) every row of a check-box column at once.
    void SetAllMarks(int col, bool marked);
    double CellAsFloat(int col, int row) const;
    Currency CellAsCurrency(int col, int row) const;
    // Adds a cell to an overflow-free sum.
    void AddCellToSum(int col, int row, TMoneySum& sum) const;
    void SetCellColor(int col, int row, const QColor& color);
    QColor CellColor(int col, int row) const;

    // Look and update locking
    void BeginUpdate();
    void EndUpdate();
    void SetHeaderSize(int height);
    int HeaderSize() const { return m_headerSize; }
    void SetRowSize(int height);
    int RowSize() const { return m_rowSize; }
    void SetOptions(unsigned options);
    unsigned Options() const { return m_options; }
    void SetAppearanceOptions(unsigned options) { m_appearance = options; }
    unsigned AppearanceOptions() const { return m_appearance; }
    void SetGridLinesColor(const QColor& color);

    using BeforeEditHandler =
        std::function<void(TNextGrid* sender, int col, int row, bool& accept)>;
    using KeyPressHandler = std::function<void(TNextGrid* sender, QChar& key)>;
    BeforeEditHandler OnBeforeEdit;
    KeyPressHandler OnKeyPress;

    // Asks OnBeforeEdit whether a cell may change.
    bool CanEdit(int col, int row);

signals:
    void CellDoubleClicked(int col, int row);
    void Sorted();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void CheckBounds(int col, int row) const;
    void ApplyColumn(int index);
    void HeaderClicked(int col);
    void ShowSortIndicator();
    std::vector<int> SortOrder(int col, bool descending) const;
    mutable TRankMemo m_rankMemo; // the last sorted text column's ranks
    friend class TGridSearch;
    TNextGridModel* m_model;
    int m_sortColumn = -1;
    TGridSort m_sort = TGridSort::None;
    bool m_sortable = false;
    int m_updateLock = 0;
    int m_headerSize = 20;
    int m_rowSize = 20;
    unsigned m_options = goHeader | goSelectFullRow;
    unsigned m_appearance = 0;
};
