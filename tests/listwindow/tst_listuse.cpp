// The list window used as an operator uses it: every way of closing it, the workspace,
// the keyboard, large amounts, failures in the middle of a run, a fill overtaken or closed.
#include "fixtures/ListFixture.h"
#include "fixtures/SheetReader.h"
#include "context/untAdodbIsomer.h"
#include "context/untSqlTrace.h"
#include "controls/TFindBar.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "budget/gunBudgetSave.h"
#include "listwindow/bwnListPrint.h"
#include "listwindow/bwnQuindle.h"
#include "platform/untCurrency.h"
#include "support/gunNextGridManager.h"
#include "support/untListLoader.h"
#include "basewindows/wnWorkProgress.h"
#include "support/untWorkRunner.h"
#include "basewindows/wnWorkProgress.h"

#include <QAction>
#include <algorithm>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QTimer>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QRadioButton>
#include <QSettings>
#include <QSplitter>
#include <QTest>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

namespace
{
// Makes the store refuse one indicator, the way a read-only or locked row fails.
void RefuseRow(TestDatabase& db, const QString& budgid, const char* event)
{
    if (db.GetEngine() == Engine::SQLite) {
        db.Exec(QString("create trigger refuse_%1 before %1 on busibudget when old.budgid='%2' "
                        "begin select raise(abort, 'row %2 is locked'); end")
                    .arg(event, budgid));
        return;
    }
    db.Exec(QString("create function refuse_%1() returns trigger as $$ begin if old.budgid='%2' "
                    "then raise exception 'row %2 is locked'; end if; return coalesce(new, old); "
                    "end $$ language plpgsql")
                .arg(event, budgid));
    db.Exec(QString("create trigger refuse_%1 before %1 on busibudget for each row execute "
                    "function refuse_%1()")
                .arg(event));
}
} // namespace

TEST_P(ListFixture, EveryClosePathTakesTheFrameAlong)
{
    const std::function<void(TbfrmQuindle*)> paths[] = {
        [](TbfrmQuindle* w) { w->Controls().tbtnColse->trigger(); },
        [](TbfrmQuindle* w) { w->Controls().mnuColse->trigger(); },
        [](TbfrmQuindle* w) { w->SubWindow()->close(); }, // the close box
        [](TbfrmQuindle* w) {
            QTest::keyClick(w->Controls().ngdBudget, Qt::Key_F4, Qt::ControlModifier);
        },
        [](TbfrmQuindle* w) { w->Controls().mimExcel->trigger(); },
    };
    int path = 0;
    for (const auto& close : paths) {
        QPointer<TbfrmQuindle> w = Open();
        ASSERT_TRUE(w);
        w->Controls().ngdBudget->setFocus();
        // Escape is no way out of the list window: it stays whole.
        QTest::keyClick(w->Controls().ngdBudget, Qt::Key_Escape);
        QTest::keyClick(w->Controls().cobMid, Qt::Key_Escape);
        FlushDeletes();
        ASSERT_TRUE(w) << path;
        EXPECT_TRUE(w->isVisible()) << path;
        close(w);
        FlushDeletes();
        EXPECT_FALSE(w) << path;
        EXPECT_TRUE(area->subWindowList().isEmpty()) << "path " << path;
        ++path;
    }
    EXPECT_EQ(notifier.tags.size(), 5);
}

TEST_P(ListFixture, WorkspaceGeometryAndReopening)
{
    TbfrmQuindle* w = Open();
    QMdiSubWindow* sub = w->SubWindow();
    const QRect space = area->viewport()->rect();
    EXPECT_TRUE(space.contains(sub->geometry())) << "fully visible";
    EXPECT_LE(std::abs(sub->x() - (space.width() - sub->width()) / 2), 1);
    sub->showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(sub->geometry(), space); // no centring of a maximised window
    sub->showNormal();
    sub->showMinimized();
    QApplication::processEvents();
    EXPECT_EQ(Open(), w); // asked for again from the menu: restored and in front
    EXPECT_FALSE(sub->isMinimized());
    EXPECT_EQ(area->activeSubWindow(), sub);

    // The size and the tree's width are the operator's own.
    sub->resize(900, 600);
    w->Panes().Splitter1->setSizes({300, 500});
    CloseWindow(w);
    w = Open();
    EXPECT_EQ(w->SubWindow()->size(), QSize(900, 600));
    EXPECT_EQ(w->Panes().Splitter1->sizes().value(0), 300);
}

