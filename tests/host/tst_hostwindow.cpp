// The host with the real plug-in module, as an operator uses it.
#include "host/HostContext.h"
#include "host/HostWindow.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/TestSupport.h"

#include <QApplication>
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

    list->close();
    FlushDeletes();
    EXPECT_EQ(window.MdiArea()->subWindowList().size(), 0);
    EXPECT_EQ(window.Notifier().ReleasedCount, 1);

    ASSERT_TRUE(window.OpenPlugInWindow("TbfrmNoSuchWindow", &error));
    EXPECT_EQ(recorder.Texts(),
              QStringList{QStringLiteral("类TbfrmNoSuchWindow没有进行注册或不存在！")});
    Application->SetMainForm(nullptr);
    Application->SetMdiArea(nullptr);
}
