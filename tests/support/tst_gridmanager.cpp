#include "controls/TNextGrid.h"
#include "fixtures/TestDatabase.h"
#include "support/gunNextGridManager.h"
#include "platform/untCodePage.h"

#include <QApplication>
#include <QFile>
#include <gtest/gtest.h>

namespace
{
QList<TGridFieldDef> Definitions()
{
    return {{"", "chk", 1, 2, 20, 0, 1},        {"编号", "budgid", 1, 1, 35, 1, 1},
            {"名称", "name", 1, 1, 100, 2, 1},  {"控制金额", "amount", 1, 0, 120, 3, 1},
            {"差额", "other", 0, 0, 120, 4, 1}, {"序号", "NumId", 1, 1, 80, 5, 1}};
}

const char* kSql =
    "select 0 as chk, budgid, name, amount, other, '' as NumId from g order by budgid";

class GridFill : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
        const QString money = GetParam() == Engine::PostgreSQL ? "numeric(18,4)" : "numeric";
        db.Exec("create table g (budgid varchar(10), name varchar(20), amount " + money +
                ", other " + money + ")");
    }
    void Add(const char* id, const char* name, const char* amount, const char* other)
    {
        db.Exec(QString("insert into g values ('%1','%2',%3,%4)").arg(id, name, amount, other));
    }
    TestDatabase db{GetParam()};
    TNextGrid grid;
    TNextGridManager manager{Definitions(), "ngdTestNoLayout"};
};
INSTANTIATE_TEST_SUITE_P(Db, GridFill, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);
} // namespace

TEST_P(GridFill, EmptyResultLeavesAnEmptyGrid)
{
    manager.Fill(&grid, kSql, true, false, true);
    EXPECT_EQ(grid.ColumnCount(), 6);
    EXPECT_EQ(grid.RowCount(), 0);
    EXPECT_EQ(grid.SelectedRow(), -1);
    EXPECT_FALSE(manager.Filling());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    manager.Fill(&grid, "select nonsense", true, false, true); // cannot be opened: empty, silent
    EXPECT_EQ(grid.RowCount(), 0);
}

