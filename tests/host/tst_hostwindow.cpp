// The host with the real plug-in module, as an operator uses it.
#include "context/untConnectionString.h"
#include "host/HostConnection.h"
#include "host/HostContext.h"
#include "host/HostWindow.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/TestSupport.h"

#include <QApplication>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

class HostWithPlugIn : public ::testing::TestWithParam<Engine>
{
};
INSTANTIATE_TEST_SUITE_P(Db, HostWithPlugIn, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

TEST_P(HostWithPlugIn, OpensTheListWindowOnceAndIsToldWhenItCloses)
{
    TestDatabase db(GetParam(), TestDatabase::Demo, 3000);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    HostContext context;
    QString error;
    ASSERT_TRUE(context.Load({db.ConnectionString(), 0, "admin", ""}, &error))
        << error.toStdString();
    HostWindow window(&context, PLUGIN_PATH);
    Application->SetMainForm(&window);
    Application->SetMdiArea(window.MdiArea());
    window.resize(1200, 800);
    window.show();
    MessageRecorder recorder;

    ASSERT_TRUE(window.OpenPlugInWindow("TbfrmQuindle", &error)) << error.toStdString();
    ASSERT_TRUE(window.OpenPlugInWindow("TbfrmQuindle", &error));
    QApplication::processEvents();
    ASSERT_EQ(window.MdiArea()->subWindowList().size(), 1);
    QWidget* list = window.MdiArea()->subWindowList().first()->widget();
    EXPECT_EQ(list->windowTitle(), QStringLiteral("预算指标录入"));
    auto* grid = list->findChild<QTableView*>("ngdBudget");
    ASSERT_NE(grid, nullptr);
    // The list is read beside the window: its rows arrive shortly.
    EXPECT_TRUE(QTest::qWaitFor([grid] { return grid->model()->rowCount() > 1; }, 20000));
    auto* tree = list->findChild<QTreeWidget*>("trvList");
    ASSERT_NE(tree, nullptr);
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_TRUE(tree->currentItem()->text(0).startsWith("101001001 "));
    QStringList menus;
    for (QAction* a : window.menuBar()->actions())
        menus << a->text();
    EXPECT_TRUE(menus.contains(QStringLiteral("数据操作(&P)")));
    EXPECT_TRUE(recorder.Messages().isEmpty()) << recorder.Texts().join('|').toStdString();

    // 窗口 lists the open windows by number, the active one checked; choosing one activates it.
    ASSERT_TRUE(window.OpenPlugInWindow("TbfrmSummary", &error)) << error.toStdString();
    QApplication::processEvents();
    auto* windows = window.findChild<QMenu*>("mnuWindows");
    ASSERT_NE(windows, nullptr);
    emit windows->aboutToShow();
    QStringList listed;
    for (QAction* a : windows->actions())
        if (a->isCheckable())
            listed << a->text() + (a->isChecked() ? "*" : "");
    ASSERT_EQ(listed.size(), 2) << listed.join('|').toStdString();
    EXPECT_EQ(listed[0], QStringLiteral("&1 预算指标录入"));
    EXPECT_TRUE(listed[1].startsWith("&2 ") && listed[1].endsWith("*"))
        << listed.join('|').toStdString();
    for (QAction* a : windows->actions())
        if (a->text() == listed[0])
            a->trigger();
    EXPECT_EQ(window.MdiArea()->activeSubWindow()->widget(), list);
    window.MdiArea()->subWindowList().last()->widget()->close();
    FlushDeletes();
    ASSERT_EQ(window.MdiArea()->subWindowList().size(), 1);

    // 辅助功能 → Excel电子格式导入: the list closes, the import module's window opens (taking the
    // maximised list's place: the list opens maximised again).
    auto* excel = list->findChild<QAction*>("mimExcel");
    ASSERT_NE(excel, nullptr);
    list->parentWidget()->showMaximized();
    excel->trigger();
    FlushDeletes();
    ASSERT_EQ(window.MdiArea()->subWindowList().size(), 1);
    QWidget* import = window.MdiArea()->subWindowList().first()->widget();
    EXPECT_EQ(import->windowTitle(), QStringLiteral("Excel电子格式导入"));
    QStringList importMenus; // merged although the frame was active before its show
    for (QAction* a : window.menuBar()->actions())
        importMenus << a->text();
    EXPECT_TRUE(importMenus.contains(QStringLiteral("数据操作(&P)")))
        << importMenus.join('|').toStdString();
    EXPECT_EQ(window.Notifier().ReleasedCount(), 1);
    EXPECT_TRUE(recorder.Messages().isEmpty()) << recorder.Texts().join('|').toStdString();
    import->close();
    FlushDeletes();
    EXPECT_EQ(window.MdiArea()->subWindowList().size(), 0);
    EXPECT_EQ(window.Notifier().ReleasedCount(), 2);
    ASSERT_TRUE(window.OpenPlugInWindow("TbfrmQuindle", &error));
    QApplication::processEvents();
    ASSERT_EQ(window.MdiArea()->subWindowList().size(), 1);
    EXPECT_TRUE(window.MdiArea()->subWindowList().first()->isMaximized());
    window.MdiArea()->subWindowList().first()->widget()->close();
    FlushDeletes();
    EXPECT_EQ(ModuleLibraryFile("C:\\app\\bQuindle.DLL"), "libbQuindle.so");
    EXPECT_EQ(ModuleLibraryFile("../x y.dll"), "");

    ASSERT_TRUE(window.OpenPlugInWindow("TbfrmNoSuchWindow", &error));
    EXPECT_EQ(recorder.Texts(),
              QStringList{QStringLiteral("类TbfrmNoSuchWindow没有进行注册或不存在！")});
    Application->SetMainForm(nullptr);
    Application->SetMdiArea(nullptr);
}

TEST(HostConnection, AsksUntilAConnectionLoadsThenRemembersIt)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("new.db");
    MessageRecorder recorder;
    QStringList shownErrors;
    int tries = 0;
    Application->SetModalDriver([&](QDialog* d) {
        auto* dialog = qobject_cast<ConnectionDialog*>(d);
        EXPECT_NE(dialog, nullptr);
        shownErrors << (dialog->Fields().labError->isHidden() ? QString()
                                                              : dialog->Fields().labError->text());
        dialog->Fields().rbSqlite->setChecked(true);
        dialog->Fields().edFile->setText(file);
        // First without leave to create the file, then with it.
        dialog->Fields().cbCreate->setChecked(tries > 0);
        dialog->Fields().cbDemo->setChecked(true);
        return int(++tries <= 2 ? QDialog::Accepted : QDialog::Rejected);
    });
    QWidget parent;
    std::unique_ptr<HostContext> context =
        AskForConnection({}, QString(), "last one failed", &parent);
    Application->SetModalDriver({});
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(tries, 2);
    ASSERT_EQ(shownErrors.size(), 2);
    EXPECT_EQ(shownErrors[0], "last one failed");
    EXPECT_TRUE(shownErrors[1].contains("new.db")) << "[" << shownErrors[1].toStdString() << "]";
    EXPECT_EQ(LastConnection(), "Provider=SQLite;Data Source=" + file);
    EXPECT_GT(context->Context()->DataYear, 2000); // read from the new demo database
    EXPECT_TRUE(recorder.Messages().isEmpty());
    EXPECT_EQ(PgConnectionString("h", 5433, "d;b", "u", ""),
              "Provider=PostgreSQL;Host=h;Port=5433;Database=\"d;b\";User ID=u");
    // Every value comes back as it was typed: semicolons, quotes, blanks at the ends.
    const QString typed = PgConnectionString("h", 5432, "d", "x\";y", " p;\"\" w ");
    EXPECT_EQ(ConnectionStringValue(typed, "User ID"), "x\";y");
    EXPECT_EQ(ConnectionStringValue(typed, "Password"), " p;\"\" w ");
    EXPECT_EQ(ConnectionStringValue(typed, "Database"), "d");
    EXPECT_EQ(ConnectionStringWithoutProvider(typed), typed.mid(typed.indexOf(';') + 1));
    // A quote inside a value written by hand is an ordinary character.
    const QString byHand = "Provider=PostgreSQL;Password=ab\"c;Host=h";
    EXPECT_EQ(ConnectionStringValue(byHand, "Password"), "ab\"c");
    EXPECT_EQ(ConnectionStringValue(byHand, "Host"), "h");

    // A settings file that cannot be written is said once, not passed over.
    const QString settingsFile = QSettings().fileName();
    QFile::remove(settingsFile);
    ASSERT_TRUE(QDir().mkpath(settingsFile));
    RememberConnection(typed);
    QDir(settingsFile).removeRecursively();
    ASSERT_EQ(recorder.Texts().size(), 1);
    EXPECT_TRUE(recorder.Texts()[0].startsWith(QStringLiteral("设置无法保存到")));
}

