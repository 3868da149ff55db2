#include "controls/TNextGrid.h"

#include "controls/untGridSearch.h"

#include "platform/untException.h"
#include "store/untColumnSort.h"

#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QKeyEvent>
#include <algorithm>
#include <numeric>

// ---- model ----

TNextGridModel::TNextGridModel(TNextGrid* grid) : QAbstractTableModel(grid), m_grid(grid) {}

int TNextGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TNextGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

namespace
{
using Parts = std::vector<std::shared_ptr<const TColumnStore>>;

// The part holding a row of the result, and the row's place in it.
const TColumnStore& PartOf(const Parts& parts, const std::vector<int>& starts, int row, int& local)
{
    size_t i = parts.size() - 1;
    if (parts.size() > 1)
        i = size_t(std::upper_bound(starts.begin(), starts.end(), row) - starts.begin()) - 1;
    local = row - starts[i];
    return *parts[i];
}

// A cell's text: its mark, its written text, its value in the result or its row number
// (the place it is shown at).
template <class Column>
QString CellTextOf(const Column& c, bool checkBox, const Parts& parts,
                   const std::vector<int>& starts, int storeRows, int row, int shownAt)
{
    if (checkBox)
        return size_t(row) < c.Marks.size() && c.Marks[row] ? QStringLiteral("True")
                                                            : QStringLiteral("False");
    if (!c.Texts.isEmpty()) {
        auto it = c.Texts.constFind(row);
        if (it != c.Texts.constEnd())
            return it.value();
    }
    if (row < storeRows) {
        int local = 0;
        if (c.Source >= 0)
            return PartOf(parts, starts, row, local).Text(local, c.Source);
        if (c.RowNumbers)
            return QString::number(shownAt + 1);
    }
    return QString();
}
} // namespace

QString TGridCells::ShownText(int col, int row) const
{
    const Column& c = m_columns[size_t(col)];
    return CellTextOf(c, c.CheckBox, m_segments, m_segmentStarts, m_storeRows, Logical(row), row);
}

bool TGridCells::Marked(int col, int row) const
{
    const std::vector<bool>& marks = m_columns[size_t(col)].Marks;
    row = Logical(row);
    return size_t(row) < marks.size() && marks[size_t(row)];
}

QString TNextGridModel::CellText(int col, int row) const
{
    const Column& c = m_columns[col];
    return CellTextOf(c, c.Def.Kind == TNxColumnKind::CheckBox, m_segments, m_segmentStarts,
                      m_storeRows, Logical(row), row);
}

Currency TNextGridModel::CellMoney(int col, int row) const
{
    const Column& c = m_columns[col];
    int local = 0;
    const int logical = Logical(row);
    if (logical < m_storeRows && c.Source >= 0 && !c.Texts.contains(logical))
        return Segment(logical, local).Money(local, c.Source);
    return Currency::FromText(CellText(col, row)).value_or(Currency());
}

void TNextGridModel::SetText(int col, int row, const QString& text)
{
    Column& c = m_columns[col];
    const int logical = Logical(row);
    if (c.Def.Kind == TNxColumnKind::CheckBox) {
        if (c.Marks.size() < size_t(m_rows))
            c.Marks.resize(m_rows, false);
        c.Marks[logical] = text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
                           text == QLatin1String("1");
    } else {
        c.Texts.insert(logical, text);
    }
    if (!m_locked) {
        const QModelIndex i = index(row, col);
        emit dataChanged(i, i);
    }
}

QVariant TNextGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const Column& c = m_columns[index.column()];
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        if (c.Def.Kind == TNxColumnKind::CheckBox)
            return {};
        if (c.Def.Kind == TNxColumnKind::Number) {
            const QString text = CellText(index.column(), row);
            if (text.isEmpty())
                return QString();
            return FormatAmountText(text); // grouped, never in exponent form
        }
        return CellText(index.column(), row);
    case Qt::CheckStateRole:
        if (c.Def.Kind == TNxColumnKind::CheckBox)
            return CellText(index.column(), row) == QLatin1String("True") ? Qt::Checked
                                                                          : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c.Def.Alignment);
    case Qt::BackgroundRole: {
        auto it = c.Colors.constFind(Logical(row));
        return it == c.Colors.constEnd() ? QVariant() : QVariant(it.value());
    }
    default:
        return {};
    }
}

