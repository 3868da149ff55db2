#include "controls/TNextGrid.h"
#include "controls/untGridSearch.h"
#include "platform/untException.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace
{
std::shared_ptr<TColumnStore> Store(int rows)
{
    auto s = std::make_shared<TColumnStore>();
    s->SetColumns({"chk", "code", "amount", "NumId"}, {false, false, true, false});
    for (int r = 0; r < rows; ++r) {
        s->Append(0, 0);
        s->Append(1, QString("C%1").arg(r % 3));
        s->Append(2, 12.5 * r);
        s->Append(3, QString());
        s->EndRow();
    }
    return s;
}

void AddColumns(TNextGrid& g)
{
    auto column = [](const char* name, TNxColumnKind kind) {
        TNxColumn c;
        c.Name = name;
        c.Caption = name;
        c.Kind = kind;
        return c;
    };
    TNxColumn chk = column("chk", TNxColumnKind::CheckBox);
    chk.Options = coEditing | coCanClick;
    g.AddColumn(chk);
    g.AddColumn(column("code", TNxColumnKind::Text));
    TNxColumn amount = column("amount", TNxColumnKind::Number);
    amount.FormatMask = "#,##0.00";
    g.AddColumn(amount);
    g.AddColumn(column("NumId", TNxColumnKind::Text));
}
} // namespace

TEST(Grid, AttachedRowsReadWithoutCopies)
{
    TNextGrid g;
    QAbstractItemModelTester tester(g.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    AddColumns(g);
    g.AttachRows(Store(5), {0, 1, 2, -1}, 3);
    ASSERT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.Cells(1, 4), "C1");
    EXPECT_EQ(g.Cells(2, 3), "37.5");
    EXPECT_EQ(g.Cells(3, 0), "1");
    EXPECT_EQ(g.Cells(3, 4), "5");
    EXPECT_EQ(g.Cells(0, 2), "False");
    EXPECT_DOUBLE_EQ(g.CellAsFloat(2, 4), 50.0);
    EXPECT_EQ(g.model()->data(g.model()->index(4, 2)).toString(), "50.00");
    EXPECT_EQ(g.ColumnIndex("AMOUNT"), 2);
    EXPECT_EQ(g.ColumnIndex("none"), -1);

    g.AddRow(1);
    EXPECT_EQ(g.RowCount(), 6);
    EXPECT_EQ(g.Cells(1, 5), "");
    g.SetCells(1, 5, "合计");
    g.SetCells(2, 5, "1234567.5");
    g.SetCellColor(1, 5, QColor(200, 200, 255));
    EXPECT_EQ(g.Cells(1, 5), "合计");
    EXPECT_EQ(g.model()->data(g.model()->index(5, 2)).toString(), "1,234,567.50");
    EXPECT_EQ(g.model()->data(g.model()->index(5, 1), Qt::BackgroundRole).value<QColor>(),
              QColor(200, 200, 255));
    g.SetCells(2, 0, "7"); // a written cell wins over the result
    EXPECT_EQ(g.CellAsCurrency(2, 0).ToSqlText(), "7");
}

TEST(Grid, OutOfBoundsAndSelection)
{
    TNextGrid g;
    AddColumns(g);
    EXPECT_EQ(g.SelectedRow(), -1);
    try {
        g.Cells(0, 0);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cell out of bounds (0, 0)");
    }
    g.AttachRows(Store(3), {0, 1, 2, -1}, 3);
    EXPECT_THROW(g.Cells(4, 0), Exception);
    EXPECT_THROW(g.SetCells(0, 3, "True"), Exception);
    EXPECT_THROW(g.Cells(-1, 1), Exception);
    g.SetSelectedRow(2);
    EXPECT_EQ(g.SelectedRow(), 2);
    g.ClearRows();
    EXPECT_EQ(g.RowCount(), 0);
    EXPECT_EQ(g.SelectedRow(), -1);
}

