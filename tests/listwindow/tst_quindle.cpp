#include "fixtures/ListFixture.h"
#include "controls/TNextGrid.h"
#include "db/DbSchema.h"
#include "context/untWorkContext.h"
#include "controls/TTreeView.h"
#include "listwindow/bwnBudgetHistory.h"
#include "listwindow/bwnListBulk.h"
#include "listwindow/bwnQuindle.h"
#include "listwindow/bwnQuindleMarks.h"
#include "support/gunNextGridManager.h"
#include "support/untDynamicTree.h"

#include <QSettings>
#include <QSplitter>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QLabel>
#include <QTimer>
#include <QFrame>
#include <QGroupBox>
#include <QMdiArea>
#include <QRadioButton>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace
{
QList<TMitmInfo> g_requests;
QStringList g_requestNames;
} // namespace

// The host export the import hand-off looks up in the running executable.
extern "C" Q_DECL_EXPORT void ShowAWindow(TMitmInfo* info)
{
    g_requests << *info;
    g_requestNames << QString::fromUtf8(info->LibraryName) + "/" +
                          QString::fromUtf8(info->ClassName);
}

INSTANTIATE_TEST_SUITE_P(Db, ListFixture, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

TEST_P(ListFixture, ShowSelectsTheFirstLeafAndListsIt)
{
    TbfrmQuindle* w = Open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("预算指标录入"));
    EXPECT_EQ(area->subWindowList().size(), 1);
    ASSERT_NE(w->Panes().trvList->currentItem(), nullptr);
    EXPECT_EQ(w->Panes().trvList->currentItem()->text(0), QStringLiteral("101001001 教育局本级"));
    EXPECT_EQ(w->Scope().UnitCode(), "101001001");
    EXPECT_EQ(w->Controls().cobBType->currentText(), QStringLiteral("预算数"));
    EXPECT_EQ(w->Controls().cobbkid->currentText(), QStringLiteral("当年预算"));
    EXPECT_EQ(w->Controls().cobMid->currentText(), QStringLiteral("一般公共预算资金"));
    EXPECT_FALSE(w->Controls().pnlChild->isHidden());
    EXPECT_EQ(TakeListQueries().size(), 1); // the tree's selection ran the only query
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"1", "5", QStringLiteral("合计")}));
    EXPECT_EQ(Column(w, "NumId").mid(0, 2), (QStringList{"1", "2"}));
    Settle();
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, 2, "inputmoney"), "112.5");
    Settle();
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, 0, "child"),
              QStringLiteral("年初预算"));
    EXPECT_EQ(w->Controls().ngdBudget->SelectedRow(), 0);
    EXPECT_TRUE(w->Controls().tbtnDel->isEnabled());
    EXPECT_TRUE(w->Scope().AddRuleMet());
    EXPECT_TRUE(w->Controls().tbtnAdd->isEnabled());
    EXPECT_TRUE(w->Controls().tbtnMod->isEnabled());
    EXPECT_EQ(w->Controls().tbtnAdd->toolTip(), QStringLiteral("增加"));
    // Only entrusted-entry units are in the tree at first.
    const QTreeWidgetItem* dept = w->Panes().trvList->topLevelItem(0)->child(0)->child(0);
    EXPECT_EQ(dept->childCount(), 1);
    // Every unit node shows the one shared unit icon, painted once.
    ASSERT_FALSE(dept->icon(0).isNull());
    EXPECT_EQ(dept->child(0)->icon(0).cacheKey(), dept->icon(0).cacheKey());
    EXPECT_TRUE(messages->Messages().isEmpty());
}