TEST_P(ListFixture, KeyboardReachesEverything)
{
    TbfrmQuindle* w = Open();
    queries.clear();
    w->Controls().rgpShowEidItems[0]->click(); // the item already chosen: nothing happens
    EXPECT_TRUE(TakeListQueries().isEmpty());

    w->Controls().ngdBudget->setFocus();
    QTest::keyClick(w->Controls().ngdBudget, Qt::Key_Space);
    Settle();
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, 0, "chk"), "True");
    QTest::keyClick(w->Controls().ngdBudget, Qt::Key_Tab); // Tab leaves the grid
    EXPECT_FALSE(w->Controls().ngdBudget->hasFocus());

    for (auto [key, mods] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
        QTest::keyClick(w->Controls().ngdBudget, key, mods);
        EXPECT_TRUE(w->Controls().pmenu->isVisible());
        w->Controls().pmenu->hide();
    }
    EXPECT_EQ(w->Controls().pmuAll->text(), QStringLiteral("全选(&A)"));
}

// A header click sorts the list read from either engine: unit names in pinyin order (the
// reverse of their character order here), equal amounts in the list's order, the totals
// last; the list still arriving ignores the click. 查找 finds across the columns round the end,
// and Escape closes the find bar, not the window.
TEST_P(ListFixture, HeaderSortsAndFindBarFindsInTheList)
{
    for (auto [id, unit] :
         {std::pair{"T1", "101002001"}, std::pair{"T2", "101001002"}, std::pair{"T3", "101001001"}})
        db.Exec(QString("insert into busibudget (datayear,budgid,eid,mid,bkid,bid,btype,"
                        "btypechild,inputmoney,duemoney,budgmoney) values (2026,'%1','%2',"
                        "'11','21','2050202','1','1',0,0,5.5)")
                    .arg(id, unit));
    TbfrmQuindle* w = Open();
    w->Panes().trvList->setCurrentItem(w->Panes().trvList->topLevelItem(0)); // every unit
    Settle();
    TNextGrid* g = w->Controls().ngdBudget;
    auto click = [g](const char* column) {
        emit g->horizontalHeader()->sectionClicked(g->ColumnIndex(column));
    };
    w->RunListQuery();
    ASSERT_TRUE(w->Rows().Filling());
    click("ename"); // refused while the list arrives
    EXPECT_EQ(g->SortState(), TGridSort::None);
    Settle();

    click("ename");
    QStringList names = Column(w, "ename");
    EXPECT_EQ(names.takeLast(), "");
    EXPECT_EQ(w->Rows().Manager()->GetText(g, g->RowCount() - 1, "budgid"), QStringLiteral("合计"));
    names.removeDuplicates();
    EXPECT_EQ(names, QStringList({"财政局本级", "第一中学", "教育局本级"}));

    click("budgmoney");
    click("budgmoney"); // descending: the equal amounts keep the list's order (by unit)
    const QStringList ids = Column(w, "budgid");
    const qsizetype t3 = ids.indexOf("T3");
    ASSERT_GE(t3, 0);
    EXPECT_EQ(ids.mid(t3, 3), QStringList({"T3", "T2", "T1"}));

    w->Controls().mnuFind->trigger();
    TFindBar* bar = w->Controls().FindBar;
    ASSERT_TRUE(bar->isVisible());
    bar->edtFind->setText("T");
    g->SetSelectedRow(t3 + 1); // T2
    QTest::keyClick(bar->edtFind, Qt::Key_Return);
    EXPECT_EQ(w->Rows().Manager()->GetText(g, g->SelectedRow(), "budgid"), "T1");
    EXPECT_EQ(bar->labCount->text(), QStringLiteral("第 3 个，共 3 个"));
    QTest::keyClick(bar->edtFind, Qt::Key_F3); // round the end
    EXPECT_EQ(w->Rows().Manager()->GetText(g, g->SelectedRow(), "budgid"), "T3");
    QTest::keyClick(bar->edtFind, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(w->Rows().Manager()->GetText(g, g->SelectedRow(), "budgid"), "T1");
    bar->edtFind->setText(QStringLiteral("第一中学")); // in another column
    bar->chkWhole->setChecked(true);
    EXPECT_TRUE(bar->FindNext());
    EXPECT_EQ(w->Rows().Manager()->GetText(g, g->SelectedRow(), "ename"),
              QStringLiteral("第一中学"));
    // Searched in steps (a long list): the nearest match at once and the count after it; with
    // no match near, the step waits for the search.
    bar->SetSearchSteps(0, 1);
    bar->chkWhole->setChecked(false);
    bar->edtFind->setText("T");
    g->SetSelectedRow(t3 - 1);
    EXPECT_TRUE(bar->FindNext());
    EXPECT_EQ(w->Rows().Manager()->GetText(g, g->SelectedRow(), "budgid"), "T3");
    EXPECT_EQ(bar->labCount->text(), QStringLiteral("正在计数…"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return bar->labCount->text() == QStringLiteral("第 1 个，共 3 个"); }, 10000));
    bar->edtFind->setText("T2");
    EXPECT_FALSE(bar->FindNext(true)); // T2 is not the row before T3
    EXPECT_EQ(bar->labCount->text(), QStringLiteral("正在查找…"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return bar->labCount->text() == QStringLiteral("第 1 个，共 1 个"); }, 10000));
    EXPECT_EQ(w->Rows().Manager()->GetText(g, g->SelectedRow(), "budgid"), "T2");
    QTest::keyClick(bar->edtFind, Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->SubWindow()->isVisible());
}

