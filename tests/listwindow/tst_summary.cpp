#include "fixtures/ListFixture.h"
#include "fixtures/SheetReader.h"

#include "context/untAdodbIsomer.h"
#include "context/untSqlTrace.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "listwindow/bwnQuindle.h"
#include "listwindow/bwnSummary.h"
#include "listwindow/bwnSummaryChart.h"
#include "listwindow/bwnSummaryQuery.h"
#include "plugin/untShareResRefManager.h"
#include "support/gunNextGridManager.h"
#include "support/untTablePrint.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QValueAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

namespace
{
class Summary : public ListFixture
{
protected:
    Summary() : ListFixture(TestDatabase::Demo) {}

    ListFilter Scope(const QString& unit, const QString& btype = QStringLiteral("1"))
    {
        ListFilter f;
        f.DataYear = 2026;
        f.BTypeIndex = btype;
        f.BureauMode = QStringLiteral("1");
        f.UnitCode = unit;
        return f;
    }
};

// What the list shows for the filter: its rows counted and summed as its totals row sums them.
struct ListTotals {
    int Rows = 0;
    QString Entered, Finance, Control;
};

ListTotals ListSums(TAdoConn* conn, const ListFilter& f)
{
    const TIntfPtr<TARQuery> q = TARQuery::Open(conn, ListStatement(f, conn->Dialect()));
    const TColumnStore& rows = q->Store();
    TMoneySum sums[3];
    const char* columns[] = {"inputmoney", "duemoney", "budgmoney"};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < rows.RowCount(); ++r)
            rows.AddToSum(r, rows.ColumnIndex(QLatin1String(columns[c])), sums[c]);
    return {rows.RowCount(), sums[0].Text(), sums[1].Text(), sums[2].Text()};
}

ListTotals GroupTotals(const std::vector<TSummaryGroup>& groups)
{
    ListTotals t;
    TMoneySum e, f, c;
    for (const TSummaryGroup& g : groups) {
        t.Rows += int(g.Count);
        e = SumPlus(e, g.Entered);
        f = SumPlus(f, g.Finance);
        c = SumPlus(c, g.Control);
    }
    return {t.Rows, e.Text(), f.Text(), c.Text()};
}

void ExpectSame(const ListTotals& a, const ListTotals& b, const std::string& where)
{
    EXPECT_EQ(a.Rows, b.Rows) << where;
    EXPECT_EQ(a.Entered, b.Entered) << where;
    EXPECT_EQ(a.Finance, b.Finance) << where;
    EXPECT_EQ(a.Control, b.Control) << where;
}

