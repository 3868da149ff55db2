#include "fixtures/TestSupport.h"
#include "TestWindows.h"
#include "plugin/untClassRegist.h"
#include "plugin/untPlugInEntry.h"
#include "plugin/untShareResRefManager.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace
{
class CountingNotifier : public IPlugInNotifier
{
public:
    long QueryInterface(const QUuid&, void**) override { return E_NOINTERFACE_RESULT; }
    int AddRef() override { return 1; }
    int Release() override { return 1; }
    void PlugInReleased(qint32 tag) override { tags.append(tag); }
    QList<qint32> tags;
};

class EntryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterPlugInClass(&TTestForm::staticMetaObject);
        RegisterPlugInClass(&TTestModalForm::staticMetaObject);
        PlugInInitialize();
        savedApp = Application;
        savedScreen = Screen;
        status = {4711, "old 1", "old 2", "old 3"};
        host = {nullptr, &status, &notifier, &hostApp, &hostScreen};
    }
    void TearDown() override
    {
        FlushDeletes();
        Application = savedApp;
        Screen = savedScreen;
    }
    QObject* Show(const char* name)
    {
        EXPECT_EQ(ShowPlugInWindowImpl(name, &host), 0);
        return ResRefManager()->FindObj(QString::fromLatin1(name));
    }

    TApplication* savedApp = nullptr;
    TScreen* savedScreen = nullptr;
    TApplication hostApp;
    TScreen hostScreen;
    CountingNotifier notifier;
    TPlugInStatus status{};
    TPlugInHostRec host{};
};
} // namespace

TEST_F(EntryTest, SameWindowTwiceIsOneWindowAndAfterCloseANewOne)
{
    QPointer<QObject> first = Show("TTestForm");
    ASSERT_TRUE(first);
    EXPECT_EQ(Application, &hostApp);
    EXPECT_EQ(Screen, &hostScreen);
    EXPECT_TRUE(static_cast<QWidget*>(first.data())->isVisible());
    EXPECT_EQ(Show("TTestForm"), first.data());
    EXPECT_EQ(ResRefManager()->Count(), 1);

    static_cast<QWidget*>(first.data())->close();
    FlushDeletes();
    EXPECT_FALSE(first);
    EXPECT_EQ(notifier.tags, QList<qint32>{4711});

    QPointer<QObject> second = Show("TTestForm");
    ASSERT_TRUE(second);
    static_cast<QWidget*>(second.data())->close();
    FlushDeletes();
    EXPECT_EQ(notifier.tags, (QList<qint32>{4711, 4711}));
}

TEST_F(EntryTest, ReleasedOnceForTheLastOfSeveralWindows)
{
    hostApp.SetModalDriver([](QDialog*) { return int(mrOk); });
    QPointer<QObject> a = Show("TTestForm");
    QPointer<QObject> b = Show("TTestModalForm"); // flag 1: shown through a modal run
    ASSERT_TRUE(a && b);
    delete a;
    EXPECT_TRUE(notifier.tags.isEmpty());
    delete b;
    EXPECT_EQ(notifier.tags.size(), 1);
}

TEST_F(EntryTest, ModalFlagRunsTheWindowModally)
{
    int modalRuns = 0;
    hostApp.SetModalDriver([&](QDialog* d) {
        ++modalRuns;
        EXPECT_STREQ(d->metaObject()->className(), "TTestModalForm");
        return int(mrCancel);
    });
    QPointer<QObject> w = Show("TTestModalForm");
    EXPECT_EQ(modalRuns, 1);
    ASSERT_TRUE(w); // the modal result is ignored; the window stays registered
    Show("TTestModalForm");
    EXPECT_EQ(modalRuns, 1); // found again: shown without a modal run
    delete w;
}

TEST_F(EntryTest, StatusTextsAreResetAtEveryCall)
{
    QPointer<QObject> w = Show("TTestForm");
    for (const char* t : {status.Text1, status.Text2, status.Text3}) {
        EXPECT_EQ(t, PlugInEmptyText());
        EXPECT_STREQ(t, "");
    }
    status.Text2 = "changed by the host";
    Show("TTestForm");
    EXPECT_STREQ(status.Text2, "");
    delete w;
}

TEST_F(EntryTest, UnknownNameIsReportedThroughTheHostApplication)
{
    MessageRecorder recorder(&hostApp);
    EXPECT_EQ(ShowPlugInWindowImpl("TbfrmNowhere", &host), 0);
    EXPECT_EQ(recorder.Texts(),
              QStringList{QStringLiteral("类TbfrmNowhere没有进行注册或不存在！")});
    EXPECT_EQ(ResRefManager()->Count(), 0);
    EXPECT_TRUE(notifier.tags.isEmpty());
}

TEST_F(EntryTest, NullNotifierIsNeverCalled)
{
    host.HostNotifier = nullptr;
    QPointer<QObject> w = Show("TTestForm");
    delete w;
    EXPECT_EQ(ResRefManager()->RefCount(), 0);
    EXPECT_TRUE(notifier.tags.isEmpty());
}
