#include "basewindows/wnBsCld.h"

#include "platform/untApplication.h"

#include <QCloseEvent>
#include <QFrame>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

TfrmBsCld::TfrmBsCld(QObject* owner)
    : TfrmBase(owner), mitemOption(new QMenu(QStringLiteral("辅助功能(&S)"), this)),
      mitemDataVind(new QMenu(QStringLiteral("数据操作(&P)"), this)), ctblChild(new QFrame(this)),
      tblChildMain(new QToolBar(ctblChild)), m_ownMenuBar(new QMenuBar(this)),
      m_client(new QWidget(this))
{
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
    *ShowModalFlag = 0;
    QMdiArea* area = Application ? Application->MdiArea() : nullptr;
    if (!area)
        return;
    QMdiSubWindow* sub = area->addSubWindow(this);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(windowIcon());
    if (m_maximised)
        sub->setWindowState(Qt::WindowMaximized);
    // The host's menu bar carries this window's menus while it is the active child.
    m_ownMenuBar->hide();
    connect(area, &QMdiArea::subWindowActivated, this,
            [this, sub](QMdiSubWindow* active) { MergeMenus(active == sub); });
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

void TfrmBsCld::closeEvent(QCloseEvent* e)
{
    FormClose();
    MergeMenus(false);
    TfrmBase::closeEvent(e);
    if (e->isAccepted())
        if (QMdiSubWindow* sub = SubWindow())
            sub->close();
}