TEST_P(ListFixture, AmountsBeyondSixtyFourBitsAreSummedExactly)
{
    // Ten indicators at the largest whole amount the schema holds, beside the two listed:
    // beyond a 64-bit count of ten-thousandths in all.
    for (int i = 0; i < 10; ++i)
        db.Exec(QString("insert into busibudget (datayear,budgid,eid,mid,bkid,bid,btype,"
                        "btypechild,inputmoney,duemoney,budgmoney) values (2026,'%1','101001001',"
                        "'11','21','2050202','1','1',0,0,99999999999999)")
                    .arg(100 + i));
    TbfrmQuindle* w = Open();
    Settle();
    const int last = w->Rows().Count() - 1;
    Settle();
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, last, "budgmoney"),
              "1000000000000070");
    const QModelIndex total = w->Controls().ngdBudget->model()->index(
        last, w->Controls().ngdBudget->ColumnIndex("budgmoney"));
    EXPECT_EQ(total.data().toString(), "1,000,000,000,000,070.00");
    Settle();
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, last, "duebalamoney"),
              "999999999999969.75");
    if (GetParam() == Engine::SQLite) {
        // SQLite holds larger amounts still: shown in full, never in exponent form.
        db.Exec("update busibudget set budgmoney=1e16 where budgid='100'");
        db.Exec("update busibudget set budgmoney=0.123456 where budgid='101'");
        Choose(w->Controls().cobMid, 1);
        const int row = Column(w, "budgid").indexOf("100");
        const QModelIndex one = w->Controls().ngdBudget->model()->index(row, total.column());
        EXPECT_EQ(one.data().toString(), "10,000,000,000,000,000.00");
        // A sum that cannot be exact says so instead of showing a wrong number.
        EXPECT_TRUE(w->Rows()
                        .Manager()
                        ->GetText(w->Controls().ngdBudget, w->Rows().Count() - 1, "budgmoney")
                        .startsWith(QStringLiteral("≈")));
    }
}

TEST_P(ListFixture, AFailingRowInTheMiddleIsReportedAndTheRunCanStop)
{
    RefuseRow(db, "1", "delete");
    TbfrmQuindle* w = Open();
    ASSERT_EQ(Column(w, "budgid"), (QStringList{"1", "5", QStringLiteral("合计")}));
    db.Params().ConfirmDelete = "0";

    w->Actions().MarkAll(true); // the totals row too: never a row to delete
    messages->Answer(mrNo);
    w->Actions().Delete();
    Settle();
    ASSERT_EQ(messages->Messages().size(), 1);
    EXPECT_TRUE(messages->Texts()[0].startsWith(QStringLiteral("删除数据失败！。\n")));
    EXPECT_TRUE(messages->Texts()[0].contains("row 1 is locked"));
    EXPECT_EQ(messages->Messages()[0].Buttons, MsgButtons::YesNo);
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026 and budgid='5'"),
              "1");                                                        // stopped: not tried
    EXPECT_EQ(Column(w, "chk"), (QStringList{"False", "False", "False"})); // read again
    messages->Clear();

    w->Actions().MarkAll(true);
    messages->Answer(mrYes);
    w->Actions().Delete(); // going on deletes the rest; no success message
    Settle();
    EXPECT_EQ(messages->Messages().size(), 1);
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"1", QStringLiteral("合计")}));
    messages->Clear();

    RefuseRow(db, "1", "update");
    w->Actions().MarkAll(true);
    w->Actions().CopyAmounts(true); // the failing row is the last one: reported, nothing to ask
    Settle();
    ASSERT_EQ(messages->Messages().size(), 1);
    EXPECT_TRUE(messages->Texts()[0].startsWith(QStringLiteral("金额复制失败！。\n")));
    EXPECT_EQ(messages->Messages()[0].Buttons, MsgButtons::Ok);
    messages->Clear();

    // A cell that is not an amount ends the copy with a clear message.
    w->Controls().ngdBudget->SetCells(w->Controls().ngdBudget->ColumnIndex("duemoney"), 0, "n/a");
    Settle();
    w->Controls().ngdBudget->SetCells(0, 0, "True");
    w->Controls().N4->trigger();
    Settle();
    EXPECT_EQ(messages->Texts(), QStringList{QStringLiteral("“n/a”不是有效的金额。")});
}

