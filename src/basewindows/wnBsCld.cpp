#include "basewindows/wnBsCld.h"

#include "platform/untApplication.h"
#include "platform/untComponent.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QFrame>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

TfrmBsCld::TfrmBsCld(QObject* owner) : TfrmBase(owner)
{
    // Made in this order: the tool bar comes before the client area in the focus chain.
    mitemOption = new QMenu(QStringLiteral("辅助功能(&S)"), this);
    mitemDataVind = new QMenu(QStringLiteral("数据操作(&P)"), this);
    ctblChild = new QFrame(this);
    tblChildMain = new QToolBar(ctblChild);
    m_ownMenuBar = new QMenuBar(this);
    m_client = new QWidget(this);
    setWindowFlags(Qt::Widget);
    setAttribute(Qt::WA_DeleteOnClose);
    mitemOption->setObjectName(QStringLiteral("mitemOption"));
    mitemDataVind->setObjectName(QStringLiteral("mitemDataVind"));
    ctblChild->setObjectName(QStringLiteral("ctblChild"));
    tblChildMain->setObjectName(QStringLiteral("tblChildMain"));
    tblChildMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tblChildMain->setMovable(false);
    tblChildMain->setMinimumHeight(35);

    auto* bandLayout = new QVBoxLayout(ctblChild);
    bandLayout->setContentsMargins(2, 2, 2, 2);
    bandLayout->addWidget(tblChildMain);
    ctblChild->setFrameShape(QFrame::StyledPanel);

    m_ownMenuBar->addMenu(mitemOption);
    m_ownMenuBar->addMenu(mitemDataVind);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_ownMenuBar);
    layout->addWidget(ctblChild);
    layout->addWidget(m_client, 1);
}

TfrmBsCld::~TfrmBsCld()
{
    MergeMenus(false);
    // Whatever ends this window ends its frame: no empty frame stays in the workspace.
    // (A frame that is itself being destroyed drops the posted deletion.)
    if (QMdiSubWindow* sub = SubWindow())
        sub->deleteLater();
}

void TfrmBsCld::done(int)
{
    close();
}

void TfrmBsCld::keyPressEvent(QKeyEvent* e)
{
    // Escape belongs to dialogs; the dialog base class would hide this window.
    if (e->key() == Qt::Key_Escape) {
        e->ignore();
        return;
    }
    // Ctrl+F4, and the platform's own close keys, close the child window with its frame.
    const bool ctrlF4 = e->key() == Qt::Key_F4 && e->modifiers() == Qt::ControlModifier;
    if (ctrlF4 || e->matches(QKeySequence::Close)) {
        close();
        return;
    }
    TfrmBase::keyPressEvent(e);
}

void TfrmBsCld::FormShow()
{
    QMdiSubWindow* sub = SubWindow();
    if (!sub) {
        TfrmBase::FormShow();
        return;
    }
    // A window shown is the one worked in (and its menus are on the host's menu bar), also
    // when another child was active as it opened.
    if (QMdiArea* area = sub->mdiArea(); area && area->activeSubWindow() != sub)
        area->setActiveSubWindow(sub);
    if (m_placed || sub->isMaximized() || sub->isMinimized())
        return;
    m_placed = true;
    QMdiArea* area = sub->mdiArea();
    if (!area)
        return;
    // Centred in the workspace and fully visible in it.
    const QSize space = area->viewport()->size();
    if (sub->width() > space.width() || sub->height() > space.height())
        sub->resize(std::min(sub->width(), space.width()), std::min(sub->height(), space.height()));
    sub->move(std::max(0, (space.width() - sub->width()) / 2),
              std::max(0, (space.height() - sub->height()) / 2));
}

QMdiSubWindow* TfrmBsCld::SubWindow() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

QSize TfrmBsCld::sizeHint() const
{
    return m_designSize.isValid() ? m_designSize : TfrmBase::sizeHint();
}

void TfrmBsCld::FormCreate()
{
    m_designSize = size();
    TfrmBase::FormCreate();
    SetModalFlag(0);
    QMdiArea* area = Application ? Application->MdiArea() : nullptr;
    if (!area)
        return;
    QMdiSubWindow* sub = area->addSubWindow(this);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(windowIcon());
    // The host's menu bar carries this window's menus while it is the active child (wired
    // first: maximising shows and activates the frame at once).
    m_ownMenuBar->hide();
    connect(area, &QMdiArea::subWindowActivated, this,
            [this, sub](QMdiSubWindow* active) { MergeMenus(active == sub); });
    if (m_maximised)
        sub->setWindowState(Qt::WindowMaximized);
}

void TfrmBsCld::MergeMenus(bool merge)
{
    auto* main = Application ? qobject_cast<QMainWindow*>(Application->MainForm()) : nullptr;
    if (!main || merge == m_merged)
        return;
    m_merged = merge;
    QMenuBar* bar = main->menuBar();
    for (QMenu* menu : {mitemOption, mitemDataVind}) {
        if (merge)
            bar->addAction(menu->menuAction());
        else
            bar->removeAction(menu->menuAction());
    }
}

void TfrmBsCld::FormClose()
{
    setAttribute(Qt::WA_DeleteOnClose); // close action: free
}

void TfrmBsCld::BlockForWork(bool busy)
{
    if (!busy) {
        for (const QPointer<QAction>& a : std::as_const(m_blockedActions))
            if (a)
                a->setEnabled(true);
        m_blockedActions.clear();
        if (m_clientBlocked)
            m_client->setEnabled(true);
        m_clientBlocked = false;
        // Back to the control worked in, unless the operator went elsewhere meanwhile.
        if (m_focusBeforeWork && window()->focusWidget() == this)
            m_focusBeforeWork->setFocus(Qt::OtherFocusReason);
        m_focusBeforeWork.clear();
        return;
    }
    // A disabled control hands the focus on along the workspace's chain, into another child
    // window, which then becomes the active one and comes forward when the work ends (or when
    // the host window is activated again, after a file dialog, say): the window keeps the
    // focus itself while it waits.
    if (QWidget* focus = window()->focusWidget(); focus && m_client->isAncestorOf(focus)) {
        m_focusBeforeWork = focus;
        setFocus(Qt::OtherFocusReason);
    }
    m_clientBlocked = m_client->isEnabled();
    m_client->setEnabled(false);
    QList<QAction*> actions = tblChildMain->actions();
    actions << mitemOption->actions() << mitemDataVind->actions();
    for (QAction* a : std::as_const(actions)) {
        if (!a->isEnabled() || a->isSeparator() || m_keptDuringWork.contains(a))
            continue;
        a->setEnabled(false);
        m_blockedActions << a;
    }
}

void TfrmBsCld::closeEvent(QCloseEvent* e)
{
    if (HoldCloseForWork(e))
        return; // the frame stays too
    FormClose();
    MergeMenus(false);
    // Closed as a window, not rejected as a dialog (the dialog base would only hide it).
    e->accept();
    SetComponentDestroying(this);
    if (QMdiSubWindow* sub = SubWindow())
        sub->close();
}