TSummaryRow Row(const QString& key, qint64 count, const QString& amount)
{
    TSummaryRow r;
    r.Key = key;
    r.Caption = key;
    r.Count = count;
    r.Amount.AddText(amount);
    return r;
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Db, Summary, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

// Every grouping of a scope adds up to the list's rows and totals, and the list opened on each
// group (its narrower filter) shows exactly that group's rows and sums.
TEST_P(Summary, EveryGroupingAddsUpToTheListAndEachGroupOpensAsItsList)
{
    TAdoConn* conn = db.Def();
    ListFilter department = Scope(QStringLiteral("101001"));
    department.SourceCode = QStringLiteral("21");
    ListFilter temporary = Scope(QStringLiteral("101"), QStringLiteral("2"));
    temporary.MoneyKindCode = QStringLiteral("11");
    for (const ListFilter& scope : {Scope(QStringLiteral("101")), department, temporary}) {
        const ListTotals list = ListSums(conn, scope);
        ASSERT_GT(list.Rows, 0) << scope.UnitCode.toStdString();
        for (int by = 0; by < SummaryByCaptions().size(); ++by) {
            const std::string where = scope.UnitCode.toStdString() + "/" + std::to_string(by);
            const auto groups =
                ReadSummary(conn, SummaryStatement(scope, TSummaryBy(by), conn->Dialect()));
            ExpectSame(GroupTotals(groups), list, where);
            const TSummaryTable table =
                SummaryTable(groups, TSummaryBy(by), TSummaryAmount::Control);
            for (const TSummaryRow& row : {table.Rows.front(), table.Rows.back()}) {
                const auto f = GroupFilter(scope, TSummaryBy(by), row, false);
                ASSERT_TRUE(f) << where;
                const auto group = std::find_if(groups.begin(), groups.end(),
                                                [&](const auto& g) { return g.Key == row.Key; });
                ExpectSame(ListSums(conn, *f), GroupTotals({*group}),
                           where + " " + row.Key.toStdString());
            }
            for (const TSummaryGroup& g : groups) {
                if (by == int(TSummaryBy::Department) && scope.UnitCode == QLatin1String("101")) {
                    EXPECT_TRUE(g.Key.size() == 6 && !g.Name.isEmpty()) << g.Key.toStdString();
                }
                if (by == int(TSummaryBy::EntryMonth)) {
                    EXPECT_TRUE(g.Key.startsWith(QLatin1String("20")) && g.Key.size() == 7)
                        << g.Key.toStdString();
                }
            }
        }
    }
}

// A summary kept on a connection answers the same statement again without reading it, until
// rows change: committed on another connection or by the reading connection itself.
TEST_P(Summary, KeptSummaryIsReadAgainOnceRowsChange)
{
    std::unique_ptr<TAdoConn> reader(db.Def()->Clone());
    const QString sql =
        SummaryStatement(Scope(QStringLiteral("101")), TSummaryBy::MoneyKind, db.Def()->Dialect());
    int reads = 0;
    SetSqlObserver([&](const SqlTraceEntry& e) { reads += e.Sql == sql; });
    const auto control = [&] {
        TMoneySum total;
        for (const TSummaryGroup& g : ReadSummaryKept(reader.get(), sql, false))
            total = SumPlus(total, g.Control);
        return total.Text();
    };
    const QString before = control();
    EXPECT_EQ(control(), before);
    ReadSummaryKept(reader.get(), sql, true); // 刷新
    if (GetParam() == Engine::SQLite) { // PostgreSQL's snapshot moves with other tests' writes
        EXPECT_EQ(reads, 2);
    }

    db.Exec("update busibudget set budgmoney = budgmoney + 1 where eid like '101%' and btype='1'");
    const QString other = control();
    EXPECT_NE(other, before);
    ExecuteCommand(reader.get(),
                   "update busibudget set budgmoney = budgmoney + 1 where eid like '101%' and "
                   "btype='1'");
    EXPECT_NE(control(), other);
}

// The database adds the stored values exactly: 0.1 + 0.2 + 0.3 is 0.6, not a double's
// 0.6000000000000001, and the differences are exact too.
TEST_P(Summary, SumsAreExactWhereDoublesAreNot)
{
    const char* amounts[] = {"0.1", "0.2", "0.3", "9999999999999.99"};
    for (int i = 0; i < 4; ++i)
        db.Exec(
            QStringLiteral("insert into busibudget (datayear,budgid,eid,mid,bkid,ipid,bid,btype,"
                           "btypechild,inputmoney,duemoney,budgmoney,inputdate) values "
                           "(2031,'%1','101001001','11','21','11','2050202','1','1',%2,%2,0,"
                           "'2031-02-03')")
                .arg(i + 1)
                .arg(QLatin1String(amounts[i])));
    TAdoConn* conn = db.Def();
    ListFilter f = Scope(QStringLiteral("101"));
    f.DataYear = 2031;
    const auto groups =
        ReadSummary(conn, SummaryStatement(f, TSummaryBy::EntryMonth, conn->Dialect()));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].Key, "2031-02");
    EXPECT_EQ(groups[0].Entered.Text(), "10000000000000.59");
    EXPECT_EQ(GroupAmount(groups[0], TSummaryAmount::ControlLessFinance).Text(),
              "-10000000000000.59");
    EXPECT_EQ(GroupAmount(groups[0], TSummaryAmount::FinanceLessEntered).Text(), "0");
    ExpectSame(GroupTotals(groups), ListSums(conn, f), "2031");
}