// Enough indicators under 财政局本级 that its fill is still running when the next click comes.
static void AddManyIndicators(TestDatabase& db, int count)
{
    const QString rows = db.GetEngine() == Engine::SQLite
                             ? QString("with recursive n(i) as (select 100 union all select "
                                       "i+1 from n where i<%1) select i from n")
                                   .arg(99 + count)
                             : QString("select generate_series(100,%1) as i").arg(99 + count);
    db.Exec("insert into busibudget (datayear,budgid,eid,mid,bkid,ipid,pid,bid,btype,"
            "btypechild,inputmoney,duemoney,budgmoney,burid) select 2026, cast(i as "
            "varchar(20)),'101002001','11','21','11','10','2050202','1','1',i,i,i,'01' from (" +
            rows + ") s");
}

// Amounts with two decimals whose differences a double does not hold: the differences, their
// totals and both export formats are exact to the fen.
TEST_P(ListFixture, DifferencesAndExportedAmountsAreExact)
{
    db.Exec("update busibudget set budgmoney=584600.32, duemoney=583600.33, inputmoney=0.1 "
            "where budgid='1'");
    db.Exec("update busibudget set budgmoney=0.3, duemoney=0.2, inputmoney=0.7 where budgid='5'");
    TbfrmQuindle* w = Open();
    // Rows of indicators 1 and 5, then the totals.
    EXPECT_EQ(Column(w, "duebalamoney"), (QStringList{"999.99", "0.1", "1000.09"}));
    EXPECT_EQ(Column(w, "balamoney"), (QStringList{"583600.23", "-0.5", "583599.73"}));
    EXPECT_EQ(Column(w, "inputbalamoney"), (QStringList{"584600.22", "-0.4", "584599.82"}));
    QTemporaryDir dir;
    ASSERT_TRUE(w->Output().ExportList(dir.filePath("list.csv")));
    Settle();
    const QList<QStringList> csv = ReadCsv(dir.filePath("list.csv"));
    const int due =
        csv[0].indexOf(w->Controls()
                           .ngdBudget->Column(w->Controls().ngdBudget->ColumnIndex("duebalamoney"))
                           .Caption);
    ASSERT_GE(due, 0);
    EXPECT_EQ((QStringList{csv[1][due], csv[3][due]}), (QStringList{"999.99", "1000.09"}));
    // The workbook holds the amounts' own digits, not the nearest double's.
    ASSERT_TRUE(w->Output().ExportList(dir.filePath("list.xlsx")));
    Settle();
    const QByteArray sheet = WorkbookPart(dir.filePath("list.xlsx"), "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(sheet.contains("<v>584600.32</v>")) << sheet.constData();
    EXPECT_TRUE(sheet.contains("<v>999.99</v>"));
    EXPECT_FALSE(sheet.contains("9999999")) << sheet.constData();
}

TEST_P(ListFixture, ANewClickOrClosingDuringAFillCancelsIt)
{
    AddManyIndicators(db, 40000);
    QPointer<TbfrmQuindle> w = Open();
    ASSERT_TRUE(w);
    QTreeWidgetItem* top = w->Panes().trvList->topLevelItem(0);
    QTreeWidgetItem* firstLeaf = w->Panes().trvList->currentItem();
    int rowsSeen = 0;
    QObject::connect(w, &TbfrmQuindle::ListRowsArrived, [&](int read) { rowsSeen = read; });

    // The top unit's fill is overtaken by the first leaf's: none of its rows reach the grid.
    w->Panes().trvList->setCurrentItem(top);
    EXPECT_TRUE(w->Rows().Filling());
    EXPECT_FALSE(
        w->Controls().tbtnDel->isEnabled()); // what acts on the list waits for the whole list
    EXPECT_FALSE(w->Controls().tbtnAdd->isEnabled());
    w->Panes().trvList->setCurrentItem(firstLeaf);
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"1", "5", QStringLiteral("合计")}));
    EXPECT_EQ(rowsSeen, 2);
    EXPECT_TRUE(w->Controls().tbtnDel->isEnabled());
    EXPECT_TRUE(w->Controls().tbtnAdd->isEnabled());

    // The whole top unit arrives in parts and ends with its exact totals.
    // A double click on a row that has arrived opens nothing while the rest is arriving.
    QList<int> counts;
    int dialogs = 0;
    hostApp.SetModalDriver([&](QDialog*) { return ++dialogs, int(mrCancel); });
    QObject::connect(w, &TbfrmQuindle::ListRowsArrived, [&](int read) {
        counts << read;
        w->Controls().ngdBudget->SetSelectedRow(0);
        emit w->Controls().ngdBudget->CellDoubleClicked(1, 0);
    });
    w->Panes().trvList->setCurrentItem(top);
    Settle();
    EXPECT_EQ(dialogs, 0);
    ASSERT_GE(counts.size(), 2);
    EXPECT_EQ(counts.last(), 40002);
    EXPECT_EQ(w->Rows().Count(), 40003); // with the totals row
    EXPECT_EQ(w->Rows().Manager()->GetText(w->Controls().ngdBudget, 40002, "inputmoney"),
              "803980112.5"); // 100 + 12.5 + (100 + 40099)·40000/2

    // Closing in the middle of a fill ends its thread with the window, without a message.
    w->Panes().trvList->setCurrentItem(firstLeaf);
    Settle();
    w->Panes().trvList->setCurrentItem(top);
    ASSERT_TRUE(w->Rows().Filling());
    CloseWindow(w);
    EXPECT_FALSE(w);
    EXPECT_EQ(TListLoader::LiveThreads(), 0);
    QApplication::processEvents();
    EXPECT_TRUE(messages->Texts().isEmpty()) << messages->Texts().join('\n').toStdString();
}

