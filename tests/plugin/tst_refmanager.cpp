#include "fixtures/TestSupport.h"
#include "TestWindows.h"
#include "plugin/untClassRegist.h"
#include "plugin/untShareResRefManager.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace
{
struct Calls {
    int allReleased = 0, beforeCreate = 0, afterCreate = 0, foundExisting = 0;
    bool veto = false;
};
Calls g_calls;

class RefManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterPlugInClass(&TTestForm::staticMetaObject);
        g_calls = {};
        manager.OnAllReleased = [](TResRefManager*) { ++g_calls.allReleased; };
        manager.OnBeforeCreate = [](TResRefManager*, const QString&, bool& allow) {
            ++g_calls.beforeCreate;
            allow = !g_calls.veto;
        };
        manager.OnAfterCreate = [](TResRefManager*, QObject*) { ++g_calls.afterCreate; };
        manager.OnFoundExisting = [](TResRefManager*, QObject*) { ++g_calls.foundExisting; };
    }
    TResRefManager manager;
};
} // namespace

TEST_F(RefManagerTest, GetObjCreatesOnceAndFindsLiveWindowWithoutRegardToCase)
{
    QPointer<QObject> w = manager.GetObj("TTestForm", true);
    ASSERT_TRUE(w);
    EXPECT_EQ(g_calls.afterCreate, 1);
    EXPECT_EQ(manager.RefCount(), 1);

    EXPECT_EQ(manager.GetObj("ttestform", false), w.data());
    EXPECT_EQ(g_calls.foundExisting, 0); // show false: no callback
    EXPECT_EQ(manager.GetObj("TTESTFORM", true), w.data());
    EXPECT_EQ(g_calls.foundExisting, 1);
    EXPECT_EQ(manager.Count(), 1);
    delete w;
}

TEST_F(RefManagerTest, DestroyingDropsEntryAndLastOneReleasesOnce)
{
    QPointer<QObject> a = manager.GetObj("TTestForm", true);
    manager.RegisterObj(new TTestForm(nullptr)); // a second entry under the same name
    EXPECT_EQ(manager.RefCount(), 2);
    delete a;
    EXPECT_EQ(manager.Count(), 1);
    EXPECT_EQ(manager.RefCount(), 1);
    EXPECT_EQ(g_calls.allReleased, 0);
    delete manager.FindObj("TTestForm");
    EXPECT_EQ(manager.Count(), 0);
    EXPECT_EQ(manager.RefCount(), 0);
    EXPECT_EQ(g_calls.allReleased, 1);
}

TEST_F(RefManagerTest, WindowBeingDestroyedCountsAsNotFound)
{
    QPointer<TTestForm> first = static_cast<TTestForm*>(manager.GetObj("TTestForm", true));
    first->close(); // deletion pending
    QPointer<QObject> second = manager.GetObj("TTestForm", true);
    ASSERT_TRUE(second);
    EXPECT_NE(second.data(), first.data());
    FlushDeletes();
    EXPECT_FALSE(first);
    // The old window's destruction removed its own entry, not the new window's.
    EXPECT_EQ(manager.FindObj("TTestForm"), second.data());
    EXPECT_EQ(manager.RefCount(), 1);
    delete second;
}

TEST_F(RefManagerTest, UnknownNamesVetoAndUnregisterChangeNothing)
{
    MessageRecorder recorder;
    EXPECT_EQ(manager.GetObj("TNoSuchWindow", true), nullptr);
    ASSERT_EQ(recorder.Messages().size(), 1);
    EXPECT_EQ(recorder.Messages()[0].Text, QStringLiteral("类TNoSuchWindow没有进行注册或不存在！"));
    EXPECT_EQ(recorder.Messages()[0].Icon, MsgIcon::Error);

    g_calls.veto = true;
    EXPECT_EQ(manager.GetObj("TTestForm", true), nullptr);
    EXPECT_EQ(g_calls.beforeCreate, 1);
    EXPECT_EQ(manager.Count(), 0);
    EXPECT_EQ(manager.RefCount(), 0);

    manager.UnregisterObj("TNoSuchWindow");
    EXPECT_EQ(manager.RefCount(), 0);
    EXPECT_EQ(g_calls.allReleased, 0);
    EXPECT_EQ(recorder.Messages().size(), 1);
}

TEST_F(RefManagerTest, UnregisterReleasesBeforeTheNameGoes)
{
    static int countSeenByCallback = -1;
    manager.OnAllReleased = [](TResRefManager* m) { countSeenByCallback = m->Count(); };
    QPointer<QObject> w = manager.GetObj("TTestForm", false);
    manager.UnregisterObj("TTestForm");
    EXPECT_EQ(countSeenByCallback, 1);
    EXPECT_EQ(manager.Count(), 0);
    delete w; // no longer registered: no second release
    EXPECT_EQ(manager.RefCount(), 0);
}

TEST_F(RefManagerTest, QueryInterface)
{
    void* p = nullptr;
    EXPECT_EQ(manager.QueryInterface(IResRefManager::Iid(), &p), S_OK_RESULT);
    EXPECT_EQ(p, static_cast<IResRefManager*>(&manager));
    EXPECT_EQ(manager.Release(), 0);
    EXPECT_EQ(manager.QueryInterface(QUuid::createUuid(), &p), E_NOINTERFACE_RESULT);
    EXPECT_EQ(p, nullptr);
}