// An expenditure type missing, empty, or with quotes, a backslash, a tab or a Chinese character in
// it is a group of its own, as the database's GROUP BY makes it; a scope without rows has none.
TEST_P(Summary, UnusualKeysAreGroupsOfTheirOwn)
{
    const QString odd = QStringLiteral("x\"y\\z'\t经");
    const QString kinds[] = {"NULL", "''", "'" + SqlText(odd) + "'", "''"};
    for (int i = 0; i < 4; ++i)
        db.Exec(QStringLiteral("insert into busibudget (datayear,budgid,eid,mid,bkid,ipid,bid,"
                               "btype,btypechild,inputmoney,duemoney,budgmoney,inputdate) values "
                               "(2032,'%1','101001001','11','21',%2,'2050202','1','1',%1.25,0,0,"
                               "'2032-02-03')")
                    .arg(i + 1)
                    .arg(kinds[i]));
    TAdoConn* conn = db.Def();
    ListFilter f = Scope(QStringLiteral("101"));
    f.DataYear = 2032;
    QStringList seen;
    for (const TSummaryGroup& g :
         ReadSummary(conn, SummaryStatement(f, TSummaryBy::ExpenseType, conn->Dialect())))
        seen << g.Key + "|" + QString::number(g.Count) + "|" + g.Entered.Text();
    seen.sort();
    EXPECT_EQ(seen.join(" "), odd + "|1|3.25 |1|1.25 |2|6.5");
    f.DataYear = 2033;
    EXPECT_TRUE(
        ReadSummary(conn, SummaryStatement(f, TSummaryBy::Source, conn->Dialect())).empty());
    if (conn->Dialect().GetKind() == TSqlDialect::SQLite) { // refused, not read past its arguments
        EXPECT_ANY_THROW(TARQuery::Open(conn, QStringLiteral("select vw_group_sums()")));
        // One sum for each amount given: the statement reads them by their places.
        EXPECT_EQ(db.Scalar("select vw_group_sums('k', 1.25)"), R"([["k",1,"1.25"]])");
    }
}

