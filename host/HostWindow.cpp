#include "host/HostWindow.h"

#include "host/HostConnection.h"
#include "host/HostContext.h"
#include "platform/untApplication.h"
#include "platform/untMessageBox.h"

#include <QAction>
#include <QCloseEvent>
#include <QPointer>
#include <QTimer>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPixmap>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>
#include <dlfcn.h>

namespace
{
HostWindow* g_current = nullptr;
} // namespace

HostWindow* HostWindow::Current()
{
    return g_current;
}

// Asked by a plug-in for a sibling module's window (the spreadsheet import): the module beside
// the host, loaded once, gets the same host records. Exported from the executable.
extern "C" Q_DECL_EXPORT void ShowAWindow(TMitmInfo* info)
{
    const QString lib = QString::fromUtf8(info && info->LibraryName ? info->LibraryName : "");
    const QString cls = QString::fromUtf8(info && info->ClassName ? info->ClassName : "");
    HostWindow* host = HostWindow::Current();
    const QString path = host ? host->ModuleLibraryPath(lib) : QString();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        ShowMessage(
            QStringLiteral("导入模块 %1（%2）未安装，无法打开电子表格导入窗口。").arg(lib, cls),
            CaptionInfo(), MsgIcon::Information);
        return;
    }
    QString error;
    if (!host->OpenModuleWindow(path, cls, &error))
        ShowMessage(error, CaptionInfo(), MsgIcon::Error);
}

void HostNotifier::PlugInReleased(qint32 tag)
{
    ++m_released;
    std::fprintf(stderr, "vesperwald: PlugInReleased(%d)\n", tag);
}

HostWindow::HostWindow(HostContext* context, const QString& pluginPath)
    : m_context(context), m_pluginPath(pluginPath), m_mdiArea(new QMdiArea(this))
{
    g_current = this;
    setWindowTitle(QStringLiteral("Vesperwald 7.1"));
    m_mdiArea->setViewMode(QMdiArea::SubWindowView);
    m_mdiArea->setBackground(QColor(0x5b, 0x7b, 0x9b));
    setCentralWidget(m_mdiArea);
    BuildMenus();
    m_statusText = new QLabel(this);
    statusBar()->addWidget(m_statusText);
    ShowContext();
}

HostWindow::~HostWindow()
{
    // The plug-in's windows go while the context they work on is still there.
    qDeleteAll(m_mdiArea->subWindowList());
    if (g_current == this)
        g_current = nullptr;
}

void HostWindow::ShowContext()
{
    if (m_context && m_context->Context()->CurrentUnit)
        m_statusText->setText(QStringLiteral("操作员：%1    单位：%2    年度：%3    数据库：%4")
                                  .arg(m_context->UserName(), m_context->UnitName())
                                  .arg(m_context->Context()->DataYear)
                                  .arg(m_context->DatabaseText()));
    else
        m_statusText->setText(QStringLiteral("未连接数据库"));
    m_openList->setEnabled(m_context != nullptr);
    m_openSummary->setEnabled(m_context != nullptr);
}

void HostWindow::CloseChildWindows(std::function<void(bool)> then)
{
    if (m_closingChildren)
        return; // the windows are being closed already
    QList<QPointer<QMdiSubWindow>> going, all;
    for (QMdiSubWindow* sub : m_mdiArea->subWindowList())
        all << sub;
    bool stays = false;
    // A window may ask about its work (a message box) while the others wait their turn.
    for (const QPointer<QMdiSubWindow>& sub : std::as_const(all)) {
        if (!sub)
            continue;
        QWidget* child = sub->widget();
        // A window that refuses now but cancels its work closes itself when it has ended.
        if ((child ? child : sub)->close() || (child && child->property("closePending").toBool()))
            going << sub;
        else
            stays = true;
    }
    if (stays || going.isEmpty()) {
        if (then)
            then(!stays);
        return;
    }
    // Closed windows are deleted later: the switch waits until each is gone.
    m_closingChildren = true;
    auto left = std::make_shared<int>(0);
    auto finish = [this, then, left] {
        if (--*left > 0)
            return;
        // After the event loop has seen the last one go (the workspace's list too).
        QTimer::singleShot(0, this, [this, then] {
            m_closingChildren = false;
            if (then)
                then(true);
        });
    };
    for (const QPointer<QMdiSubWindow>& sub : std::as_const(going))
        if (sub) {
            ++*left;
            connect(sub, &QObject::destroyed, this, finish);
        }
    if (*left == 0) {
        ++*left;
        finish();
    }
}

