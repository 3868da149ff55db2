#include "context/untSqlTrace.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/TestSupport.h"
#include "support/untDynamicTree.h"

#include <QSqlDatabase>
#include <QTest>
#include <gtest/gtest.h>

namespace
{
class Tree : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
        db.Exec("create table cat (id varchar(10), pid varchar(10), name varchar(50), leaf "
                "varchar(1))");
        const char* rows[][4] = {{"1", "", "A", "1"},          {"101", "1", "A1", "1"},
                                 {"10101", "101", "A1a", "0"}, {"10102", "101", "A1b", "0"},
                                 {"102", "1", "A2", "0"},      {"2", "", "B", "0"},
                                 {"9", "x", "elsewhere", "0"}};
        for (const auto& r : rows)
            db.Exec(QString("insert into cat values ('%1','%2','%3','%4')")
                        .arg(r[0], r[1], r[2], r[3]));
        SetSqlObserver([this](const SqlTraceEntry& e) {
            if (e.Kind == "open")
                ++opened;
        });
    }
    void TearDown() override { SetSqlObserver({}); }

    void Configure(TDynamicTree& t)
    {
        const QString c = db.Def()->Dialect().ConcatOperator();
        t.SqlTable = {"select id, pid, name, leaf, id" + c + "' '" + c + "name as tname from cat"};
        t.SetFieldId("id");
        t.FieldPid = "pid";
        t.FieldIsLeaf = "leaf";
        t.ValueIsLeaf = "0";
        t.FieldCaption = "name";
        t.FieldText = "tname";
        t.SetTopVirNodeTitle("全部单位");
        t.SetAdoConn(db.Def());
        t.SetTreeView(&view);
    }
    static QStringList Texts(QTreeWidgetItem* node)
    {
        QStringList texts;
        for (int i = 0; i < node->childCount(); ++i)
            texts << node->child(i)->text(0);
        return texts;
    }
    static TItemInfo* Info(QTreeWidgetItem* node) { return static_cast<TNodeItem*>(node)->Info; }

    TestDatabase db{GetParam()};
    TTreeView view;
    int opened = 0;
};
INSTANTIATE_TEST_SUITE_P(Db, Tree, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);
} // namespace

TEST_P(Tree, CheckPropertiesInOrder)
{
    TDynamicTree t;
    auto expectMessage = [&](const QString& message) {
        try {
            t.SetActive(true);
            ADD_FAILURE() << "activated";
        } catch (const TExceptDynamicTree& e) {
            EXPECT_EQ(e.Message(), message);
        }
        EXPECT_FALSE(t.Active());
    };
    expectMessage(QStringLiteral("没有指定TreeView属性值！"));
    t.SetTreeView(&view);
    expectMessage(QStringLiteral("没有指定AdoConn属性值！"));
    TAdoConn closed;
    closed.SetConnectionString(db.ConnectionString());
    closed.Database();
    closed.Close();
    t.SetAdoConn(&closed);
    expectMessage(QStringLiteral("指定的AdoConnection没有打开！"));
    t.SetAdoConn(db.Def());
    expectMessage(QStringLiteral("没有指定SqlTable属性值！"));
    t.SqlTable = {"  "};
    expectMessage(QStringLiteral("没有指定SqlTable属性值！"));
    t.SqlTable = {"select * from cat"};
    const std::pair<QString*, const char*> fields[] = {{nullptr, "FieldId"},
                                                       {&t.FieldPid, "FieldPid"},
                                                       {&t.FieldIsLeaf, "FieldIsLeaf"},
                                                       {&t.FieldCaption, "FieldCaption"},
                                                       {&t.FieldText, "FieldText"}};
    for (const auto& [field, name] : fields) {
        expectMessage(QStringLiteral("没有指定%1属性值！").arg(name));
        if (field)
            *field = "x";
        else
            t.SetFieldId("id");
    }
    EXPECT_EQ(t.FieldOrderBy, "id");
    EXPECT_EQ(view.topLevelItemCount(), 0);
}