TEST_P(HostWithPlugIn, ReconnectingClosesTheWindowsAndWorksOnTheNewDatabase)
{
    TestDatabase first(GetParam(), TestDatabase::Demo, 500);
    TestDatabase second(GetParam(), TestDatabase::Demo, 600);
    ASSERT_TRUE(first.Ok() && second.Ok());
    auto context = std::make_unique<HostContext>();
    QString error;
    ASSERT_TRUE(context->Load({first.ConnectionString(), 0, "admin", ""}, &error));
    HostWindow window(nullptr, PLUGIN_PATH);
    window.AdoptContext(std::move(context));
    ASSERT_NE(window.Context(), nullptr);
    Application->SetMainForm(&window);
    Application->SetMdiArea(window.MdiArea());
    window.show();
    ASSERT_TRUE(window.OpenPlugInWindow("TbfrmQuindle", &error)) << error.toStdString();
    QApplication::processEvents();
    ASSERT_EQ(window.MdiArea()->subWindowList().size(), 1);

    Application->SetModalDriver([&](QDialog* d) {
        auto* dialog = qobject_cast<ConnectionDialog*>(d);
        // The dialog offers the connection it starts from; the other database is chosen.
        EXPECT_EQ(dialog->ConnectionString().section(';', 0, 0),
                  first.ConnectionString().section(';', 0, 0));
        const QString target = second.ConnectionString();
        if (GetParam() == Engine::SQLite) {
            dialog->Fields().rbSqlite->setChecked(true);
            dialog->Fields().edFile->setText(ConnectionStringValue(target, "Data Source"));
        } else {
            dialog->Fields().rbPg->setChecked(true);
            dialog->Fields().edHost->setText(ConnectionStringValue(target, "Host"));
            dialog->Fields().edDatabase->setText(ConnectionStringValue(target, "Database"));
            dialog->Fields().edUser->setText(ConnectionStringValue(target, "User ID"));
        }
        return int(QDialog::Accepted);
    });
    window.Reconnect(first.ConnectionString());
    Application->SetModalDriver({});
    // Switched once the windows are closed and gone.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QString now =
                window.Context()->DbManager().FindConnection("Def")->ConnectionString();
            return ConnectionStringValue(now, "Database") +
                       ConnectionStringValue(now, "Data Source") ==
                   ConnectionStringValue(second.ConnectionString(), "Database") +
                       ConnectionStringValue(second.ConnectionString(), "Data Source");
        },
        10000));
    EXPECT_TRUE(window.MdiArea()->subWindowList().isEmpty());
    ASSERT_TRUE(window.OpenPlugInWindow("TbfrmQuindle", &error)) << error.toStdString();
    QApplication::processEvents();
    EXPECT_EQ(window.MdiArea()->subWindowList().size(), 1);
    window.CloseChildWindows({});
    FlushDeletes();
}