QVariant TNextGridModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || section < 0 || size_t(section) >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[section].Def.Caption;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(m_columns[section].Def.HeaderAlignment);
    return {};
}

Qt::ItemFlags TNextGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const TNxColumn& def = m_columns[index.column()].Def;
    if (def.Kind == TNxColumnKind::CheckBox && (def.Options & coEditing))
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool TNextGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole)
        return false;
    if (!m_grid->CanEdit(index.column(), index.row()))
        return false;
    const bool checked = value.toInt() == Qt::Checked;
    SetText(index.column(), index.row(),
            checked ? QStringLiteral("True") : QStringLiteral("False"));
    return true;
}

const TColumnStore& TNextGridModel::Segment(int row, int& local) const
{
    return PartOf(m_segments, m_segmentStarts, row, local);
}

void TNextGridModel::ClearSegments()
{
    m_segments.clear();
    m_segmentStarts.clear();
    m_storeRows = 0;
    m_order.reset();
    m_places = {};
}

void TNextGridModel::SetOrder(std::vector<int> order)
{
    if (order.empty()) {
        m_order.reset();
        m_places = {};
        return;
    }
    m_places.assign(order.size(), 0);
    for (size_t i = 0; i < order.size(); ++i)
        m_places[size_t(order[i])] = int(i);
    m_order = std::make_shared<const std::vector<int>>(std::move(order));
}

void TNextGridModel::Reset(bool begin)
{
    m_locked = begin;
    if (begin)
        beginResetModel();
    else
        endResetModel();
}

// ---- grid ----

TNextGrid::TNextGrid(QWidget* parent) : QTableView(parent), m_model(new TNextGridModel(this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    // Tab leaves the grid for the next control; the arrows move inside it.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(m_rowSize);
    horizontalHeader()->setFixedHeight(m_headerSize);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TNextGrid::HeaderClicked);
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& i) { emit CellDoubleClicked(i.column(), i.row()); });
}

void TNextGrid::ClearColumns()
{
    BeginUpdate();
    m_model->m_columns.clear();
    m_model->m_rows = 0;
    m_model->ClearSegments();
    EndUpdate();
}

void TNextGrid::AddColumn(const TNxColumn& column)
{
    BeginUpdate();
    TNextGridModel::Column c;
    c.Def = column;
    m_model->m_columns.push_back(std::move(c));
    EndUpdate();
}

void TNextGrid::ApplyColumn(int index)
{
    const TNxColumn& def = m_model->m_columns[index].Def;
    setColumnHidden(index, !def.Visible);
    setColumnWidth(index, def.Width);
}

