#include "plugin/untPlugInEntry.h"

#include "platform/untApplication.h"
#include "platform/untComponent.h"
#include "platform/untException.h"
#include "plugin/untShareResRefManager.h"

#include <QDialog>
#include <QString>
#include <QVariant>
#include <QWidget>

namespace
{

struct PlugInState {
    TPlugInHostRec* HostRec = nullptr;
    TPlugInStatus* Status = nullptr;
    TApplication* OwnApplication = nullptr;
    TScreen* OwnScreen = nullptr;
    TResRefManager* Manager = nullptr;
};

PlugInState& State()
{
    static PlugInState state;
    return state;
}

const char kEmptyText[1] = {0};

void BeforeCreate(TResRefManager*, const QString&, bool&) {}

void AfterCreate(TResRefManager*, QObject* window)
{
    if (!window->isWidgetType())
        return;
    auto* form = static_cast<QWidget*>(window);
    const bool modal = window->property("ShowModalFlag").toInt() != 0;
    if (modal && qobject_cast<QDialog*>(form))
        Application->ExecModal(static_cast<QDialog*>(form));
    else
        ShowForm(form);
}

void FoundExisting(TResRefManager*, QObject* window)
{
    if (window->isWidgetType())
        ShowForm(static_cast<QWidget*>(window));
}

void AllReleased(TResRefManager*)
{
    const PlugInState& s = State();
    if (s.HostRec && s.HostRec->HostNotifier && s.HostRec->HostStatus)
        s.HostRec->HostNotifier->PlugInReleased(s.HostRec->HostStatus->HostTag);
}

} // namespace

int ShowPlugInWindowImpl(const char* name, TPlugInHostRec* host)
{
    PlugInState& s = State();
    int result = -1;
    if (!s.Manager)
        PlugInInitialize();
    try {
        s.HostRec = host;
        if (host->HostStatus) {
            host->HostStatus->Text1 = kEmptyText;
            host->HostStatus->Text2 = kEmptyText;
            host->HostStatus->Text3 = kEmptyText;
        }
        s.Status = host->HostStatus;
        if (host->HostApplication)
            Application = host->HostApplication;
        if (host->HostScreen)
            Screen = host->HostScreen;
        s.Manager->OnBeforeCreate = BeforeCreate;
        s.Manager->OnAfterCreate = AfterCreate;
        s.Manager->OnFoundExisting = FoundExisting;
        s.Manager->OnAllReleased = AllReleased;
        s.Manager->GetObj(QString::fromUtf8(name), true);
        result = 0;
    } catch (const std::exception& e) {
        if (Application)
            Application->HandleException(nullptr, e);
    } catch (...) {
        if (Application)
            Application->HandleException(nullptr, Exception(QStringLiteral("发生了未知错误。")));
    }
    return result;
}

void LibraryExitHandler(int reason)
{
    PlugInState& s = State();
    if (reason == 1) {
        if (!s.OwnApplication) {
            s.OwnApplication = new TApplication;
            s.OwnScreen = new TScreen;
        }
        Application = s.OwnApplication;
        Screen = s.OwnScreen;
    } else if (reason == 0) {
        Application = s.OwnApplication;
        Screen = s.OwnScreen;
    }
}

void PlugInInitialize()
{
    PlugInState& s = State();
    if (!s.Manager)
        s.Manager = new TResRefManager;
}

void PlugInFinalize()
{
    PlugInState& s = State();
    delete s.Manager;
    s.Manager = nullptr;
    s.HostRec = nullptr;
    s.Status = nullptr;
    // Only the library's own objects are freed here; the host's were never ours.
    if (Application == s.OwnApplication) {
        delete s.OwnApplication;
        delete s.OwnScreen;
        Application = nullptr;
        Screen = nullptr;
        s.OwnApplication = nullptr;
        s.OwnScreen = nullptr;
    }
}

TResRefManager* ResRefManager()
{
    return State().Manager;
}

const char* PlugInEmptyText()
{
    return kEmptyText;
}