namespace
{
// Threads of the plug-in's long work alive in the process (they carry the runner's name).
int WorkThreads()
{
    int n = 0;
    for (const QString& task :
         QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + task + "/comm");
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "vw-work")
            ++n;
    }
    return n;
}
} // namespace

// Switching the database, or quitting, while a list window's amount copy waits for another
// operator's writers' lock: the operator is asked, the work cancelled and waited for, nothing
// written, and only then the switch (or the quit) happens.
TEST_P(HostWithPlugIn, ReconnectingOrQuittingDuringWorkCancelsItFirst)
{
    TestDatabase first(GetParam(), TestDatabase::Demo, 500);
    TestDatabase second(GetParam(), TestDatabase::Demo, 600);
    ASSERT_TRUE(first.Ok() && second.Ok());
    auto context = std::make_unique<HostContext>();
    QString error;
    ASSERT_TRUE(context->Load({first.ConnectionString(), 0, "admin", ""}, &error));
    const int year = context->Context()->DataYear;
    HostWindow window(nullptr, PLUGIN_PATH);
    window.AdoptContext(std::move(context));
    ASSERT_NE(window.Context(), nullptr);
    Application->SetMainForm(&window);
    Application->SetMdiArea(window.MdiArea());
    window.show();
    MessageRecorder recorder;
    const QString state = "select count(*) || ':' || sum(budgmoney) from busibudget";

    // Another operator's write holds the lock; a copy over the listed rows then waits for it.
    auto holdLock = [&](TestDatabase& db, TAdoConn& other) {
        other.SetConnectionString(db.ConnectionString());
        ExecuteCommand(&other, GetParam() == Engine::SQLite
                                   ? QString("BEGIN IMMEDIATE")
                                   : QString("select pg_advisory_lock(71, %1)").arg(year));
    };
    auto startCopy = [&] {
        ASSERT_TRUE(window.OpenPlugInWindow("TbfrmQuindle", &error)) << error.toStdString();
        ASSERT_EQ(window.MdiArea()->subWindowList().size(), 1);
        QWidget* list = window.MdiArea()->subWindowList().first()->widget();
        auto* grid = list->findChild<QTableView*>("ngdBudget");
        ASSERT_TRUE(QTest::qWaitFor([grid] { return grid->model()->rowCount() > 1; }, 20000));
        QTest::qWait(100); // the totals are in: the list's actions are on
        for (const char* text : {"全选(&A)", "财政金额复制到控制金额(&Z)"})
            for (QAction* a : list->findChildren<QAction*>())
                if (a->text() == QString::fromUtf8(text))
                    a->trigger();
        auto* progress = list->findChild<QWidget*>("dlgWorkProgress");
        ASSERT_NE(progress, nullptr);
        EXPECT_TRUE(progress->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([] { return WorkThreads() == 1; }, 2000)); // named at start
    };

    TAdoConn firstOther;
    holdLock(first, firstOther);
    const QString firstBefore = first.Scalar(state);
    startCopy();
    Application->SetModalDriver([&](QDialog* d) {
        auto* dialog = qobject_cast<ConnectionDialog*>(d);
        const QString target = second.ConnectionString();
        if (GetParam() == Engine::SQLite) {
            dialog->Fields().rbSqlite->setChecked(true);
            dialog->Fields().edFile->setText(ConnectionStringValue(target, "Data Source"));
        } else {
            dialog->Fields().rbPg->setChecked(true);
            dialog->Fields().edHost->setText(ConnectionStringValue(target, "Host"));
            dialog->Fields().edDatabase->setText(ConnectionStringValue(target, "Database"));
            dialog->Fields().edUser->setText(ConnectionStringValue(target, "User ID"));
        }
        return int(QDialog::Accepted);
    });
    window.Reconnect(first.ConnectionString());
    Application->SetModalDriver({});
    auto onSecond = [&] {
        const QString now = window.Context()->DbManager().FindConnection("Def")->ConnectionString();
        return ConnectionStringValue(now, "Database") + ConnectionStringValue(now, "Data Source") ==
               ConnectionStringValue(second.ConnectionString(), "Database") +
                   ConnectionStringValue(second.ConnectionString(), "Data Source");
    };
    EXPECT_FALSE(onSecond()); // not while the work runs
    EXPECT_TRUE(QTest::qWaitFor(onSecond, 30000));
    EXPECT_TRUE(window.MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(WorkThreads(), 0);
    ExecuteCommand(&firstOther, GetParam() == Engine::SQLite ? "ROLLBACK" : "select 1");
    EXPECT_EQ(first.Scalar(state), firstBefore);
    ASSERT_FALSE(recorder.Texts().isEmpty());
    EXPECT_TRUE(recorder.Texts().first().startsWith(QStringLiteral("复制金额尚未完成")))
        << recorder.Texts().join('|').toStdString();

    // Quitting: the host stays until the work has been cancelled, then closes.
    TAdoConn secondOther;
    holdLock(second, secondOther);
    const QString secondBefore = second.Scalar(state);
    startCopy();
    recorder.Clear();
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 30000));
    EXPECT_TRUE(window.MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(WorkThreads(), 0);
    ExecuteCommand(&secondOther, GetParam() == Engine::SQLite ? "ROLLBACK" : "select 1");
    EXPECT_EQ(second.Scalar(state), secondBefore);
    EXPECT_EQ(recorder.Texts().size(), 1);
    Application->SetMainForm(nullptr);
    Application->SetMdiArea(nullptr);
}

