// The host with the real plug-in module, as an operator uses it.
#include "context/untConnectionString.h"
#include "host/HostConnection.h"
#include "host/HostContext.h"
#include "host/HostWindow.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QMdiArea>
#include <QMdiSubWindow>
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

    // 辅助功能 → Excel电子格式导入: the list closes, the import module's window opens.
    auto* excel = list->findChild<QAction*>("mimExcel");
    ASSERT_NE(excel, nullptr);
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
    EXPECT_EQ(window.Notifier().ReleasedCount, 1);
    EXPECT_TRUE(recorder.Messages().isEmpty()) << recorder.Texts().join('|').toStdString();
    import->close();
    FlushDeletes();
    EXPECT_EQ(window.MdiArea()->subWindowList().size(), 0);
    EXPECT_EQ(window.Notifier().ReleasedCount, 2);
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
        shownErrors << (dialog->labError->isHidden() ? QString() : dialog->labError->text());
        dialog->rbSqlite->setChecked(true);
        dialog->edFile->setText(file);
        // First without leave to create the file, then with it.
        dialog->cbCreate->setChecked(tries > 0);
        dialog->cbDemo->setChecked(true);
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
    ASSERT_TRUE(window.AdoptContext(std::move(context)));
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
            dialog->rbSqlite->setChecked(true);
            dialog->edFile->setText(ConnectionStringValue(target, "Data Source"));
        } else {
            dialog->rbPg->setChecked(true);
            dialog->edHost->setText(ConnectionStringValue(target, "Host"));
            dialog->edDatabase->setText(ConnectionStringValue(target, "Database"));
            dialog->edUser->setText(ConnectionStringValue(target, "User ID"));
        }
        return int(QDialog::Accepted);
    });
    window.Reconnect(first.ConnectionString());
    Application->SetModalDriver({});
    EXPECT_TRUE(window.MdiArea()->subWindowList().isEmpty()); // closed before switching
    ASSERT_NE(window.Context(), nullptr);
    const QString now = window.Context()->DbManager().FindConnection("Def")->ConnectionString();
    EXPECT_EQ(ConnectionStringValue(now, "Database") + ConnectionStringValue(now, "Data Source"),
              ConnectionStringValue(second.ConnectionString(), "Database") +
                  ConnectionStringValue(second.ConnectionString(), "Data Source"));
    ASSERT_TRUE(window.OpenPlugInWindow("TbfrmQuindle", &error)) << error.toStdString();
    QApplication::processEvents();
    EXPECT_EQ(window.MdiArea()->subWindowList().size(), 1);
    window.CloseChildWindows();
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
        ASSERT_TRUE(window.AdoptContext(std::move(context)));
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
