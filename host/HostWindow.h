#pragma once
// The host's main window, its notifier and the plug-in loading.

#include "host/HostContext.h"
#include "plugin/untPlugInHost.h"

#include <QHash>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class QMdiArea;
class QAction;
class QLabel;
class QMenu;

// Tells the host when the plug-in holds no more windows.
class HostNotifier : public IPlugInNotifier
{
public:
    long QueryInterface(const QUuid&, void** obj) override
    {
        *obj = nullptr;
        return E_NOINTERFACE_RESULT;
    }
    int AddRef() override { return 1; }
    int Release() override { return 1; }
    void PlugInReleased(qint32 tag) override;
    // How many times a plug-in said its last window was released.
    int ReleasedCount() const { return m_released; }

private:
    int m_released = 0;
};

// The shared library file of a module asked for by its library name: "bMorrowell.dll" →
// "libbMorrowell.so" (any folder dropped); "" for a name that is no module's.
QString ModuleLibraryFile(const QString& requested);

// The host's main window: an MDI area and the menu that opens the plug-in's window.
class HostWindow : public QMainWindow
{
    Q_OBJECT
public:
    HostWindow(HostContext* context, const QString& pluginPath);
    ~HostWindow() override;

    QMdiArea* MdiArea() const { return m_mdiArea; }
    HostContext* Context() const { return m_context; }
    // The year, operator and unit asked for on the command line, kept for new connections.
    void SetOptions(const HostOptions& options) { m_options = options; }
    // Works on this context from now on, once the open windows are closed (at once when there
    // are none; a window cancelling its work is waited for). `then` is told whether it was
    // adopted: not when a window stays open (its context is dropped then).
    void AdoptContext(std::unique_ptr<HostContext> context,
                      std::function<void(bool adopted)> then = {});
    // 系统 → 连接数据库…: asks for a connection, then closes the windows and works on it.
    // `error` (why the last one failed) is shown in the dialog at once.
    void Reconnect(const QString& initial, const QString& error = QString());
    // Closes the plug-in's windows, then tells `then` whether they are all gone (false when one
    // stays open: its operator kept its work running). A window whose work is being cancelled
    // closes when the work has ended; it is waited for without holding the event loop.
    void CloseChildWindows(std::function<void(bool closed)> then);
    // Loads the plug-in on first use and asks it for the window; false with a message.
    bool OpenPlugInWindow(const QString& className, QString* error);
    // Where the module of that library name is: in the list plug-in's folder (beside the host
    // unless --plugin says otherwise); "" for a name that is no module's.
    QString ModuleLibraryPath(const QString& requested) const;
    // Loads the module (once) and asks it for the window; false with a message.
    bool OpenModuleWindow(const QString& libraryPath, const QString& className, QString* error);
    HostNotifier& Notifier() { return m_notifier; }
    // The window a plug-in's ShowAWindow request goes to (the last one made).
    static HostWindow* Current();
    // Runs the action of that name in the active child window; false when there is none.
    bool TriggerChildAction(const QString& name);
    // The main window with the dialogs open over it, as a person sees them.
    QPixmap GrabWithDialogs();

    static constexpr qint32 kHostTag = 71;

protected:
    // Quitting closes the windows first (asking about their work) and waits for them.
    void closeEvent(QCloseEvent* e) override;

private:
    ShowPlugInWindowProc LoadModule(const QString& path, QString* error);
    void BuildMenus();
    void FillWindowMenu(QMenu* menu);
    void ShowContext();

    HostContext* m_context;
    std::unique_ptr<HostContext> m_ownedContext;
    HostOptions m_options;
    QLabel* m_statusText = nullptr;
    QAction* m_openList = nullptr;
    QAction* m_openSummary = nullptr;
    QString m_pluginPath;
    QMdiArea* m_mdiArea;
    QHash<QString, ShowPlugInWindowProc> m_modules; // by library path
    HostNotifier m_notifier;
    TPlugInStatus m_status{kHostTag, nullptr, nullptr, nullptr};
    TPlugInHostRec m_hostRec{};
    bool m_closingChildren = false;
};
