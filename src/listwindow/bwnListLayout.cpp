#include "listwindow/bwnListLayout.h"

#include "basewindows/wnBsTrvTC.h"
#include "context/untWorkContext.h"

#include <QAction>
#include <QFrame>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QSplitter>
#include <QToolButton>

namespace
{
QString LayoutKey(const char* item)
{
    return QStringLiteral("ListWindow/%1/%2").arg(CurrentUserCode(), QLatin1String(item));
}
} // namespace

TListLayout::TListLayout(TfrmBsTrvTC* window, const TListControls& ui) : m_window(window), m_ui(ui)
{
}

void TListLayout::Restore()
{
    const QSettings settings;
    const QSize size = settings.value(LayoutKey("size")).toSize();
    if (QMdiSubWindow* sub = m_window->SubWindow(); sub && size.isValid())
        sub->resize(size);
    // Only a division that leaves the list its room: a tree pane of nearly all the width (an
    // edited or damaged setting) would leave a window with nothing to see, and be saved again.
    const QList<QVariant> panes = settings.value(LayoutKey("splitter")).toList();
    const int tree = panes.value(0).toInt(), list = panes.value(1).toInt();
    if (panes.size() == 2 && tree > 0 && list > 0 && tree <= 4 * qint64(list))
        m_window->Panes().Splitter1->setSizes({tree, list});
}

void TListLayout::RestoreMaximised()
{
    if (QSettings().value(LayoutKey("maximized")).toBool())
        if (QMdiSubWindow* sub = m_window->SubWindow())
            sub->showMaximized();
}

void TListLayout::Save()
{
    QSettings settings;
    if (QMdiSubWindow* sub = m_window->SubWindow()) {
        // A window shown over a maximised list (the import it hands over to) takes the maximised
        // place and leaves the list restored behind it: the workspace is still maximised.
        const QMdiArea* area = sub->mdiArea();
        const QMdiSubWindow* active = area ? area->activeSubWindow() : nullptr;
        const bool overMaximised = active && active != sub && active->isMaximized();
        settings.setValue(LayoutKey("maximized"), sub->isMaximized() || overMaximised);
        if (!sub->isMaximized() && !sub->isMinimized())
            settings.setValue(LayoutKey("size"), sub->size());
    }
    const QList<int> panes = m_window->Panes().Splitter1->sizes();
    if (panes.size() == 2 && !m_window->Panes().pnlLeft->isHidden())
        settings.setValue(LayoutKey("splitter"), QList<QVariant>{panes[0], panes[1]});
}

void TListLayout::ToggleTree()
{
    QFrame* pane = m_window->Panes().pnlLeft;
    pane->setVisible(pane->isHidden());
    m_ui.mnuShowUT->setChecked(!pane->isHidden());
}

void TListLayout::HideTree()
{
    m_window->Panes().pnlLeft->hide();
    m_ui.mnuShowUT->setChecked(false);
}

void TListLayout::SplitterMoved(int pos)
{
    m_ui.sbtnHindUT->move(pos - 27, m_ui.sbtnHindUT->y());
}