TEST(Grid, MarksAreTrueFalseTextsAndRespectBeforeEdit)
{
    TNextGrid g;
    AddColumns(g);
    g.AttachRows(Store(3), {0, 1, 2, -1}, 3);
    QAbstractItemModel* m = g.model();
    EXPECT_TRUE(m->flags(m->index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_TRUE(m->setData(m->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(g.Cells(0, 1), "True");
    g.OnBeforeEdit = [](TNextGrid* grid, int, int row, bool& accept) {
        accept = row != grid->RowCount() - 1;
    };
    EXPECT_FALSE(m->setData(m->index(2, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(g.Cells(0, 2), "False");
    g.SetCells(0, 2, "True"); // code may mark any row
    EXPECT_EQ(g.Cells(0, 2), "True");
}

// A header click sorts the result's rows (ascending, descending, the list's order); the
// totals row stays last, marks, colours and the current row go with their rows, the row
// numbers count the rows as shown; a grid that is not sortable ignores the click.
TEST(Grid, HeaderClickSortsTheResultAndTheRowsKeepTheirMarks)
{
    TNextGrid g;
    QAbstractItemModelTester tester(g.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    AddColumns(g);
    g.AttachRows(Store(6), {0, 1, 2, -1}, 3); // codes C0 C1 C2 C0 C1 C2, amounts 0 … 62.5
    g.AddRow(1);
    g.SetCells(1, 6, "合计");
    g.SetCells(0, 4, "True");
    g.SetCellColor(2, 4, Qt::red);
    g.SetSelectedRow(4);
    auto column = [&g](int col) {
        QStringList texts;
        for (int r = 0; r < g.RowCount(); ++r)
            texts << g.Cells(col, r);
        return texts.join(' ');
    };
    QHeaderView* header = g.horizontalHeader();
    header->resize(400, 20);
    auto click = [&](int col) { emit header->sectionClicked(col); };

    click(1); // not sortable yet (the list is still arriving)
    EXPECT_EQ(g.SortState(), TGridSort::None);
    EXPECT_EQ(header->sortIndicatorSection(), -1);
    g.SetSortable(true);

    click(2);
    click(2);
    EXPECT_EQ(g.SortState(), TGridSort::Descending);
    EXPECT_EQ(header->sortIndicatorSection(), 2);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(column(2), "62.5 50 37.5 25 12.5 0 ");
    EXPECT_EQ(column(1), "C2 C1 C0 C2 C1 C0 合计");
    EXPECT_EQ(column(3), "1 2 3 4 5 6 ");
    EXPECT_EQ(g.SelectedRow(), 1); // the row of 50 went along
    EXPECT_EQ(g.Cells(0, 1), "True");
    EXPECT_EQ(g.CellColor(2, 1), QColor(Qt::red));
    EXPECT_EQ(g.Snapshot().ShownText(2, 0), "62.5");
    EXPECT_TRUE(g.Snapshot().Marked(0, 1));

    click(1); // texts: equal codes keep the order they had in the list
    EXPECT_EQ(column(2), "0 37.5 12.5 50 25 62.5 ");
    EXPECT_EQ(g.SelectedRow(), 3);
    g.SetCells(0, 0, "True"); // marks the row of 0
    click(0);                 // another column starts ascending: by mark, unmarked first
    EXPECT_EQ(column(2), "12.5 25 37.5 62.5 0 50 ");
    click(0);
    click(0); // the list's order again
    EXPECT_EQ(g.SortState(), TGridSort::None);
    EXPECT_EQ(header->sortIndicatorSection(), -1);
    EXPECT_EQ(column(0), "True False False False True False False");
    EXPECT_EQ(g.SelectedRow(), 4);

    // A header clicked in a list scrolled to the right stays where it was clicked.
    g.resize(120, 200);
    g.show();
    for (int c = 0; c < g.ColumnCount(); ++c)
        g.setColumnWidth(c, 200);
    g.horizontalScrollBar()->setValue(g.horizontalScrollBar()->maximum());
    const int across = g.horizontalScrollBar()->value();
    ASSERT_GT(across, 0);
    click(2);
    EXPECT_EQ(g.horizontalScrollBar()->value(), across);

    g.SortByColumn(2, TGridSort::Descending);
    g.AttachRows(Store(2), {0, 1, 2, -1}, 3); // the list read again: its own order
    EXPECT_EQ(g.SortState(), TGridSort::None);
    EXPECT_EQ(column(2), "0 12.5");
}

// Finding: in one column or every visible one, amounts as shown without grouping (a whole cell
// by value), written cells instead of the result's, rows as shown after a sort; the next match
// goes round the end either way.
TEST(Grid, FindRowsAsShownAndStepRoundTheEnd)
{
    TNextGrid g;
    AddColumns(g);
    g.AttachRows(Store(6), {0, 1, 2, -1}, 3); // C0 C1 C2 C0 C1 C2; 0 12.5 25 37.5 50 62.5
    g.AddRow(1);
    g.SetCells(1, 6, "合计");
    g.SetCells(2, 6, "187.5");
    g.SetCells(1, 3, "c9"); // written over C0
    auto find = [&g](const QString& text, bool whole, int col) {
        return g.FindRows(TTextMatcher(text, whole), col);
    };
    EXPECT_EQ(find("c0", false, -1), (std::vector<int>{0}));
    EXPECT_EQ(find("c", false, 1), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(find("2.5", false, -1), (std::vector<int>{1, 5}));  // 12.50, 62.50
    EXPECT_EQ(find("25.00", true, -1), (std::vector<int>{2}));    // by value
    EXPECT_EQ(find("187.50", true, 2), (std::vector<int>{6}));    // the totals
    EXPECT_EQ(find("1", false, -1), (std::vector<int>{1, 4, 6})); // C1, 12.50, 187.50
    EXPECT_TRUE(find("1", false, 3).empty());                     // row numbers are not searched
    g.SortByColumn(2, TGridSort::Descending);                     // C2 C1 c9 C2 C1 C0 合计
    EXPECT_EQ(find("C1", true, -1), (std::vector<int>{1, 4}));
    // In steps, as the find bar searches a long list: the same rows in the end, and the
    // nearest match row by row meanwhile, written cells instead of the result's.
    TGridSearch search(g, TTextMatcher("C1", true), -1);
    EXPECT_FALSE(search.Run(0));
    EXPECT_EQ(search.Near(1, false, 7), 4);
    EXPECT_EQ(search.Near(4, false, 7), 1); // round the end
    EXPECT_EQ(search.Near(1, true, 7), 4);
    EXPECT_EQ(search.Near(1, false, 2), -1); // not among the next two
    while (!search.Run(0)) {
    }
    EXPECT_EQ(search.Rows(), (std::vector<int>{1, 4}));
    EXPECT_EQ(TGridSearch(g, TTextMatcher("C0", true), -1).Near(-1, false, 7), 5);
    EXPECT_EQ(TGridSearch(g, TTextMatcher("187.5", true), 2).Near(0, true, 7), 6);
    EXPECT_EQ(TGridSearch(g, TTextMatcher("2.5", false), -1).Near(6, false, 7), 0); // 62.50

    const std::vector<int> rows = {2, 5, 9};
    EXPECT_EQ(StepToMatch(rows, -1, false), 0);
    EXPECT_EQ(StepToMatch(rows, 5, false), 2);
    EXPECT_EQ(StepToMatch(rows, 9, false), 0);
    EXPECT_EQ(StepToMatch(rows, 5, true), 0);
    EXPECT_EQ(StepToMatch(rows, 2, true), 2);
    EXPECT_EQ(StepToMatch({}, 3, false), -1);
}

// The columns are built again when a layout file is refused: the cells keep the window's font.
TEST(Grid, GridLinesColourSetAgainKeepsTheWindowsFont)
{
    QWidget window;
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSize(9);
    window.setFont(font);
    auto* grid = new TNextGrid(&window);
    grid->SetGridLinesColor(Qt::gray);
    window.show();
    const QFont shown = grid->font();
    grid->SetGridLinesColor(Qt::gray);
    EXPECT_EQ(grid->font().toString(), shown.toString());
    grid->SetGridLinesColor(Qt::darkGray);
    EXPECT_EQ(grid->font().toString(), shown.toString());
    EXPECT_TRUE(grid->styleSheet().contains(QColor(Qt::darkGray).name()));
}