TEST_P(ListFixture, SelectionFromCodeIsNoChange)
{
    TbfrmQuindle* w = Open();
    TakeListQueries();
    w->Controls().cobMid->setCurrentIndex(0);
    w->Controls().cobbkid->setCurrentIndex(2);
    w->Controls().cobChild->setCurrentIndex(1);
    EXPECT_TRUE(TakeListQueries().isEmpty());
    Choose(w->Controls().cobMid, 0); // a user's choice
    const QStringList q = TakeListQueries();
    ASSERT_EQ(q.size(), 1);
    EXPECT_FALSE(q[0].contains(" and mid="));
}

TEST_P(ListFixture, TopNodeAndFiltersChangeTheStatement)
{
    TbfrmQuindle* w = Open();
    TakeListQueries();
    w->Panes().trvList->setCurrentItem(w->Panes().trvList->topLevelItem(0));
    EXPECT_EQ(w->Scope().UnitCode(), "101");
    QStringList q = TakeListQueries();
    ASSERT_EQ(q.size(), 1);
    EXPECT_TRUE(q[0].contains(" and eid like '101%'"));
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"1", "5", QStringLiteral("合计")}));

    Choose(w->Controls().cobMid, 0); // <全部>
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"1", "5", "2", QStringLiteral("合计")}));
    Choose(w->Controls().cobbkid, 0); // <全部>: no source condition, sub-type panel hidden
    EXPECT_TRUE(w->Controls().pnlChild->isHidden());
    q = TakeListQueries();
    EXPECT_FALSE(q.last().contains("BKid="));
    EXPECT_FALSE(q.last().contains(" and btypechild='"));
    EXPECT_TRUE(q.last().contains(" and mid='11'")); // a source change selects the first money kind
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"1", "5", "3", QStringLiteral("合计")}));

    Choose(w->Controls().cobbkid, 1); // 当年预算
    Choose(w->Controls().cobMid, 0);
    EXPECT_FALSE(w->Controls().pnlChild->isHidden());
    Choose(w->Controls().cobChild, 2); // 调整追加预算
    q = TakeListQueries();
    EXPECT_TRUE(q.last().contains(" and btypechild='2'"));
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"2", QStringLiteral("合计")}));
    Settle();
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, 0, "child"),
              QStringLiteral("调整追加预算"));
}

TEST_P(ListFixture, ControlFigureOffersOnlySource21AndIsRemembered)
{
    TbfrmQuindle* w = Open();
    Choose(w->Controls().cobBType, 0);
    EXPECT_EQ(w->Controls().cobbkid->count(), 1);
    EXPECT_EQ(w->Controls().cobbkid->currentText(), QStringLiteral("当年预算"));
    EXPECT_TRUE(w->Controls().pnlChild->isHidden());
    EXPECT_EQ(w->Scope().BTypeIndex(), "0");
    EXPECT_EQ(db.Params().DefaultBType, 0);
    EXPECT_EQ(db.Scalar("select paramvalue from sysparament where paramname='setDefaultBType'"),
              "0");
    const QStringList q = TakeListQueries();
    EXPECT_TRUE(q.last().contains("BType='0'"));
    EXPECT_FALSE(q.last().contains(" and btypechild='"));
    w->Panes().trvList->setCurrentItem(w->Panes().trvList->topLevelItem(0));
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"4", QStringLiteral("合计")}));
    Settle();
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, 0, "child"),
              QStringLiteral("控制数"));
}

TEST_P(ListFixture, BureauRules)
{
    db.Params().BureauMode = "0";
    db.Params().BureauScope = 1;
    db.User().SetValue(7, "02");
    TbfrmQuindle* w = Open();
    const int burname = w->Controls().ngdBudget->ColumnIndex("burname");
    EXPECT_FALSE(w->Controls().ngdBudget->isColumnHidden(burname));
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"5", QStringLiteral("合计")}));
    Settle();
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, 0, "burname"),
              QStringLiteral("教科文处"));
    CloseWindow(w);

    db.Params().BureauMode = "1";
    w = Open();
    EXPECT_TRUE(
        w->Controls().ngdBudget->isColumnHidden(w->Controls().ngdBudget->ColumnIndex("burname")));
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"1", "5", QStringLiteral("合计")}));
    Settle();
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, 0, "burid"), "");
}

