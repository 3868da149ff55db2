#pragma once
// The MDI child window that frees itself on close.

#include "basewindows/wnBase.h"

class QAction;
class QFrame;
class QMenu;
class QMenuBar;
class QMdiSubWindow;
class QToolBar;
class QVBoxLayout;

// The child window's menus (辅助功能, 数据操作) and its tool bar, which descendants fill.
struct TChildBars {
    QMenu* mitemOption = nullptr;
    QMenu* mitemDataVind = nullptr;
    QFrame* ctblChild = nullptr;
    QToolBar* tblChildMain = nullptr;
};

// The child window inside the host's MDI area: frees itself on close, shown without waiting,
// its menus merged into the host's menu bar while it is the active child.
class TfrmBsCld : public TfrmBase, protected TChildBars
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrmBsCld(QObject* owner);
    ~TfrmBsCld() override;

    const TChildBars& Bars() const { return *this; }
    // Descendants put their controls here, below the cool bar.
    QWidget* ClientArea() const { return m_client; }
    QMdiSubWindow* SubWindow() const;
    // The designed size, which the MDI frame takes as its first size.
    QSize sizeHint() const override;

    // An action that stays usable while the window's work runs (closing it asks about the
    // work).
    void KeepDuringWork(QAction* action) { m_keptDuringWork << action; }

    // Not a dialog: nothing ends it but closing, which closes its MDI frame too.
    void reject() override {}
    void done(int result) override;

protected:
    void FormCreate() override;
    // Centres a normal window in the host's workspace at its first show only.
    void FormShow() override;
    virtual void FormClose();
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    // The client area and every action but those kept wait; the tool bar and the frame stay.
    void BlockForWork(bool busy) override;
    bool m_maximised = true;

private:
    void MergeMenus(bool merge);
    QMenuBar* m_ownMenuBar;
    QWidget* m_client;
    bool m_merged = false;
    QList<QAction*> m_keptDuringWork;
    QList<QPointer<QAction>> m_blockedActions;
    bool m_clientBlocked = false;
    QPointer<QWidget> m_focusBeforeWork;
    bool m_placed = false;
    QSize m_designSize;
};