TEST_P(ListFixture, ExportWritesTheListAsShownAndAsksBeforeReplacing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list.csv");
    TbfrmQuindle* w = Open();
    int dialogs = 0;
    hostApp.SetModalDriver([&](QDialog* d) {
        auto* files = qobject_cast<QFileDialog*>(d);
        EXPECT_NE(files, nullptr);
        ++dialogs;
        files->selectFile(path);
        return int(QDialog::Accepted);
    });
    QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs, 1);
    Settle();
    const QList<QStringList> rows = ReadCsv(path);
    ASSERT_EQ(rows.size(), 4); // header, two indicators, totals
    EXPECT_EQ(rows[0].value(0),
              w->Controls().ngdBudget->Column(1).Caption); // the check-box column is not data
    const int id = rows[0].indexOf(
        w->Controls().ngdBudget->Column(w->Controls().ngdBudget->ColumnIndex("budgid")).Caption);
    ASSERT_GE(id, 0);
    EXPECT_EQ((QStringList{rows[1][id], rows[2][id], rows[3][id]}), Column(w, "budgid"));
    const int input =
        rows[0].indexOf(w->Controls()
                            .ngdBudget->Column(w->Controls().ngdBudget->ColumnIndex("inputmoney"))
                            .Caption);
    EXPECT_EQ(rows[3].value(input), "112.5");

    // An existing file is replaced only when the operator says so.
    messages->Answer(mrNo);
    QFile::resize(path, 3);
    w->Controls().tbtnExport->trigger();
    EXPECT_EQ(QFileInfo(path).size(), 3);
    EXPECT_TRUE(messages->Texts().last().contains(QStringLiteral("已存在")));
    messages->Answer(mrYes);
    w->Controls().tbtnExport->trigger();
    Settle();
    EXPECT_EQ(ReadCsv(path).size(), 4);

    // A failed export names the cause and its folder is not offered next time (a system folder
    // once remembered froze the next dialog).
    const QString folder = QSettings().value("Export/folder").toString();
    EXPECT_EQ(folder, dir.path());
    hostApp.SetModalDriver([&](QDialog* d) {
        qobject_cast<QFileDialog*>(d)->selectFile("/proc/exp.csv");
        return int(QDialog::Accepted);
    });
    messages->Clear();
    w->Controls().tbtnExport->trigger();
    Settle();
    ASSERT_EQ(messages->Texts().size(), 1);
    EXPECT_TRUE(messages->Texts()[0].contains(QStringLiteral("虚拟文件夹")))
        << messages->Texts()[0].toStdString();
    EXPECT_EQ(QSettings().value("Export/folder").toString(), folder);
}

