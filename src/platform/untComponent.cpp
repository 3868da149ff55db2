#include "platform/untComponent.h"

#include <QObject>
#include <QVariant>

namespace
{
constexpr char kDestroying[] = "_vwDestroying";
}

void SetComponentDestroying(QObject* component)
{
    component->setProperty(kDestroying, true);
}

bool IsComponentDestroying(const QObject* component)
{
    return component->property(kDestroying).toBool();
}

#include "platform/untApplication.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

QWidget* OwnerWidget(QObject* owner)
{
    if (!owner)
        return nullptr;
    if (owner->isWidgetType())
        return static_cast<QWidget*>(owner);
    // The host's application object is a copy of this class in another module:
    // compare by name, not by meta-object identity.
    if (owner->inherits("TApplication"))
        return static_cast<TApplication*>(owner)->MainForm();
    return nullptr;
}

void ShowForm(QWidget* form)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget())) {
        form->show();
        if (sub->isMinimized())
            sub->showNormal(); // asked for again: restored and brought forward
        else
            sub->show();
        sub->raise();
        if (QMdiArea* area = sub->mdiArea())
            area->setActiveSubWindow(sub);
        return;
    }
    form->show();
    form->raise();
    form->activateWindow();
}