// More than 15 groups: the chart keeps the 15 largest in the table's order and "其他" holds the
// count and the amount of the rest; nothing is lost from the total.
TEST(SummaryChart, MoreThanFifteenGroupsFoldIntoOther)
{
    std::vector<TSummaryGroup> groups;
    for (int i = 1; i <= 20; ++i) {
        TSummaryGroup g;
        g.Key = QString::number(100 + i);
        g.Count = i;
        g.Control.AddText(QString::number(i) + QStringLiteral(".01"));
        groups.push_back(g);
    }
    const TSummaryTable table =
        SummaryTable(groups, TSummaryBy::MoneyKind, TSummaryAmount::Control);
    EXPECT_EQ(table.Rows.front().Key, "120"); // the largest first
    EXPECT_EQ(table.Total.Count, 210);
    EXPECT_EQ(table.Total.Amount.Text(), "210.2");
    const auto rows = ChartRows(table);
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[14].Key, "106");
    EXPECT_EQ(rows.back().Caption, "其他");
    EXPECT_EQ(rows.back().Count, 15);
    EXPECT_EQ(rows.back().Amount.Text(), "15.05");
    TMoneySum drawn;
    for (const TSummaryRow& r : rows)
        drawn = SumPlus(drawn, r.Amount);
    EXPECT_EQ(drawn.Text(), table.Total.Amount.Text());
    EXPECT_FALSE(GroupFilter(ListFilter(), TSummaryBy::MoneyKind, rows.back(), false));
    // Exactly fifteen groups: all drawn, no empty "其他" beside them.
    groups.resize(15);
    EXPECT_EQ(
        ChartRows(SummaryTable(groups, TSummaryBy::MoneyKind, TSummaryAmount::Control)).size(),
        15u);
    // A group's caption: its code and name; a month, or a name that only repeats the code, once.
    groups[0].Name = QStringLiteral("一般公共预算资金");
    groups[1].Name = groups[1].Key;
    const auto caption = [&](TSummaryBy by, size_t i) {
        return SummaryTable({groups[i]}, by, TSummaryAmount::Control).Rows.front().Caption;
    };
    EXPECT_EQ(caption(TSummaryBy::MoneyKind, 0), "101 一般公共预算资金");
    EXPECT_EQ(caption(TSummaryBy::MoneyKind, 1), "102");
    EXPECT_EQ(caption(TSummaryBy::EntryMonth, 0), "101");

    // Every bar has a slot and a label of its own, names alike in their first characters too
    // (the axis drops a repeated label, hiding the last bar under a wrong one).
    std::vector<TSummaryRow> alike = rows;
    alike[0].Caption = QStringLiteral("101003 市发展和改革委员会");
    alike[1].Caption = QStringLiteral("101035 市发展和改革委员会第2分局");
    alike[2].Caption = QStringLiteral("101036 市发展和改革委员会第3分局");
    QChart chart;
    DrawSummaryChart(&chart, alike, TSummaryChartKind::Bars, {}, QStringLiteral("控制金额"));
    const auto axes = chart.axes(Qt::Horizontal);
    ASSERT_EQ(axes.size(), 1);
    const QStringList labels = static_cast<QBarCategoryAxis*>(axes[0])->categories();
    EXPECT_EQ(labels.size(), int(alike.size()));
    EXPECT_EQ(labels.back(), QStringLiteral("其他"));
    // The amount axis ends on a round tick, its labels with no decimals they do not need.
    const auto* amounts = static_cast<QValueAxis*>(chart.axes(Qt::Vertical).value(0));
    ASSERT_NE(amounts, nullptr);
    const double step = (amounts->max() - amounts->min()) / (amounts->tickCount() - 1);
    EXPECT_EQ(std::fmod(amounts->max(), step), 0.0) << amounts->max() << " by " << step;
    EXPECT_GE(amounts->max(), rows.front().Amount.Value() / 10000.0);
    EXPECT_EQ(amounts->labelFormat(), "%.3f") << step; // tens of yuan: steps of 0.001 万元
    // Nothing read (a failed or an empty summary): the chart shows nothing, no axes of nothing.
    DrawSummaryChart(&chart, {}, TSummaryChartKind::Bars, {}, QStringLiteral("控制金额"));
    EXPECT_TRUE(chart.axes().isEmpty() && chart.series().isEmpty());
    // Nor painted: a view cleared after bars looks as a new one (axes removed alone stayed).
    QChartView shown(new QChart), fresh(new QChart);
    for (QChartView* v : {&shown, &fresh}) {
        v->resize(400, 300);
        v->show();
    }
    DrawSummaryChart(shown.chart(), alike, TSummaryChartKind::Bars, {}, QStringLiteral("控制金额"));
    QCoreApplication::processEvents();
    DrawSummaryChart(shown.chart(), {}, TSummaryChartKind::Bars, {}, QStringLiteral("控制金额"));
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.grab().toImage(), fresh.grab().toImage());

    // Fifteen or fewer are drawn as they are; months keep their order and run up a total.
    const std::vector<TSummaryRow> months = {Row("2026-01", 1, "5"), Row("2026-02", 2, "-2.5"),
                                             Row("2026-03", 3, "10")};
    TSummaryTable byMonth;
    byMonth.Rows = months;
    EXPECT_EQ(ChartRows(byMonth).size(), 3u);
    const auto running = RunningTotals(byMonth);
    EXPECT_EQ(running[1].Text(), "2.5");
    EXPECT_EQ(running[2].Text(), "12.5");
    EXPECT_EQ(ShareText(months[1].Amount, running[2]), "-20.00%");
    EXPECT_EQ(ShareText(months[0].Amount, TMoneySum()), "—");
    TMoneySum nearZero; // a near total left of rounding: no share, not billions of per cent
    nearZero.AddDouble(0.1 + 0.2 - 0.3);
    ASSERT_FALSE(nearZero.Exact());
    EXPECT_EQ(ShareText(months[0].Amount, nearZero), "—");
    EXPECT_EQ(ShareText(Row("x", 1, "-0.0001").Amount, running[2]), "0.00%"); // no "-0.00%"

    // A sum that could not be exact stays marked, with its value, through the arithmetic.
    TMoneySum near, two;
    near.AddDouble(0.12345);
    two.AddText("2");
    EXPECT_EQ(SumPlus(near, two).Text(), "≈2.12345");
    EXPECT_EQ(SumMinus(two, near).Text(), "≈1.87655");
    EXPECT_EQ(SumMinus(near, near).Text(), "≈0");
    // Past 128 bits a sum is kept near, never wrapped round to a wrong exact one.
    TMoneySum huge;
    huge.AddText("99999999999999999999999999999");
    for (int i = 0; i < 20; ++i)
        huge = SumPlus(huge, huge);
    EXPECT_FALSE(huge.Exact());
    EXPECT_NEAR(huge.Value() / 1e29, 1048576.0, 1e-6);
    EXPECT_TRUE((-TMoneySum()).Exact()); // a zero negated stays an exact zero
    EXPECT_EQ((-TMoneySum()).Text(), "0");
}