int TNextGrid::ColumnIndex(const QString& name) const
{
    for (int i = 0; i < ColumnCount(); ++i)
        if (m_model->m_columns[i].Def.Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TNextGrid::SetColumnVisible(int index, bool visible)
{
    m_model->m_columns.at(index).Def.Visible = visible;
    setColumnHidden(index, !visible);
}

void TNextGrid::FitColumnWidth(int col, int minWidth)
{
    const auto& c = m_model->m_columns.at(col);
    const QFontMetrics fm(font());
    int width = minWidth;
    if (c.Source >= 0) {
        int chars = 0;
        for (const auto& part : m_model->m_segments)
            chars = std::max(chars, part->MaxTextLength(c.Source));
        width = std::max(width, fm.horizontalAdvance(QString(chars, QLatin1Char('0'))) + 12);
    }
    for (const QString& text : c.Texts)
        width = std::max(width, fm.horizontalAdvance(text) + 12);
    setColumnWidth(col, width);
}

void TNextGrid::ClearRows()
{
    BeginUpdate();
    m_model->m_rows = 0;
    m_model->ClearSegments();
    m_sortColumn = -1;
    m_sort = TGridSort::None;
    ShowSortIndicator();
    for (auto& c : m_model->m_columns) {
        c.Source = -1;
        c.RowNumbers = false;
        c.Texts.clear();
        c.Colors.clear();
        c.Marks = {};
    }
    EndUpdate();
}

std::vector<std::shared_ptr<const TColumnStore>> TNextGrid::TakeRows()
{
    std::vector<std::shared_ptr<const TColumnStore>> parts = m_model->m_segments;
    ClearRows();
    return parts;
}

void TNextGrid::AddRow(int count)
{
    if (count <= 0)
        return;
    if (m_updateLock == 0) {
        m_model->beginInsertRows({}, m_model->m_rows, m_model->m_rows + count - 1);
        m_model->m_rows += count;
        m_model->endInsertRows();
    } else {
        m_model->m_rows += count;
    }
}

void TNextGrid::AttachRows(std::shared_ptr<const TColumnStore> store,
                           const std::vector<int>& sources, int rowNumberColumn)
{
    BeginUpdate();
    BindRows(sources, rowNumberColumn);
    if (store)
        AppendRows(std::move(store));
    EndUpdate();
}

void TNextGrid::BindRows(const std::vector<int>& sources, int rowNumberColumn)
{
    BeginUpdate();
    m_model->ClearSegments();
    m_model->m_rows = 0;
    m_sortColumn = -1;
    m_sort = TGridSort::None;
    ShowSortIndicator();
    for (int i = 0; i < ColumnCount(); ++i) {
        auto& c = m_model->m_columns[i];
        c.Source = size_t(i) < sources.size() ? sources[i] : -1;
        c.RowNumbers = i == rowNumberColumn;
        c.Texts.clear();
        c.Colors.clear();
        c.Marks = {};
    }
    EndUpdate();
}

void TNextGrid::AppendRows(std::shared_ptr<const TColumnStore> part)
{
    TNextGridModel& m = *m_model;
    const int first = m.m_storeRows, count = part->RowCount();
    if (count == 0)
        return;
    // Rows after the result (a totals row) stay after it.
    const bool insert = m_updateLock == 0;
    if (insert)
        m.beginInsertRows({}, first, first + count - 1);
    for (auto& c : m.m_columns) {
        if (c.Def.Kind != TNxColumnKind::CheckBox)
            continue;
        c.Marks.resize(size_t(first), false);
        for (int r = 0; r < count; ++r) {
            bool marked = false;
            if (c.Source >= 0) {
                if (part->ColumnKind(c.Source) == TColumnStore::Kind::Number) {
                    marked = part->Money(r, c.Source).Raw() != 0;
                } else {
                    const QString text = part->Text(r, c.Source);
                    marked = text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
                             text == QLatin1String("1");
                }
            }
            c.Marks.push_back(marked);
        }
    }
    if (m.m_order) {
        // Rows arriving under a sort come after the sorted ones.
        std::vector<int> order(*m.m_order);
        for (int r = 0; r < count; ++r)
            order.push_back(first + r);
        m.SetOrder(std::move(order));
    }
    m.m_segmentStarts.push_back(first);
    m.m_segments.push_back(std::move(part));
    m.m_storeRows += count;
    m.m_rows += count;
    if (insert)
        m.endInsertRows();
}

int TNextGrid::SelectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (!rows.isEmpty())
        return rows.first().row();
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isSelected(current) ? current.row() : -1;
}

void TNextGrid::SetSelectedRow(int row)
{
    if (row < 0 || row >= RowCount()) {
        clearSelection();
        return;
    }
    int col = 0;
    while (col < ColumnCount() && isColumnHidden(col))
        ++col;
    const QModelIndex i = m_model->index(row, col < ColumnCount() ? col : 0);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                             QItemSelectionModel::Rows);
}

void TNextGrid::ScrollToCurrentRow()
{
    const int across = horizontalScrollBar()->value();
    scrollTo(currentIndex());
    horizontalScrollBar()->setValue(across);
}

void TNextGrid::CheckBounds(int col, int row) const
{
    if (col < 0 || col >= ColumnCount() || row < 0 || row >= RowCount())
        throw Exception(QStringLiteral("Cell out of bounds (%1, %2)").arg(col).arg(row));
}

QString TNextGrid::Cells(int col, int row) const
{
    CheckBounds(col, row);
    return m_model->CellText(col, row);
}

TGridCells TNextGrid::Snapshot() const
{
    TGridCells cells;
    for (const auto& c : m_model->m_columns)
        cells.m_columns.push_back(
            {c.Def.Kind == TNxColumnKind::CheckBox, c.Source, c.RowNumbers, c.Texts, c.Marks});
    cells.m_segments = m_model->m_segments;
    cells.m_segmentStarts = m_model->m_segmentStarts;
    cells.m_order = m_model->m_order;
    cells.m_storeRows = m_model->m_storeRows;
    cells.m_rows = m_model->m_rows;
    return cells;
}

void TNextGrid::SetCells(int col, int row, const QString& text)
{
    CheckBounds(col, row);
    m_model->SetText(col, row, text);
}