TEST_P(ListFixture, AddRuleFollowsUnitMoneyKindAndSource)
{
    TbfrmQuindle* w = Open();
    EXPECT_TRUE(w->Scope().AddRuleMet());
    Choose(w->Controls().cobMid, 0);
    EXPECT_FALSE(w->Scope().AddRuleMet());
    Choose(w->Controls().cobMid, 1);
    EXPECT_TRUE(w->Scope().AddRuleMet());
    Choose(w->Controls().cobbkid, 0);
    EXPECT_FALSE(w->Scope().AddRuleMet());
    // The school's code ends in 002: show every unit, then pick it.
    w->Controls().rgpShowEidItems[1]->click();
    QTreeWidgetItem* dept = w->Panes().trvList->topLevelItem(0)->child(0)->child(0);
    ASSERT_EQ(dept->childCount(), 2);
    w->Panes().trvList->setCurrentItem(dept->child(1));
    EXPECT_EQ(w->Scope().UnitCode(), "101001002");
    EXPECT_FALSE(w->Scope().AddRuleMet());
    EXPECT_EQ(w->Controls().cobbkid->currentText(), QStringLiteral("<全部>"));
}

TEST_P(ListFixture, DeleteMarkedRows)
{
    TbfrmQuindle* w = Open();
    w->Controls().ngdBudget->SetCells(0, w->Controls().ngdBudget->RowCount() - 1,
                                      "True"); // the totals row: no mark
    w->Controls().tbtnDel->trigger();
    ASSERT_EQ(messages->Messages().size(), 1);
    EXPECT_EQ(messages->Messages()[0].Text, QStringLiteral("请选择准备删除的预算指标信息!"));
    EXPECT_EQ(messages->Messages()[0].Caption, CaptionConfirm());
    EXPECT_EQ(messages->Messages()[0].Icon, MsgIcon::Warning);
    messages->Clear();

    w->Controls().ngdBudget->SetCells(0, 1, "True"); // indicator 5
    // A collection cancelled at once yields nothing, even of one row.
    const TListMarks marks(w->Controls().ngdBudget, true);
    EXPECT_TRUE(marks.MarkedIds([] { return false; }).empty());
    EXPECT_TRUE(marks.MarkedAmounts(true, [] { return false; }).empty());
    EXPECT_EQ(marks.MarkedCount(), 1);
    EXPECT_TRUE(marks.FewMarkedIds(0).isEmpty()); // more than named: counted only
    messages->Answer(mrNo);
    w->Controls().tbtnDel->trigger();
    // The question says how many and which (a mark out of sight is not deleted unawares).
    EXPECT_EQ(messages->Texts(),
              QStringList{QStringLiteral("是否删除选中数据？\n共选中1条指标：编号5。")});
    EXPECT_EQ(messages->Messages()[0].Buttons, MsgButtons::YesNo);
    EXPECT_EQ(db.Scalar("select count(*) from busibudget"), "6");
    messages->Clear();

    messages->Answer(mrYes);
    w->Controls().mnuDel->trigger();
    Settle();
    EXPECT_EQ(messages->Texts(),
              (QStringList{QStringLiteral("是否删除选中数据？\n共选中1条指标：编号5。"),
                           QStringLiteral("数据删除成功。")}));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026 and budgid='5'"), "0");
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2025 and budgid='1'"), "1");
    EXPECT_EQ(db.History(), QStringList{QStringLiteral("2026/5 删除 删除 0001")});
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"1", QStringLiteral("合计")}));
    EXPECT_EQ(Column(w, "chk"), (QStringList{"False", "False"}));
    EXPECT_EQ(w->Controls().ngdBudget->SelectedRow(), 0);
    messages->Clear();

    // Without confirmation or success message; the marked totals row matches nothing.
    db.Params().ConfirmDelete = "0";
    db.Params().ShowSuccessMsg = "0";
    w->Actions().MarkAll(true);
    w->Actions().Delete();
    Settle();
    EXPECT_TRUE(messages->Messages().isEmpty());
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026"), "3");
    EXPECT_EQ(db.History("budgid='1'"), QStringList{QStringLiteral("2026/1 删除 删除 0001")});
    Settle();
    EXPECT_EQ(w->Rows().Count(), 0);
    EXPECT_FALSE(w->Controls().tbtnDel->isEnabled());
}