void HostWindow::AdoptContext(std::unique_ptr<HostContext> context, std::function<void(bool)> then)
{
    auto pending = std::make_shared<std::unique_ptr<HostContext>>(std::move(context));
    CloseChildWindows([this, pending, then](bool closed) {
        if (closed) {
            m_context = pending->get();
            m_ownedContext = std::move(*pending); // the old one goes after its windows
            ShowContext();
            // Told once the window is up: weaker guarantees than the shared file needs.
            if (const QString notice = m_context->TakeNotice(); !notice.isEmpty())
                QTimer::singleShot(
                    0, this, [notice] { ShowMessage(notice, CaptionInfo(), MsgIcon::Warning); });
        }
        if (then)
            then(closed);
    });
}

void HostWindow::Reconnect(const QString& initial, const QString& error)
{
    // Asked first: a cancel leaves everything as it was.
    auto context = AskForConnection(m_options, initial, error, this);
    if (!context)
        return;
    AdoptContext(std::move(context), [](bool adopted) {
        if (!adopted)
            ShowMessage(QStringLiteral("请先关闭打开的窗口，再连接其他数据库。"), CaptionInfo(),
                        MsgIcon::Information);
    });
}

void HostWindow::closeEvent(QCloseEvent* e)
{
    if (m_mdiArea->subWindowList().isEmpty()) {
        QMainWindow::closeEvent(e);
        return;
    }
    e->ignore(); // quit once the windows are gone
    CloseChildWindows([this](bool closed) {
        if (closed)
            close();
    });
}

void HostWindow::BuildMenus()
{
    QMenu* system = menuBar()->addMenu(QStringLiteral("系统(&F)"));
    QAction* connectTo = system->addAction(QStringLiteral("连接数据库(&C)…"), this, [this] {
        // This window's own database first: the last one remembered may be another
        // window's, and 连接 would switch to it unnoticed.
        Guarded(this, [this] {
            Reconnect(m_context ? m_context->Context()->DbManager->ConnectionString
                                : LastConnection());
        });
    });
    connectTo->setObjectName(QStringLiteral("mnuConnect"));
    system->addSeparator();
    system->addAction(QStringLiteral("退出(&X)"), this, &QWidget::close);

    QMenu* budget = menuBar()->addMenu(QStringLiteral("预算管理(&B)"));
    m_openList = budget->addAction(QStringLiteral("预算指标录入"), this, [this] {
        QString error;
        if (!OpenPlugInWindow(QStringLiteral("TbfrmQuindle"), &error))
            ShowMessage(error, CaptionInfo(), MsgIcon::Error);
    });
    m_openList->setObjectName(QStringLiteral("mnuOpenList"));
    m_openSummary = budget->addAction(QStringLiteral("汇总分析"), this, [this] {
        QString error;
        if (!OpenPlugInWindow(QStringLiteral("TbfrmSummary"), &error))
            ShowMessage(error, CaptionInfo(), MsgIcon::Error);
    });
    m_openSummary->setObjectName(QStringLiteral("mnuOpenSummary"));

    QMenu* windows = menuBar()->addMenu(QStringLiteral("窗口(&W)"));
    windows->setObjectName(QStringLiteral("mnuWindows"));
    connect(windows, &QMenu::aboutToShow, this, [this, windows] { FillWindowMenu(windows); });
    FillWindowMenu(windows);
}