void TNextGrid::SetAllMarks(int col, bool marked)
{
    if (RowCount() == 0)
        return;
    CheckBounds(col, 0);
    auto& c = m_model->m_columns[size_t(col)];
    if (c.Def.Kind != TNxColumnKind::CheckBox)
        throw Exception(QStringLiteral("Column %1 has no marks").arg(col));
    c.Marks.assign(size_t(RowCount()), marked);
    if (m_updateLock == 0)
        emit m_model->dataChanged(m_model->index(0, col), m_model->index(RowCount() - 1, col));
}

double TNextGrid::CellAsFloat(int col, int row) const
{
    CheckBounds(col, row);
    return m_model->CellMoney(col, row).ToDouble();
}

void TNextGrid::AddCellToSum(int col, int row, TMoneySum& sum) const
{
    CheckBounds(col, row);
    const auto& c = m_model->m_columns[col];
    int local = 0;
    const int logical = m_model->Logical(row);
    if (logical < m_model->m_storeRows && c.Source >= 0 && !c.Texts.contains(logical))
        m_model->Segment(logical, local).AddToSum(local, c.Source, sum);
    else
        sum.AddText(m_model->CellText(col, row));
}

Currency TNextGrid::CellAsCurrency(int col, int row) const
{
    CheckBounds(col, row);
    return m_model->CellMoney(col, row);
}

void TNextGrid::SetCellColor(int col, int row, const QColor& color)
{
    CheckBounds(col, row);
    m_model->m_columns[col].Colors.insert(m_model->Logical(row), color);
}

QColor TNextGrid::CellColor(int col, int row) const
{
    CheckBounds(col, row);
    return m_model->m_columns[col].Colors.value(m_model->Logical(row));
}

void TNextGrid::BeginUpdate()
{
    if (m_updateLock++ == 0) {
        setUpdatesEnabled(false);
        m_model->Reset(true);
    }
}

void TNextGrid::EndUpdate()
{
    if (m_updateLock == 0 || --m_updateLock > 0)
        return;
    m_model->Reset(false);
    for (int i = 0; i < ColumnCount(); ++i)
        ApplyColumn(i);
    setUpdatesEnabled(true);
}

void TNextGrid::SetHeaderSize(int height)
{
    m_headerSize = height;
    horizontalHeader()->setFixedHeight(height);
}

void TNextGrid::SetRowSize(int height)
{
    m_rowSize = height;
    verticalHeader()->setDefaultSectionSize(height);
}

void TNextGrid::SetOptions(unsigned options)
{
    m_options = options;
    horizontalHeader()->setVisible(options & goHeader);
    setSelectionBehavior(options & goSelectFullRow ? QAbstractItemView::SelectRows
                                                   : QAbstractItemView::SelectItems);
}

void TNextGrid::SetGridLinesColor(const QColor& color)
{
    const QString sheet = QStringLiteral("QTableView { gridline-color: %1; }").arg(color.name());
    if (sheet == styleSheet())
        return;
    // A style sheet set on a grid already shown drops the fallback families of the window's
    // font (the cells of a rebuilt list would turn to another face and size).
    const QFont kept = font();
    setStyleSheet(sheet);
    if (font() != kept)
        setFont(kept);
}

bool TNextGrid::CanEdit(int col, int row)
{
    bool accept = true;
    if (OnBeforeEdit)
        OnBeforeEdit(this, col, row, accept);
    return accept;
}

void TNextGrid::keyPressEvent(QKeyEvent* e)
{
    if (OnKeyPress && !e->text().isEmpty()) {
        QChar key = e->text().at(0);
        OnKeyPress(this, key);
        if (key.isNull())
            return;
    }
    // The Menu key and Shift+F10 open the pop-up menu at the current row.
    if (e->key() == Qt::Key_Menu ||
        (e->key() == Qt::Key_F10 && e->modifiers() == Qt::ShiftModifier)) {
        if (contextMenuPolicy() == Qt::CustomContextMenu) {
            const QRect cell = visualRect(currentIndex());
            emit customContextMenuRequested(cell.isValid() ? cell.center() : QPoint(4, 4));
            return;
        }
    }
    // Space marks or clears the check boxes of the selected row.
    if (e->key() == Qt::Key_Space) {
        const int row = SelectedRow();
        for (int c = 0; row >= 0 && c < ColumnCount(); ++c) {
            const TNxColumn& def = Column(c);
            if (def.Kind == TNxColumnKind::CheckBox && (def.Options & coEditing) && CanEdit(c, row))
                SetCells(c, row, Cells(c, row) == QLatin1String("True") ? "False" : "True");
        }
        return;
    }
    QTableView::keyPressEvent(e);
}