// A row changed since the list was read (or an id another indicator took) has no history shown
// as if it were the listed one's: said, and the list read again.
TEST_P(ListFixture, HistoryOfAChangedRowIsNotShownAsTheListedOnes)
{
    TbfrmQuindle* w = Open();
    const QString id = Column(w, "budgid").value(w->Controls().ngdBudget->SelectedRow());
    db.Exec("update busibudget set filename='OTHER' where datayear=2026 and budgid='" + id + "'");
    messages->Clear();
    w->Controls().mnuHistory->trigger();
    ASSERT_EQ(messages->Texts().size(), 1);
    EXPECT_TRUE(messages->Texts()[0].startsWith(
        QStringLiteral("编号为%1的预算指标在列表读取之后已被其他操作员修改").arg(id)));
    EXPECT_TRUE(Column(w, "filename").contains("OTHER"));
}

// 指标历史 (Ctrl+H) lists the selected indicator's versions; 已删除的指标 restores a deleted one.
TEST_P(ListFixture, HistoryAndRestoreFromTheList)
{
    TbfrmQuindle* w = Open();
    db.Params().ConfirmDelete = "0";
    db.Params().ShowSuccessMsg = "0";
    QStringList shown;
    const auto inDialog = [&](const char* table, const std::function<void(QTableWidget*)>& work) {
        QTimer::singleShot(0, [&, table, work] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            auto* t = d->findChild<QTableWidget*>(QLatin1String(table));
            ASSERT_NE(t, nullptr);
            for (int r = 0; r < t->rowCount(); ++r)
                shown << t->item(r, 0)->text() + "|" + t->item(r, 2)->text();
            if (auto* note = d->findChild<QLabel*>("labNote"); note && note->isVisible())
                shown << note->text(); // why nothing is listed
            work(t);
            d->reject();
        });
    };
    inDialog("grdVersions", [](QTableWidget*) {}); // a row never changed: the note says so
    w->Controls().mnuHistory->trigger();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("这个指标没有修改记录")))
        << shown[0].toStdString();
    shown.clear();
    w->Controls().ngdBudget->SetCells(0, 1, "True"); // indicator 5
    w->Actions().Delete();
    Settle(); // the delete runs beside the window
    // 已删除的指标 reads and restores beside the dialog; it lists again after a restore.
    QTimer::singleShot(0, [&] {
        auto* d = dynamic_cast<TfrmDeletedBudgets*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        auto* t = d->findChild<QTableView*>("grdDeleted");
        const auto list = [&] {
            EXPECT_TRUE(QTest::qWaitFor([d] { return !d->WorkRunning(); }, 30000));
            for (int r = 0; r < t->model()->rowCount(); ++r)
                shown << t->model()->index(r, 0).data().toString() + "|" +
                             t->model()->index(r, 2).data().toString();
            if (auto* note = d->findChild<QLabel*>("labNote"); note && note->isVisible())
                shown << note->text();
        };
        list();
        t->selectRow(0);
        d->findChild<QPushButton*>("btnRestore")->click();
        list();
        d->reject();
    });
    w->Controls().mnuDeleted->trigger();
    // No document number; none left once restored.
    EXPECT_EQ(shown, (QStringList{QStringLiteral("5|"),
                                  QStringLiteral("本年度这些单位没有已删除的指标。")}));
    EXPECT_EQ(messages->Texts(), QStringList{QStringLiteral("已恢复1条指标。")});
    EXPECT_EQ(db.History(), (QStringList{QStringLiteral("2026/5 删除 删除 0001"),
                                         QStringLiteral("2026/5 恢复 恢复 0001")}));
    Settle();
    shown.clear();
    w->Controls().ngdBudget->SetSelectedRow(1);
    inDialog("grdVersions", [](QTableWidget*) {});
    w->Controls().mnuHistory->trigger();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(shown[0].endsWith(QStringLiteral("|恢复"))) << shown[0].toStdString();
}