TEST_P(Tree, LazyLevelsOneQueryPerExpandedNode)
{
    TDynamicTree t;
    Configure(t);
    t.SetActive(true);
    EXPECT_EQ(opened, 1);
    ASSERT_EQ(view.topLevelItemCount(), 1);
    QTreeWidgetItem* top = view.topLevelItem(0);
    EXPECT_EQ(top->text(0), QStringLiteral("全部单位"));
    EXPECT_EQ(Info(top)->Kind, ikVirtualTop);
    EXPECT_EQ(Info(top)->Caption, "^_^");
    EXPECT_EQ(Info(top)->ParentId, QStringLiteral("★"));
    EXPECT_TRUE(top->isExpanded() && top->isSelected()); // title node
    EXPECT_EQ(Texts(top), (QStringList{"1 A", "2 B"}));
    QTreeWidgetItem* a = top->child(0);
    EXPECT_EQ(Texts(a), QStringList{QStringLiteral("【】")});
    EXPECT_EQ(Info(a->child(0))->Kind, ikPlaceholder);
    EXPECT_EQ(t.PendingCount(), 1);
    EXPECT_EQ(top->child(1)->childCount(), 0);
    EXPECT_TRUE(Info(top->child(1))->IsLeaf);

    a->setExpanded(true);
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(Texts(a), (QStringList{"101 A1", "102 A2"}));
    EXPECT_EQ(Info(a->child(0))->ParentId, "1");
    a->setExpanded(false);
    a->setExpanded(true);
    top->child(1)->setExpanded(true); // a leaf
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(Texts(a), (QStringList{"101 A1", "102 A2"})); // collapsing keeps the children

    t.SetLoadAll(true); // loads every pending level now
    EXPECT_EQ(t.PendingCount(), 0);
    EXPECT_EQ(Texts(a->child(0)), (QStringList{"10101 A1a", "10102 A1b"}));
    EXPECT_EQ(opened, 3);
}

TEST_P(Tree, FirstLeafIsLoadedAndSelected)
{
    TDynamicTree t;
    Configure(t);
    t.SetAutoExpandKind(aekFirstLeaf);
    QStringList selected;
    QObject listener; // disconnects before `selected` goes
    QObject::connect(&view, &QTreeWidget::currentItemChanged, &listener,
                     [&](QTreeWidgetItem* cur) { selected << (cur ? cur->text(0) : "-"); });
    t.SetActive(true);
    ASSERT_NE(view.currentItem(), nullptr);
    EXPECT_EQ(view.currentItem()->text(0), "10101 A1a");
    EXPECT_EQ(selected.last(), "10101 A1a");
    EXPECT_EQ(opened, 3); // top, 1, 101

    // With LoadAll: the same leaf, one query per non-leaf node.
    TDynamicTree all;
    TTreeView other;
    Configure(all);
    all.SetTreeView(&other);
    all.SetLoadAll(true);
    all.SetAutoExpandKind(aekFirstLeaf);
    opened = 0;
    all.SetActive(true);
    EXPECT_EQ(other.currentItem()->text(0), "10101 A1a");
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(all.PendingCount(), 0);
}

TEST_P(Tree, ClosedConnectionSwitchesTheTreeOff)
{
    TDynamicTree t;
    Configure(t);
    t.SetActive(true);
    db.Def()->Close();
    QTreeWidgetItem* a = view.topLevelItem(0)->child(0);
    EXPECT_NO_THROW(a->setExpanded(true));
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(view.topLevelItemCount(), 0);
    EXPECT_EQ(t.PendingCount(), 0);
}

TEST_P(Tree, HandlersTitleAndOrder)
{
    struct Tagged : TItemInfo {
        int tag = 7;
    };
    TDynamicTree t;
    Configure(t);
    int after = 0;
    t.OnBeforAddNode = [](TDynamicTree*, TARQuery* fields, TNodeItem* node, TItemInfoClass& cls) {
        if (fields && fields->FieldByName("id").AsString() == "2")
            node->setText(0, "custom");
        cls = [] { return new Tagged; };
    };
    t.OnAfterAddNode = [&](TDynamicTree*, TARQuery*, TNodeItem*, TItemInfo* info) {
        ++after;
        EXPECT_EQ(static_cast<Tagged*>(info)->tag, 7);
    };
    t.SetActive(true);
    EXPECT_EQ(Texts(view.topLevelItem(0)), (QStringList{"1 A", "custom"}));
    EXPECT_EQ(after, 3); // top and two nodes, not the placeholder

    t.SetTopVirNodeTitle("新标题");
    ASSERT_TRUE(t.Active());
    EXPECT_EQ(view.topLevelItem(0)->text(0), "新标题");
    t.SetActive(false);
    t.SetTopVirNodeTitle("只保存");
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(view.topLevelItemCount(), 0);

    t.FieldOrderBy = "name desc";
    EXPECT_TRUE(t.ChildrenSql("1").endsWith(" Order by a.name desc"));
    t.FieldOrderBy.clear();
    EXPECT_TRUE(t.ChildrenSql("o'k").endsWith("a.pid='o''k'"));
    t.TopVirNodeIdValue = "x";
    t.SetActive(true);
    EXPECT_EQ(Texts(view.topLevelItem(0)), QStringList{"9 elsewhere"});
}