TEST_P(GridFill, RowNumbersTotalsAndTheProtectedTotalsRow)
{
    Add("1", "甲", "100", "1.5");
    Add("2", "乙", "12.5", "-3.25");
    Add("3", "丙", "0.0001", "null");
    manager.Fill(&grid, kSql, true, false, true);
    ASSERT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.SelectedRow(), 0);
    EXPECT_EQ(manager.GetText(&grid, 1, "name"), QStringLiteral("乙"));
    EXPECT_EQ(manager.GetText(&grid, 2, "NumId"), "3");
    EXPECT_EQ(manager.GetText(&grid, 2, "other"), "");
    EXPECT_EQ(manager.GetText(&grid, 0, "chk"), "False");
    EXPECT_EQ(manager.GetText(&grid, 3, "budgid"), QStringLiteral("合计"));
    EXPECT_EQ(manager.GetText(&grid, 3, "amount"), "112.5001");
    EXPECT_EQ(manager.GetText(&grid, 3, "other"), "-1.75");
    EXPECT_EQ(manager.GetText(&grid, 3, "name"), "");
    EXPECT_EQ(manager.GetCurrency(&grid, 1, "amount").ToSqlText(), "12.5");
    for (int c = 0; c < grid.ColumnCount(); ++c)
        EXPECT_EQ(grid.CellColor(c, 3), QColor(200, 200, 255));
    EXPECT_TRUE(grid.CanEdit(0, 2));
    EXPECT_FALSE(grid.CanEdit(0, 3));
    QAbstractItemModel* m = grid.model();
    EXPECT_FALSE(m->setData(m->index(3, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(manager.GetText(&grid, 3, "chk"), "False");
    EXPECT_THROW(manager.GetCurrency(&grid, 0, "name"), Exception);
    EXPECT_THROW(manager.GetText(&grid, 0, "nosuch"), Exception);
    EXPECT_THROW(manager.GetText(&grid, 4, "name"), Exception);

    manager.Fill(&grid, kSql, true, true, false); // halved, no row numbers
    EXPECT_EQ(manager.GetText(&grid, 3, "amount"), "56.25");
    EXPECT_EQ(manager.GetText(&grid, 0, "NumId"), "");
    manager.Fill(&grid, "select 0 as chk, budgid, name from g", true, false, false);
    EXPECT_EQ(grid.RowCount(), 4); // amount columns exist in the grid: totals of what is there
}

TEST_P(GridFill, NoNumberColumnsNoTotals)
{
    Add("1", "甲", "1", "1");
    TNextGridManager textOnly({{"编号", "budgid", 1, 1, 35, 0, 1},
                               {"名称", "name", 1, 1, 35, 1, 1},
                               {"x", "NumId", 1, 1, 35, 2, 1}},
                              "ngdTestNoLayout");
    textOnly.Fill(&grid, "select budgid, name, '' as NumId from g", true, false, true);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(textOnly.GetText(&grid, 0, "NumId"), "1");
}

TEST_P(GridFill, TotalsAreExactAtScale)
{
    const bool pg = GetParam() == Engine::PostgreSQL;
    db.Exec(pg ? "insert into g select cast(i as varchar), 'n', 1234567.89, 0.07 from "
                 "generate_series(1,20000) i"
               : "with recursive n(i) as (select 1 union all select i+1 from n where i<20000) "
                 "insert into g select i, 'n', 1234567.89, 0.07 from n");
    manager.Fill(&grid, kSql, true, false, true);
    ASSERT_EQ(grid.RowCount(), 20001);
    EXPECT_EQ(manager.GetText(&grid, 20000, "amount"), "24691357800");
    EXPECT_EQ(manager.GetText(&grid, 20000, "other"), "1400");
}

TEST_P(GridFill, MismatchedResultFailsAfterUnlocking)
{
    Add("1", "甲", "1", "1");
    EXPECT_THROW(manager.Fill(&grid, "select 0 as chk, budgid, amount, other, '' as NumId from g",
                              true, false, true),
                 Exception);
    EXPECT_FALSE(manager.Filling());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(grid.updatesEnabled());
    EXPECT_THROW(manager.Fill(&grid,
                              "select 0 as chk, budgid, name, amount, other, 1 as a, 2 as b from g",
                              true, false, true),
                 Exception);
}

namespace
{
QString WriteLayout(const QString& grid, const QByteArray& body)
{
    const QString path = QCoreApplication::applicationDirPath() + "/" + grid + ".for";
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(body);
    return path;
}
} // namespace

TEST(GridLayout, FileReplacesDefinitionsInItsOrder)
{
    const QString body = QStringLiteral("[DTFormatInfo]\nhigh=2\n"
                                        "[strFieldTital]\n0=金额\n1=编号\n2=名称\n"
                                        "[strFieldName]\n0=amount\n1=budgid\n2=name\n"
                                        "[xcFieldType]\n0=1\n1=1\n2=7\n"
                                        "[xcFieldDataType]\n0=0\n1=1\n2=9\n"
                                        "[intFieldLen]\n0=90\n1=40\n2=60\n"
                                        "[intOrder]\n0=2\n1=0\n2=1\n");
    const QString path = WriteLayout("ngdLayoutGbk", ToCp936(body));
    TNextGridManager manager(Definitions(), "ngdLayoutGbk");
    EXPECT_EQ(manager.LayoutFilePath(), path);
    TNextGrid grid;
    manager.BuildColumns(&grid);
    ASSERT_EQ(grid.ColumnCount(), 3);
    EXPECT_EQ(grid.Column(0).Name, "budgid");
    EXPECT_EQ(grid.Column(1).Name, "name");
    EXPECT_EQ(grid.Column(1).Kind, TNxColumnKind::Text); // kind 9 read as text
    EXPECT_FALSE(grid.Column(1).Visible);                // visibility 7 read as 0
    EXPECT_EQ(grid.Column(2).Caption, QStringLiteral("金额"));
    EXPECT_EQ(grid.Column(2).Kind, TNxColumnKind::Number);
    EXPECT_EQ(grid.Column(2).Width, 90);
    EXPECT_EQ(grid.HeaderSize(), 20);
    EXPECT_EQ(grid.RowSize(), 20);
    QFile::remove(path);

    for (const char* high : {"0", "201", "x"}) {
        const QString p =
            WriteLayout("ngdLayoutOut", QByteArray("[DTFormatInfo]\nhigh=") + high + "\n");
        TNextGridManager m(Definitions(), "ngdLayoutOut");
        TNextGrid g;
        m.BuildColumns(&g);
        EXPECT_EQ(g.ColumnCount(), 6) << high;
        QFile::remove(p);
    }
}

TEST(GridLayout, UnknownKindMakesNoColumn)
{
    QList<TGridFieldDef> defs = Definitions();
    defs[2].xcFieldDataType = 5;
    TNextGridManager manager(defs, "ngdTestNoLayout");
    TNextGrid grid;
    manager.BuildColumns(&grid);
    ASSERT_EQ(grid.ColumnCount(), 5);
    EXPECT_EQ(grid.Column(2).Name, "amount");
    EXPECT_EQ(grid.Column(0).Kind, TNxColumnKind::CheckBox);
    EXPECT_EQ(grid.Column(0).Alignment, Qt::AlignCenter);
    EXPECT_FALSE(grid.Column(3).Visible);
    EXPECT_EQ(grid.Column(2).FormatMask, "#,##0.00");
}