TEST_P(ListFixture, CopiesChangeOnlyTheControlAmount)
{
    TbfrmQuindle* w = Open();
    w->Actions().CopyAmounts(false);
    EXPECT_EQ(messages->Texts(), QStringList{QStringLiteral("请选择准备复制金额的预算指标信息!")});
    messages->Clear();

    w->Actions().MarkAll(true); // the totals row too
    EXPECT_EQ(Column(w, "chk"), (QStringList{"True", "True", "True"}));
    w->Actions().CopyAmounts(false); // finance amount
    Settle();
    EXPECT_EQ(messages->Texts(), QStringList{QStringLiteral("数据复制金额成功。")});
    EXPECT_EQ(messages->Messages()[0].Caption, CaptionInfo());
    EXPECT_EQ(
        db.Scalar("select budgmoney from busibudget where datayear=2026 and budgid='5'").toDouble(),
        10.25);
    EXPECT_EQ(db.Scalar("select inputmoney from busibudget where datayear=2026 and budgid='5'")
                  .toDouble(),
              12.5);
    EXPECT_EQ(
        db.Scalar("select duemoney from busibudget where datayear=2026 and budgid='5'").toDouble(),
        10.25);
    EXPECT_EQ(
        db.Scalar("select budgmoney from busibudget where datayear=2025 and budgid='1'").toDouble(),
        1.0);
    EXPECT_EQ(Column(w, "chk"), (QStringList{"False", "False", "False"})); // refilled
    // Each indicator once, as a copy by the operator.
    EXPECT_EQ(db.History(), (QStringList{QStringLiteral("2026/1 修改 复制 0001"),
                                         QStringLiteral("2026/5 修改 复制 0001")}));
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, 1, "duebalamoney"), "0");
    messages->Clear();

    db.Params().ShowSuccessMsg = "0";
    Settle();
    w->Controls().ngdBudget->SetCells(0, 0, "True");
    w->Actions().CopyAmounts(true); // entered amount
    Settle();
    EXPECT_TRUE(messages->Messages().isEmpty());
    EXPECT_EQ(
        db.Scalar("select budgmoney from busibudget where datayear=2026 and budgid='1'").toDouble(),
        100.0);
    EXPECT_EQ(
        db.Scalar("select duemoney from busibudget where datayear=2026 and budgid='1'").toDouble(),
        90.0);
    Settle();
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, 0, "budgmoney"), "100");

    // An amount beyond the range stops the copy before anything is written.
    db.Exec("update busibudget set inputmoney=77 where datayear=2026 and budgid='1'");
    db.Exec("update busibudget set inputmoney=10000000000000 where datayear=2026 and budgid='5'");
    w->RunListQuery();
    Settle();
    w->Actions().MarkAll(true);
    messages->Clear();
    w->Actions().CopyAmounts(true);
    Settle();
    EXPECT_TRUE(messages->Texts().join('|').contains(QStringLiteral("没有复制任何金额")))
        << messages->Texts().join('|').toStdString();
    EXPECT_EQ(
        db.Scalar("select budgmoney from busibudget where datayear=2026 and budgid='1'").toDouble(),
        100.0);

    // A marked row another operator deleted meanwhile is not reported as copied (nor is a
    // run that reached no row at all), and the list is read again; one changed meanwhile gets
    // its stored amount, not the listed one.
    db.Exec("update busibudget set inputmoney=77 where datayear=2026 and budgid='5'");
    w->RunListQuery();
    Settle();
    w->Actions().MarkAll(true);
    db.Exec("delete from busibudget where datayear=2026 and budgid='1'");
    db.Exec("update busibudget set inputmoney=78 where datayear=2026 and budgid='5'");
    messages->Clear();
    w->Actions().CopyAmounts(true);
    Settle();
    EXPECT_EQ(messages->Texts(),
              QStringList{QStringLiteral("已复制金额1条指标；另有1条已不在数据库中（可能已被其他"
                                         "操作员删除），没有复制金额。")});
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"5", QStringLiteral("合计")}));
    EXPECT_EQ(
        db.Scalar("select budgmoney from busibudget where datayear=2026 and budgid='5'").toDouble(),
        78.0);
    w->Actions().MarkAll(true);
    db.Exec("delete from busibudget where datayear=2026 and budgid='5'");
    messages->Clear();
    w->Actions().Delete();
    Settle();
    EXPECT_EQ(messages->Texts().value(1),
              QStringLiteral("选中的1条指标已不在数据库中（可能已被其他操作员删除），没有写入任何"
                             "数据。"))
        << messages->Texts().join('|').toStdString();
    TBulkOutcome skipped;
    skipped.Missing = skipped.Altered = 1;
    EXPECT_EQ(
        MissingRowsText(skipped, QStringLiteral("删除")),
        QStringLiteral("选中的指标中1条已不在数据库中（可能已被其他操作员删除），1条在列表读取之后"
                       "已被其他操作员改动，没有写入任何数据。"));
}