// 打印… and 导出PDF… in 数据操作 and the grid's menu: the preview opens over the list (and
// leaves it), the PDF holds the list as shown, and a cancelled PDF leaves no file.
TEST_P(ListFixture, PrintPreviewAndPdfOfTheListAsShown)
{
    AddManyIndicators(db, 300);
    TbfrmQuindle* w = Open();
    w->Panes().trvList->setCurrentItem(
        w->Panes().trvList->topLevelItem(0)); // every unit: several pages
    Settle();
    for (QAction* a : {w->Controls().mnuPrint, w->Controls().mnuPdf}) {
        EXPECT_TRUE(w->Bars().mitemDataVind->actions().contains(a));
        EXPECT_TRUE(w->Controls().pmenu->actions().contains(a));
    }
    QString preview;
    int previewPages = 0;
    bool fileOffered = false, previewLeft = false;
    hostApp.SetModalDriver([&](QDialog* d) {
        if (auto* print = qobject_cast<QPrintDialog*>(d)) { // only where a printer is installed
            fileOffered = print->testOption(QAbstractPrintDialog::PrintToFile);
            return int(QDialog::Rejected);
        }
        EXPECT_NE(qobject_cast<QPrintPreviewDialog*>(d), nullptr);
        preview = d->windowTitle();
        d->show(); // paints the pages
        if (auto* pages = d->findChild<QPrintPreviewWidget*>())
            previewPages = pages->pageCount();
        // Its print button never offers a file (the open database could be overwritten).
        for (QAction* a : d->findChildren<QAction*>())
            if (a->text() == QCoreApplication::translate("QPrintPreviewDialog", "Print"))
                a->trigger();
        previewLeft = !d->isVisible();
        d->hide();
        return int(QDialog::Rejected);
    });
    QTest::keyClick(w, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(preview.startsWith(QStringLiteral("打印预览 — 共 "))) << preview.toStdString();
    EXPECT_TRUE(w->SubWindow()->isVisible());
    EXPECT_FALSE(fileOffered);
    EXPECT_FALSE(previewLeft);
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        EXPECT_EQ(messages->Texts(), QStringList{QStringLiteral(
                                         "没有可用的打印机，无法打印。要保存成文件，请用导出。")});
    }
    messages->Clear();
    QPrinter file;
    file.setOutputFileName(QDir::temp().filePath("x.pdf"));
    EXPECT_FALSE(PrintsToPrinter(file));

    // The list sorted by id descending is printed so: the totals still last.
    TNextGrid* g = w->Controls().ngdBudget;
    g->SortByColumn(g->ColumnIndex("budgid"), TGridSort::Descending);
    QTemporaryDir dir;
    const QString path = dir.filePath("list.pdf");
    hostApp.SetModalDriver([&](QDialog* d) {
        qobject_cast<QFileDialog*>(d)->selectFile(path);
        return int(QDialog::Accepted);
    });
    w->Controls().mnuPdf->trigger();
    Settle();
    QProcess text;
    text.start("pdftotext", {"-layout", path, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
    const QStringList pages = pdf.split('\f', Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 3);
    const QString title = QStringLiteral("2026年%1 — %2")
                              .arg(w->Controls().cobBType->currentText(), w->Scope().UnitName());
    EXPECT_TRUE(pages[0].contains(title)) << pages[0].toStdString();
    EXPECT_TRUE(
        pages[0].contains(QStringLiteral("资金性质：%1").arg(w->Controls().cobMid->currentText())));
    const QStringList ids = Column(w, "budgid");
    auto at = [](const QString& page, const QString& id) {
        return page.indexOf(QRegularExpression("(^|\\s)" + id + "\\s"));
    };
    EXPECT_GE(at(pages[0], ids[0]), 0);
    EXPECT_LT(at(pages[0], ids[0]), at(pages[0], ids[1]));
    EXPECT_GE(at(pages.last(), ids[ids.size() - 2]), 0);
    EXPECT_TRUE(pages.last().contains(QStringLiteral("合计")));
    const QString total = FormatAmountText(Column(w, "budgmoney").last()); // grouped, as shown
    EXPECT_TRUE(total.contains(',')) << total.toStdString();
    EXPECT_TRUE(pdf.contains(total)) << total.toStdString();
    EXPECT_EQ(previewPages, pages.size());
    EXPECT_TRUE(
        QString(pages.last())
            .remove(' ')
            .contains(
                QStringLiteral("第%1页共%1页").arg(pages.size()))); // pdftotext drops those blanks

    // A cancel while the pages are painted writes nothing.
    const QString other = dir.filePath("other.pdf");
    std::atomic<bool> fired{false};
    TWorkRunner::SetStepObserver([&](TWorkRunner*, const QString& phase, int done, int) {
        if (phase.startsWith(QStringLiteral("正在绘制")) && done == 1 && !fired.exchange(true))
            QMetaObject::invokeMethod(
                w, [w] { w->Work()->Cancel(); }, Qt::BlockingQueuedConnection);
    });
    ASSERT_TRUE(w->Output().ExportPdf(other));
    Settle();
    TWorkRunner::SetStepObserver({});
    EXPECT_TRUE(fired);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.pdf"});
    EXPECT_EQ(w->Controls().labStatus->text(), QStringLiteral("导出PDF已取消，没有写出文件"));
}

namespace
{
// Rows alike but for their ids come in either order on some engines.
QStringList Sorted(QStringList ids)
{
    std::sort(ids.begin(), ids.end());
    return ids;
}
} // namespace

TEST_P(ListFixture, CarryForwardAsksFirstThenCopiesTheListedScopeOnce)
{
    db.Exec("insert into busibudget (datayear,budgid,eid,mid,bkid,ipid,pid,bid,iid,btype,"
            "btypechild,inputmoney,duemoney,budgmoney,burid,filename) values (2025,'9',"
            "'101001001','11','21','12','10','2050202','1101001000001','1','1',7.25,7,7,'01',"
            "'doc')");
    db.Exec("insert into busibudget (datayear,budgid,eid,mid,bkid,ipid,pid,bid,iid,btype,"
            "btypechild,burid,filename) select 2025,'10',eid,mid,bkid,ipid,pid,bid,iid,btype,"
            "btypechild,burid,'doc2' from busibudget where datayear=2025 and budgid='9'");
    TbfrmQuindle* w = Open();
    messages->Answer(mrNo);
    w->Controls().mnuCarry->trigger();
    Settle();
    ASSERT_EQ(messages->Texts().size(), 1);
    // Row 1 of 2025 has its like in 2026 already; the new ones are offered.
    EXPECT_TRUE(messages->Texts()[0].contains(QStringLiteral("的2条指标结转到2026年")))
        << messages->Texts()[0].toStdString();
    EXPECT_TRUE(messages->Texts()[0].contains(QStringLiteral("1条在2026年已有相同的指标")));
    EXPECT_EQ(Column(w, "budgid").size(), 3); // nothing written

    // Another operator enters its like while this one answers: said, not written twice.
    TWorkRunner::SetStepObserver([&](TWorkRunner*, const QString& phase, int, int) {
        if (phase == WaitingToWritePhase())
            QMetaObject::invokeMethod(
                w,
                [&] {
                    db.Exec("insert into busibudget (datayear,budgid,eid,mid,bkid,ipid,pid,bid,"
                            "iid,btype,btypechild,burid,filename) select 2026,'77',eid,mid,bkid,"
                            "ipid,pid,bid,iid,btype,btypechild,burid,filename from busibudget "
                            "where datayear=2025 and budgid='9'");
                },
                Qt::BlockingQueuedConnection);
    });
    messages->Answer(mrYes);
    w->Controls().mnuCarry->trigger();
    Settle();
    TWorkRunner::SetStepObserver({});
    EXPECT_EQ(Sorted(Column(w, "budgid")),
              (QStringList{"1", "5", "77", "78", QStringLiteral("合计")}));
    EXPECT_EQ(
        messages->Texts().last(),
        QStringLiteral("已结转1条指标到2026年。另有1条写入时2026年已有相同的指标，没有重复写入。"));
    db.Exec("delete from busibudget where budgid='77'");
    w->Controls().mnuCarry->trigger();
    EXPECT_EQ(Sorted(Column(w, "budgid")),
              (QStringList{"1", "5", "78", "79", QStringLiteral("合计")}));
    EXPECT_EQ(messages->Texts().last(), QStringLiteral("已结转1条指标到2026年。"));
    w->Controls().mnuCarry->trigger();
    Settle();
    EXPECT_TRUE(messages->Texts().last().contains(QStringLiteral("没有可结转")));
}

// Closing the window while its workbook is being packed: the close waits for the worker (the
// file is then left out, as for any cancel), the window goes whole and takes its thread along.
TEST_P(ListFixture, ClosingWhileAWorkbookIsWrittenCancelsItAtOnce)
{
    AddManyIndicators(db, 20000);
    QPointer<TbfrmQuindle> w = Open();
    ASSERT_TRUE(w);
    w->Panes().trvList->setCurrentItem(w->Panes().trvList->topLevelItem(0));
    Settle();
    ASSERT_GT(w->Rows().Count(), 20000);
    QTemporaryDir dir;
    hostApp.SetModalDriver([&](QDialog* d) {
        qobject_cast<QFileDialog*>(d)->selectFile(dir.filePath("list.xlsx"));
        return int(QDialog::Accepted);
    });
    // 退出 while the workbook's rows are being written.
    std::atomic<bool> packing{false};
    TWorkRunner::SetStepObserver([&](TWorkRunner*, const QString& phase, int done, int) {
        if (phase.contains(QStringLiteral("写入")) && done > 0)
            packing = true;
    });
    bool closed = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!closed && w && packing) {
            closed = true;
            w->Controls().tbtnColse->trigger();
        }
    });
    poll.start(1);
    QTimer::singleShot(0, w, [w] { w->Controls().tbtnExport->trigger(); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w; }, 120000));
    poll.stop();
    TWorkRunner::SetStepObserver({});
    ASSERT_TRUE(closed);
    FlushDeletes();
    EXPECT_TRUE(area->subWindowList().isEmpty());
    EXPECT_EQ(TWorkRunner::LiveThreads(), 0);
    ASSERT_EQ(messages->Texts().size(), 1) << messages->Texts().join(" | ").toStdString();
    EXPECT_TRUE(messages->Texts()[0].startsWith(QStringLiteral("导出尚未完成")));
    // Cancelled: no file, not even the hidden one it was written to.
    EXPECT_TRUE(QDir(dir.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

// Each kind of work closed (the operator cancelling it) at a step of its phase: no thread is
// left, nothing is written, and the window goes.
TEST_P(ListFixture, ClosingDuringEachKindOfWorkCancelsItAndWritesNothing)
{
    db.Exec(db.GetEngine() == Engine::SQLite
                ? "with recursive n(i) as (select 100 union all select i+1 from n where i<1299) "
                  "insert into busibudget (datayear,budgid,eid,mid,bkid,ipid,bid,btype,"
                  "btypechild,inputmoney,duemoney,budgmoney,filename) select y, cast(i as text),"
                  "'101001001','11','21','11','2050202','1','1',i,i+1,0,'c' || i || y from n, "
                  "(select 2025 as y union all select 2026) years"
                : "insert into busibudget (datayear,budgid,eid,mid,bkid,ipid,bid,btype,"
                  "btypechild,inputmoney,duemoney,budgmoney,filename) select y, cast(i as "
                  "varchar),'101001001','11','21','11','2050202','1','1',i,i+1,0,'c' || i || y "
                  "from generate_series(100,1299) i, (values (2025),(2026)) years(y)");
    const QString state = "select count(*) || ':' || sum(budgmoney) from busibudget";
    struct Case {
        const char* Phase;
        int At;
        std::function<void(TbfrmQuindle*)> Start;
    };
    const Case cases[] = {
        {"正在读取", 0, [](TbfrmQuindle* w) { w->Controls().mnuCarry->trigger(); }},
        {"正在写入", 500, [](TbfrmQuindle* w) { w->Controls().mnuCarry->trigger(); }},
        {"正在复制金额", 300,
         [](TbfrmQuindle* w) {
             w->Actions().MarkAll(true);
             w->Actions().CopyAmounts(false);
         }},
        {"正在删除", 300,
         [](TbfrmQuindle* w) {
             w->Actions().MarkAll(true);
             w->Actions().Delete();
         }},
    };
    db.Params().ConfirmDelete = "0";
    for (const Case& c : cases) {
        const QString before = db.Scalar(state);
        QPointer<TbfrmQuindle> w = Open();
        ASSERT_TRUE(w);
        ASSERT_GT(w->Rows().Count(), 1000);
        messages->Clear();
        messages->Answer(mrYes); // the carry's question
        std::atomic<bool> fired{false};
        const QString phase = QString::fromUtf8(c.Phase);
        TWorkRunner::SetStepObserver([&, at = c.At](TWorkRunner*, const QString& p, int done, int) {
            if (!p.startsWith(phase) || done < at || fired.exchange(true))
                return;
            // The window is closed (and its work cancelled) before the work goes on.
            QMetaObject::invokeMethod(
                w, [w] { w->close(); }, Qt::BlockingQueuedConnection);
        });
        c.Start(w);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w; }, 60000)) << c.Phase;
        TWorkRunner::SetStepObserver({});
        FlushDeletes();
        EXPECT_TRUE(fired) << c.Phase;
        EXPECT_EQ(TWorkRunner::LiveThreads(), 0) << c.Phase;
        EXPECT_EQ(db.Scalar(state), before) << c.Phase;
        EXPECT_TRUE(messages->Texts().join('|').contains(QStringLiteral("尚未完成。要取消它")))
            << c.Phase << messages->Texts().join('|').toStdString();
    }
}