// The window: a burst of choices shows only the last one's sums; a click on a row opens the
// list on that group with the list's own count.
TEST_P(Summary, WindowShowsTheLastChoiceAndOpensTheListOnARow)
{
    ASSERT_EQ(ShowPlugInWindowImpl("TbfrmSummary", &host), 0);
    auto* w = static_cast<TbfrmSummary*>(ResRefManager()->FindObj("TbfrmSummary"));
    ASSERT_TRUE(w);
    ASSERT_TRUE(QTest::qWaitFor([w] { return !w->Reading() && !w->Table().Rows.empty(); }, 30000));
    EXPECT_TRUE(messages->Texts().isEmpty()) << messages->Texts().join("|").toStdString();
    const ListFilter top = w->CurrentFilter();
    EXPECT_EQ(QString::number(w->Table().Total.Count),
              QString::number(ListSums(db.Def(), top).Rows));

    QSignalSpy shown(w, &TbfrmSummary::SummaryShown);
    for (int by : {1, 7, 2, 3, int(TSummaryBy::SubjectClass)}) {
        w->Controls().cobBy->setCurrentIndex(by);
        emit w->Controls().cobBy->activated(by);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() > 0 && !w->Reading(); }, 30000));
    QTest::qWait(50);
    EXPECT_EQ(shown.count(), 1);
    const auto expected =
        ReadSummary(db.Def(), SummaryStatement(top, TSummaryBy::SubjectClass, db.Def()->Dialect()));
    ASSERT_EQ(w->Table().Rows.size(), expected.size());
    EXPECT_EQ(w->Controls().grdSummary->model()->rowCount(), int(expected.size()) + 1); // and 合计

    // The table and the chart as files: 合计 with its count; images that are whole files.
    QTemporaryDir dir;
    ASSERT_TRUE(w->Output().ExportTableTo(dir.filePath("summary.csv")));
    ASSERT_TRUE(QTest::qWaitFor([w] { return !w->WorkRunning(); }, 30000));
    QFile csv(dir.filePath("summary.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(csv.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("合计,%1,").arg(w->Table().Total.Count)))
        << text.toStdString();
    EXPECT_EQ(text.count(QLatin1Char('\n')), int(expected.size()) + 2);
    // In a workbook 笔数 and 占比 are numbers a spreadsheet adds up, not texts.
    ASSERT_TRUE(w->Output().ExportTableTo(dir.filePath("summary.xlsx")));
    ASSERT_TRUE(QTest::qWaitFor([w] { return !w->WorkRunning(); }, 30000));
    const SheetRows sheet = ReadSheet(dir.filePath("summary.xlsx"));
    ASSERT_EQ(sheet.size(), int(expected.size()) + 2);
    const auto& totalRow = sheet.last();
    EXPECT_TRUE(totalRow[1].Number && totalRow[3].Number);
    EXPECT_EQ(totalRow[1].Text, QString::number(w->Table().Total.Count));
    EXPECT_EQ(totalRow[3].Text, "1");
    if (GetParam() == Engine::SQLite) {
        // A stored amount past four decimals makes its sums near ones: in the file a number,
        // marked in a column of its own, not the window's "≈1,234.56" text.
        db.Exec("update busibudget set budgmoney = budgmoney + 0.000001");
        QSignalSpy again(w, &TbfrmSummary::SummaryShown);
        w->Controls().tbtnRefresh->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return again.count() > 0 && !w->Reading(); }, 30000));
        ASSERT_FALSE(w->Table().Total.Amount.Exact());
        ASSERT_TRUE(w->Output().ExportTableTo(dir.filePath("near.csv")));
        ASSERT_TRUE(QTest::qWaitFor([w] { return !w->WorkRunning(); }, 30000));
        QFile near(dir.filePath("near.csv"));
        ASSERT_TRUE(near.open(QIODevice::ReadOnly));
        const QString total =
            QString::fromUtf8(near.readAll()).split('\n', Qt::SkipEmptyParts).last().trimmed();
        EXPECT_EQ(total, QStringLiteral("合计,%1,%2,100.00%,近似值")
                             .arg(w->Table().Total.Count)
                             .arg(Currency::FromDouble(
                                      std::round(w->Table().Total.Amount.Value() * 100) / 100)
                                      .ToSqlText()))
            << total.toStdString();
    }
    ASSERT_TRUE(w->Output().ExportChartTo(dir.filePath("chart.png")));
    ASSERT_TRUE(w->Output().ExportChartTo(dir.filePath("chart.svg")));
    EXPECT_FALSE(QImage(dir.filePath("chart.png")).isNull());
    QFile svg(dir.filePath("chart.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().trimmed().endsWith("</svg>"));
    EXPECT_FALSE(w->Output().ExportChartTo(dir.path())); // a folder is refused, with a message
    EXPECT_EQ(messages->Texts().size(), 1);

    // 打印: the chart on the first page, then the table with 合计, numbered as one document.
    EXPECT_TRUE(w->Bars().mitemDataVind->actions().contains(w->Controls().tbtnPrint));
    const TPrintDocument doc = w->Output().Document();
    EXPECT_FALSE(doc.Figure.isNull());
    EXPECT_EQ(doc.Table.Rows, int(expected.size()) + 1);
    ASSERT_TRUE(PrintTablePdf(TTablePainter(doc), dir.filePath("summary.pdf")));
    QProcess pdf;
    pdf.start("pdftotext", {"-layout", dir.filePath("summary.pdf"), "-"});
    ASSERT_TRUE(pdf.waitForFinished(30000));
    const QStringList pages =
        QString::fromUtf8(pdf.readAllStandardOutput()).remove(' ').split('\f', Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains(
        QStringLiteral("年%1汇总分析—").arg(w->Controls().cobBType->currentText())))
        << pages[0].toStdString(); // the type too
    EXPECT_TRUE(pages[0].contains(QStringLiteral("第1页共2页")));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("笔数")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("笔数")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("合计")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("第2页共2页")));

    const QRect cell =
        w->Controls().grdSummary->visualRect(w->Controls().grdSummary->model()->index(0, 0));
    QTest::mouseClick(w->Controls().grdSummary->viewport(), Qt::LeftButton, {}, cell.center());
    auto* list = static_cast<TbfrmQuindle*>(ResRefManager()->FindObj("TbfrmQuindle"));
    ASSERT_TRUE(list);
    Settle();
    const TSummaryRow& first = w->Table().Rows.front();
    EXPECT_EQ(list->Scope().Filter().SubjectPrefix, first.Key);
    EXPECT_EQ(Column(list, "budgid").filter(QRegularExpression("\\d")).size(), first.Count);
    EXPECT_TRUE(list->Controls().labStatus->text().contains(first.Caption));
    // The operator's own choice of a unit ends the group's restriction.
    list->Panes().trvList->setCurrentItem(list->Panes().trvList->topLevelItem(0)->child(0));
    Settle();
    EXPECT_TRUE(list->Scope().Filter().SubjectPrefix.isEmpty());

    // A summary that cannot be read says why and shows nothing to export, print or draw; the
    // next one that can be read brings them back.
    const auto refresh = [&] {
        shown.clear();
        w->Controls().tbtnRefresh->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() > 0 && !w->Reading(); }, 30000));
    };
    const QList<QAction*> outputs = {w->Controls().tbtnExport, w->Controls().tbtnExportChart,
                                     w->Controls().tbtnPrint};
    db.Exec("alter table busibudget rename to busibudget_away");
    refresh();
    EXPECT_TRUE(messages->Texts().value(1).startsWith(QStringLiteral("无法汇总预算指标：")) &&
                messages->Texts().value(1).contains("busibudget"))
        << messages->Texts().join("|").toStdString();
    EXPECT_EQ(w->Controls().grdSummary->model()->rowCount(), 0);
    EXPECT_TRUE(w->Controls().chvSummary->chart()->series().isEmpty());
    for (QAction* a : outputs)
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    db.Exec("alter table busibudget_away rename to busibudget");
    refresh();
    EXPECT_EQ(w->Controls().grdSummary->model()->rowCount(), int(w->Table().Rows.size()) + 1);
    for (QAction* a : outputs)
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();

    // The other groupings read ahead: a switch to one is shown without a read of its own, until
    // rows change.
    ASSERT_TRUE(QTest::qWaitFor([w] { return !w->ReadingAhead(); }, 30000));
    std::atomic<int> reads = 0;
    SetSqlObserver([&](const SqlTraceEntry& e) {
        reads += e.Sql.startsWith(QLatin1String("select s.grp")) ? 1 : 0;
    });
    const auto choose = [&](TSummaryBy by) {
        shown.clear();
        w->Controls().cobBy->setCurrentIndex(int(by));
        emit w->Controls().cobBy->activated(int(by));
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() > 0 && !w->Reading(); }, 30000));
    };
    choose(TSummaryBy::MoneyKind);
    if (GetParam() == Engine::SQLite) { // PostgreSQL's snapshot moves with other tests' writes
        EXPECT_EQ(reads, 0);
    }
    ASSERT_TRUE(QTest::qWaitFor([w] { return !w->ReadingAhead(); }, 30000));
    db.Exec("update busibudget set budgmoney = budgmoney + 1");
    // Then the next grouping at once, which the reading ahead reads first.
    for (TSummaryBy by : {TSummaryBy::Source, TSummaryBy::ExpenseType}) {
        choose(by);
        const auto now = ReadSummary(db.Def(), SummaryStatement(top, by, db.Def()->Dialect()));
        EXPECT_EQ(w->Table().Total.Amount.Text(),
                  SummaryTable(now, by, w->Amount()).Total.Amount.Text());
    }
    EXPECT_GE(reads, 2);
}
