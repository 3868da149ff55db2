#include "controls/TNextGrid.h"
#include "platform/untException.h"

#include <QAbstractItemModelTester>
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