// Cascade and tile, then the open windows by number, the active one checked: the keyboard
// reaches any of them (Alt+W, 1…9).
void HostWindow::FillWindowMenu(QMenu* menu)
{
    menu->clear();
    menu->addAction(QStringLiteral("层叠(&C)"), m_mdiArea, &QMdiArea::cascadeSubWindows);
    menu->addAction(QStringLiteral("平铺(&T)"), m_mdiArea, &QMdiArea::tileSubWindows);
    const QList<QMdiSubWindow*> open = m_mdiArea->subWindowList();
    if (!open.isEmpty())
        menu->addSeparator();
    for (int i = 0; i < open.size(); ++i) {
        QMdiSubWindow* sub = open[i];
        QString title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = menu->addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title)
                                           : QStringLiteral("%1 %2").arg(i + 1).arg(title));
        a->setCheckable(true);
        a->setChecked(sub == m_mdiArea->activeSubWindow());
        const QPointer<QMdiSubWindow> target(sub);
        connect(a, &QAction::triggered, this, [this, target] {
            if (target)
                m_mdiArea->setActiveSubWindow(target);
        });
    }
}

QString ModuleLibraryFile(const QString& requested)
{
    QString name = requested.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    if (name.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        name.chop(4);
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_]+$"));
    if (!plain.match(name).hasMatch())
        return QString();
    return QStringLiteral("lib") + name + QStringLiteral(".so");
}

QString HostWindow::ModuleLibraryPath(const QString& requested) const
{
    const QString file = ModuleLibraryFile(requested);
    if (file.isEmpty())
        return QString();
    // Modules lie together: beside the list plug-in (by default beside the host).
    return QFileInfo(m_pluginPath).dir().filePath(file);
}

ShowPlugInWindowProc HostWindow::LoadModule(const QString& path, QString* error)
{
    if (const auto loaded = m_modules.constFind(path); loaded != m_modules.cend())
        return *loaded;
    // NODELETE: widgets the plug-in created keep code inside it.
    void* lib = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!lib) {
        *error = QStringLiteral("无法加载插件 %1：%2").arg(path, QString::fromLocal8Bit(dlerror()));
        return nullptr;
    }
    auto show = reinterpret_cast<ShowPlugInWindowProc>(dlsym(lib, "ShowPlugInWindow"));
    if (!show) {
        *error = QStringLiteral("插件 %1 没有导出 ShowPlugInWindow。").arg(path);
        return nullptr;
    }
    m_modules.insert(path, show);
    return show;
}

bool HostWindow::OpenPlugInWindow(const QString& className, QString* error)
{
    return OpenModuleWindow(m_pluginPath, className, error);
}

bool HostWindow::OpenModuleWindow(const QString& libraryPath, const QString& className,
                                  QString* error)
{
    if (!m_context) {
        *error = QStringLiteral("没有可用的数据库连接。");
        return false;
    }
    const ShowPlugInWindowProc show = LoadModule(libraryPath, error);
    if (!show)
        return false;
    m_hostRec = {m_context->Context(), &m_status, &m_notifier, Application, Screen};
    show(className.toUtf8().constData(), &m_hostRec);
    return true;
}

bool HostWindow::TriggerChildAction(const QString& name)
{
    QMdiSubWindow* sub = m_mdiArea->activeSubWindow();
    if (!sub && !m_mdiArea->subWindowList().isEmpty())
        sub = m_mdiArea->subWindowList().first();
    QAction* action = sub && sub->widget() ? sub->widget()->findChild<QAction*>(name) : nullptr;
    if (!action || !action->isEnabled())
        return false;
    action->trigger();
    return true;
}

QPixmap HostWindow::GrabWithDialogs()
{
    QPixmap shot = grab();
    QPainter painter(&shot);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == this || !w->isVisible() || !qobject_cast<QDialog*>(w))
            continue;
        const QPoint at = w->geometry().topLeft() - geometry().topLeft();
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            // No window manager draws a title bar here (offscreen): a plain one stands in.
            const QRect bar(at.x(), at.y() - 24, w->width(), 24);
            painter.fillRect(bar, QColor(0x3a, 0x6e, 0xa5));
            painter.setPen(Qt::white);
            painter.drawText(bar.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             w->windowTitle());
        }
        painter.drawPixmap(at, w->grab());
    }
    return shot;
}