TEST_P(Tree, BackgroundQueriesDeliverOnTheUserInterfaceThread)
{
    TDynamicTree t;
    Configure(t);
    t.SyncDataLoad = false;
    t.SetActive(true);
    QTreeWidgetItem* top = view.topLevelItem(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return top->childCount() == 2; }, 5000));
    EXPECT_EQ(Texts(top), (QStringList{"1 A", "2 B"}));
    top->child(0)->setExpanded(true);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return Texts(top->child(0)) == QStringList{"101 A1", "102 A2"};
        },
        5000));
    EXPECT_TRUE(top->child(0)->isExpanded());
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.RunningThreads() == 0; }, 5000));

    // Deactivation cuts a running load loose: nothing arrives afterwards.
    top->child(0)->child(0)->setExpanded(true);
    t.SetActive(false);
    QTest::qWait(300);
    EXPECT_EQ(view.topLevelItemCount(), 0);
}

// A row that cannot become a node, and a level that cannot be read, are reported, not lost.
TEST_P(Tree, UnusableRowsAndQueriesAreReported)
{
    MessageRecorder messages;
    TDynamicTree t;
    Configure(t);
    t.OnBeforAddNode = [](TDynamicTree*, TARQuery* fields, TNodeItem*, TItemInfoClass&) {
        if (fields && fields->FieldByName("id").AsString() == "2")
            throw Exception("坏记录");
    };
    t.SetActive(true);
    EXPECT_EQ(Texts(view.topLevelItem(0)), QStringList{"1 A"});
    EXPECT_EQ(t.DroppedRows(), 1);
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("有1条记录无法显示在树中：坏记录")});
    EXPECT_EQ(messages.Messages()[0].Icon, MsgIcon::Error);

    // A source that cannot be read raises out of the activation: no half-built tree remains.
    TTreeView other;
    TDynamicTree broken;
    Configure(broken);
    broken.SetTreeView(&other);
    broken.SqlTable = {"select * from nosuch"};
    EXPECT_THROW(broken.SetActive(true), TExceptDbManager);
    EXPECT_EQ(other.topLevelItemCount(), 0);

    // In the background the query's error arrives on the user-interface thread.
    messages.Clear();
    TTreeView third;
    TDynamicTree background;
    Configure(background);
    background.SetTreeView(&third);
    background.SqlTable = {"select * from nosuch"};
    background.SyncDataLoad = false;
    background.SetActive(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.Messages().isEmpty(); }, 5000));
    EXPECT_TRUE(messages.Texts()[0].startsWith(QStringLiteral("树节点的下级无法读取：")));
}

// The tree view goes while a background level is still being read: the thread is cut loose,
// so neither the freed view nor the freed tree hears from it again.
TEST_P(Tree, DestroyingTheViewCutsBackgroundThreadsLoose)
{
    auto* ownView = new TTreeView;
    auto* t = new TDynamicTree;
    Configure(*t);
    t->SetTreeView(ownView);
    // A source that takes a while to read.
    const QString slow = GetParam() == Engine::SQLite
                             ? "with recursive n(i) as (select 1 union all select i+1 from n "
                               "where i<300000) select c.* from cat c, (select count(*) as k "
                               "from n) w where w.k>0"
                             : "select c.* from cat c, (select pg_sleep(0.3)) w";
    const QString c = db.Def()->Dialect().ConcatOperator();
    t->SqlTable = {"select id, pid, name, leaf, id" + c + "' '" + c + "name as tname from (" +
                   slow + ") s"};
    t->SyncDataLoad = false;
    t->SetActive(true);
    ASSERT_EQ(t->RunningThreads(), 1);
    delete ownView;
    EXPECT_EQ(t->RunningThreads(), 0);
    delete t;
    QTest::qWait(800); // the thread ends and frees itself meanwhile
    SUCCEED();
}