TEST_P(ListFixture, ClosingAndReopeningAndTheImportHandOff)
{
    QPointer<TbfrmQuindle> first = Open();
    ASSERT_TRUE(first);
    TNextGridManager* firstManager = first->Rows().Manager();
    ASSERT_NE(firstManager, nullptr);
    EXPECT_EQ(Open(), first.data()); // shown again, not created again
    CloseWindow(first);
    EXPECT_FALSE(first);
    EXPECT_EQ(notifier.tags, QList<qint32>{5});

    QPointer<TbfrmQuindle> second = Open();
    ASSERT_TRUE(second);
    EXPECT_NE(second->Rows().Manager(), nullptr);
    EXPECT_EQ(second->Rows().Count(), 3);
    g_requests.clear();
    g_requestNames.clear();
    second->Controls().mimExcel->trigger();
    FlushDeletes();
    EXPECT_FALSE(second); // closed whatever happened
    ASSERT_EQ(g_requests.size(), 1);
    EXPECT_EQ(g_requestNames[0], "bMorrowell.dll/TbfrmMorrowell");
    EXPECT_TRUE(g_requests[0].Flag1);
    EXPECT_FALSE(g_requests[0].Flag2);
    EXPECT_EQ(notifier.tags, (QList<qint32>{5, 5}));
}

TEST_P(ListFixture, FewUnitsHideTheTree)
{
    db.Unit().SetValue(0, "101002001");
    db.Unit().SetValue(3, QStringLiteral("财政局本级"));
    db.Params().DefaultBType = 0;
    TbfrmQuindle* w = Open();
    EXPECT_TRUE(w->Panes().trvList->isHidden());
    EXPECT_TRUE(w->Controls().rgpShowEid->isHidden());
    EXPECT_EQ(w->Controls().Panel1->height(), 150);
    EXPECT_EQ(w->Scope().UnitCode(), "101002001");
    EXPECT_EQ(w->Panes().trvList->topLevelItemCount(), 0);
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"4", QStringLiteral("合计")}));
    EXPECT_EQ(TakeListQueries().size(), 1);
}

