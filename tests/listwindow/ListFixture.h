#pragma once

#include "fixtures/TestDatabase.h"
#include "fixtures/TestSupport.h"
#include "plugin/untPlugInEntry.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QMdiArea;
class TbfrmQuindle;

// A host stand-in (main window, MDI area, notifier) and a small database with known units and
// indicators; the list window is opened through the plug-in entry as the host opens it.
class ListFixture : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override;
    void TearDown() override;

    TbfrmQuindle* Open();
    void CloseWindow(TbfrmQuindle* w);
    // The list statements run since the last call.
    QStringList TakeListQueries();
    // A user's choice in a drop-down list.
    static void Choose(class QComboBox* combo, int index);
    QStringList Column(TbfrmQuindle* w, const char* name) const;

    struct Notifier : IPlugInNotifier {
        long QueryInterface(const QUuid&, void**) override { return E_NOINTERFACE_RESULT; }
        int AddRef() override { return 1; }
        int Release() override { return 1; }
        void PlugInReleased(qint32 tag) override { tags << tag; }
        QList<qint32> tags;
    };

    TestDatabase db{GetParam()};
    QMainWindow main;
    QMdiArea* area = nullptr;
    TApplication hostApp;
    TScreen hostScreen;
    Notifier notifier;
    TPlugInStatus status{5, nullptr, nullptr, nullptr};
    TPlugInHostRec host{};
    std::unique_ptr<MessageRecorder> messages;
    QStringList queries;

private:
    TApplication* m_savedApp = nullptr;
    TScreen* m_savedScreen = nullptr;
};
