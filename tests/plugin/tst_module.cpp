// Loads the real plug-in module as the host does and unloads it again.
#include "fixtures/TestSupport.h"
#include "plugin/untPlugInEntry.h"

#include <QPointer>
#include <dlfcn.h>
#include <gtest/gtest.h>

TEST(PlugInModule, ExportsOnlyTheEntryAndLeavesHostObjectsOnUnload)
{
    void* lib = dlopen(PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto show = reinterpret_cast<ShowPlugInWindowProc>(dlsym(lib, "ShowPlugInWindow"));
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(dlsym(lib, "ShowPlugInWindowImpl"), nullptr);
    EXPECT_EQ(dlsym(lib, "_Z20ShowPlugInWindowImplPKcP14TPlugInHostRec"), nullptr);

    auto* hostApp = new TApplication;
    auto* hostScreen = new TScreen;
    QPointer<TApplication> appGuard(hostApp);
    QPointer<TScreen> screenGuard(hostScreen);
    hostApp->SetTitle("host");
    TPlugInStatus status{7, "a", "b", "c"};
    TPlugInHostRec host{nullptr, &status, nullptr, hostApp, hostScreen};
    {
        // The module reports through the adopted host application.
        MessageRecorder recorder(hostApp);
        EXPECT_EQ(show("TbfrmUnknown", &host), 0);
        EXPECT_EQ(recorder.Texts(),
                  QStringList{QStringLiteral("类TbfrmUnknown没有进行注册或不存在！")});
        EXPECT_EQ(recorder.Messages().value(0).Caption, QStringLiteral("host"));
    }
    EXPECT_STREQ(status.Text1, "");
    EXPECT_STREQ(status.Text3, "");

    EXPECT_EQ(dlclose(lib), 0);
    // The module is really gone, and it freed only its own objects.
    EXPECT_EQ(dlopen(PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);
    EXPECT_TRUE(appGuard);
    EXPECT_TRUE(screenGuard);
    EXPECT_EQ(hostApp->Title(), QStringLiteral("host"));
    delete hostApp;
    delete hostScreen;
}