TEST_P(ListFixture, LeftPaneControls)
{
    // A stored division that leaves the list no room is not taken.
    QSettings().setValue("ListWindow/" + CurrentUserCode() + "/splitter",
                         QList<QVariant>{2147483647, 400});
    TbfrmQuindle* w = Open();
    QSettings().remove("ListWindow");
    EXPECT_GT(w->Panes().Splitter1->sizes().value(1), w->Panes().Splitter1->sizes().value(0));
    emit w->Panes().Splitter1->splitterMoved(300, 1);
    EXPECT_EQ(w->Controls().sbtnHindUT->x(), 273);
    w->Controls().sbtnHindUT->click();
    EXPECT_TRUE(w->Panes().pnlLeft->isHidden());
    EXPECT_FALSE(w->Controls().mnuShowUT->isChecked());
    w->Controls().mnuShowUT->trigger();
    EXPECT_FALSE(w->Panes().pnlLeft->isHidden());
    EXPECT_TRUE(w->Controls().mnuShowUT->isChecked());
    EXPECT_EQ(w->Controls().mnuAdd->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(w->Controls().mnuMod->shortcut(), QKeySequence("Ctrl+E"));
    EXPECT_EQ(w->Controls().mnuDel->shortcut(), QKeySequence("Ctrl+D"));
    EXPECT_EQ(w->Controls().cobChild->count(), 3);
}

TEST_P(ListFixture, LostConnectionEmptiesTheListWithoutAnEscape)
{
    TbfrmQuindle* w = Open();
    db.Def()->Close();
    EXPECT_NO_THROW(Choose(w->Controls().cobMid, 0));
    Settle();
    EXPECT_EQ(w->Rows().Count(), 0);
    EXPECT_FALSE(w->Controls().tbtnDel->isEnabled());
}

// A list that cannot be read says why and is never presented as "no indicators".
TEST_P(ListFixture, FailedListIsReportedWithTheDatabaseReason)
{
    TbfrmQuindle* w = Open();
    ASSERT_TRUE(w->Scope().AddRuleMet());
    messages->Clear();
    TAdoConn admin;
    admin.SetConnectionString(db.ConnectionString());
    if (GetParam() == Engine::PostgreSQL) {
        // The server drops the window's sessions (a restart, say): the list is read on a new
        // connection, not reported as lost.
        ExecuteCommand(&admin, "select pg_terminate_backend(pid) from pg_stat_activity where "
                               "datname=current_database() and pid<>pg_backend_pid()");
        Choose(w->Controls().cobMid, 0);
        Settle();
        EXPECT_TRUE(messages->Texts().isEmpty()) << messages->Texts().join('|').toStdString();
        EXPECT_GT(w->Rows().Count(), 1);
    }
    ExecuteCommand(&admin, "drop view vwbudget");
    Choose(w->Controls().cobMid, 1);
    ASSERT_EQ(messages->Messages().size(), 1);
    const MessageRecord m = messages->Messages()[0];
    EXPECT_TRUE(m.Text.startsWith(QStringLiteral("无法读取预算指标："))) << m.Text.toStdString();
    EXPECT_GT(m.Text.size(), 12); // the database's own words follow
    EXPECT_EQ(m.Icon, MsgIcon::Error);
    Settle();
    EXPECT_EQ(w->Rows().Count(), 0);
    for (QAction* a : {w->Controls().tbtnAdd, w->Controls().tbtnMod, w->Controls().tbtnDel,
                       w->Controls().mnuAdd, w->Controls().mnuMod, w->Controls().mnuDel})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();

    // Once it can be read again, a click on the unit (already the current one) reads it.
    UpgradeSchema(&admin); // the view made again
    QTreeWidget* tree = w->Panes().trvList;
    ASSERT_TRUE(tree->currentItem());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(tree->currentItem()).center());
    Settle();
    EXPECT_GT(w->Rows().Count(), 1);
    EXPECT_TRUE(w->Controls().tbtnAdd->isEnabled());
}