// A file another program keeps in the old journal mode cannot take the write-ahead log: the
// connection reads its settings back, the host says once that it runs without the log, and its
// status bar names the mode.
TEST(HostConnection, AWeakerJournalModeIsToldOnceAndShown)
{
    TestDatabase db(Engine::SQLite, TestDatabase::Demo, 50);
    ASSERT_TRUE(db.Ok());
    db.Exec("PRAGMA journal_mode=DELETE");
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other-program");
    other.setDatabaseName(ConnectionStringValue(db.ConnectionString(), "Data Source"));
    ASSERT_TRUE(other.open());
    {
        QSqlQuery read(other);
        ASSERT_TRUE(read.exec("BEGIN") && read.exec("select count(*) from busibudget") &&
                    read.next());
        MessageRecorder recorder;
        auto context = std::make_unique<HostContext>();
        QString error;
        ASSERT_TRUE(
            context->Load({db.ConnectionString() + ";Lock Timeout=1", 0, "admin", ""}, &error))
            << error.toStdString();
        HostWindow window(nullptr, PLUGIN_PATH);
        window.AdoptContext(std::move(context)); // no window open: adopted at once
        ASSERT_NE(window.Context(), nullptr);
        QApplication::processEvents();
        ASSERT_EQ(recorder.Texts().size(), 1);
        EXPECT_TRUE(recorder.Texts()[0].contains(QStringLiteral("不能使用WAL")));
        EXPECT_EQ(recorder.Messages()[0].Icon, MsgIcon::Warning);
        const auto* status = window.statusBar()->findChild<QLabel*>();
        ASSERT_NE(status, nullptr);
        EXPECT_TRUE(status->text().contains(QStringLiteral("SQLite（DELETE日志")))
            << status->text().toStdString();
        // The connection runs with the rollback journal synced at every commit, and said so once.
        TAdoConn* def = window.Context()->DbManager().FindConnection("Def");
        EXPECT_EQ(TARQuery::Open(def, "PRAGMA synchronous")->Fields(0).AsString(), "2");
        EXPECT_EQ(def->TakeNotice(), "");
        read.exec("COMMIT");
    }
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("other-program");
}