// Work that ends while the close question is up says its outcome after the answer, never in a
// box over the question; the window then closes as answered.
TEST_P(ListFixture, WorkEndingDuringTheCloseQuestionSpeaksAfterTheAnswer)
{
    QPointer<TbfrmQuindle> w = Open();
    ASSERT_TRUE(w);
    std::atomic<bool> release{false};
    int depth = 0;
    QStringList shown; // each box with the depth it was shown at
    Application->SetMessageResponder([&](const MessageRecord& m) {
        shown << QStringLiteral("%1:%2").arg(depth).arg(m.Text.left(4));
        if (m.Buttons != MsgButtons::YesNo)
            return static_cast<int>(mrOk);
        ++depth;
        release = true; // the work ends while the operator reads the question
        EXPECT_TRUE(QTest::qWaitFor([&] { return !w->Work()->Busy(); }, 10000));
        QTest::qWait(50);
        --depth;
        return static_cast<int>(mrYes);
    });
    ASSERT_TRUE(w->Work()->Run(
        QStringLiteral("测试"),
        [&](TWorkControl&) {
            while (!release)
                QThread::msleep(2);
            return true;
        },
        [](TWorkOutcome, const QString&) {
            ShowMessage(QStringLiteral("测试完成"), QString(), MsgIcon::Information);
        }));
    w->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w; }, 10000));
    Application->SetMessageResponder({});
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].startsWith("0:测试尚未")) << shown.join('|').toStdString();
    EXPECT_EQ(shown[1], QStringLiteral("0:测试完成"));
}