// ---- sorting ----

std::vector<int> TNextGrid::SortOrder(int col, bool descending) const
{
    const TNextGridModel& m = *m_model;
    const auto& c = m.m_columns[size_t(col)];
    const int rows = m.m_storeRows;
    if (c.RowNumbers)
        return {};
    if (c.Def.Kind == TNxColumnKind::CheckBox) {
        std::vector<int> order(static_cast<size_t>(rows), 0);
        std::iota(order.begin(), order.end(), 0);
        auto marked = [&c](int r) { return size_t(r) < c.Marks.size() && c.Marks[size_t(r)]; };
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return descending ? marked(a) && !marked(b) : !marked(a) && marked(b);
        });
        return order;
    }
    bool written = false;
    for (auto it = c.Texts.cbegin(); !written && it != c.Texts.cend(); ++it)
        written = it.key() < rows;
    const QCollator collator = ListCollator();
    if (c.Source >= 0 && !written)
        return SortedRowOrder(m.m_segments, c.Source,
                              c.Def.Kind == TNxColumnKind::Number ? TSortAs::Number : TSortAs::Text,
                              descending, collator, &m_rankMemo);
    std::vector<QString> texts;
    texts.reserve(size_t(rows));
    for (int r = 0; r < rows; ++r)
        texts.push_back(CellTextOf(c, false, m.m_segments, m.m_segmentStarts, rows, r, r));
    return SortedTextOrder(texts, descending, collator);
}

void TNextGrid::SortByColumn(int col, TGridSort sort)
{
    if (col < 0 || col >= ColumnCount())
        throw Exception(QStringLiteral("Column %1 out of bounds").arg(col));
    const QModelIndex current = currentIndex();
    const int currentRow = current.isValid() ? m_model->Logical(current.row()) : -1;
    const int currentCol = current.isValid() ? current.column() : 0;
    const int across = horizontalScrollBar()->value(); // the model's reset moves it too
    std::vector<int> order;
    if (sort != TGridSort::None)
        order = SortOrder(col, sort == TGridSort::Descending);
    if (order.empty())
        sort = TGridSort::None;
    m_model->beginResetModel();
    m_model->SetOrder(std::move(order));
    m_model->endResetModel();
    m_sortColumn = sort == TGridSort::None ? -1 : col;
    m_sort = sort;
    ShowSortIndicator();
    if (currentRow >= 0) {
        const int place = size_t(currentRow) < m_model->m_places.size()
                              ? m_model->m_places[size_t(currentRow)]
                              : currentRow;
        const QModelIndex i = m_model->index(place, currentCol);
        selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
        scrollTo(i);
    }
    // The clicked header stays under the mouse, so a second click on the same place sorts the
    // same column descending.
    horizontalScrollBar()->setValue(across);
    emit Sorted();
}

void TNextGrid::HeaderClicked(int col)
{
    if (m_sortable) {
        TGridSort next = TGridSort::Ascending;
        if (col == m_sortColumn)
            next = m_sort == TGridSort::Ascending ? TGridSort::Descending : TGridSort::None;
        SortByColumn(col, next);
    }
    ShowSortIndicator(); // the header turned its arrow itself
}

void TNextGrid::ShowSortIndicator()
{
    horizontalHeader()->setSortIndicator(
        m_sortColumn, m_sort == TGridSort::Descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

// ---- finding ----

std::vector<int> TNextGrid::FindRows(const TTextMatcher& matcher, int col) const
{
    TGridSearch search(*this, matcher, col);
    search.Run(-1);
    return search.Rows();
}

int StepToMatch(const std::vector<int>& rows, int current, bool backwards)
{
    if (rows.empty())
        return -1;
    if (backwards) {
        const auto it = std::lower_bound(rows.begin(), rows.end(), current);
        return it == rows.begin() ? int(rows.size()) - 1 : int(it - rows.begin()) - 1;
    }
    const auto it = std::upper_bound(rows.begin(), rows.end(), current);
    return it == rows.end() ? 0 : int(it - rows.begin());
}
