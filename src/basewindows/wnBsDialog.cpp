#include "basewindows/wnBsDialog.h"

#include "platform/untFocusRing.h"
#include "platform/untMessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>

TfrmBsDialog::TfrmBsDialog(QObject* owner) : TfrmBase(owner)
{
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    ShowFocusRing(this);
}

void TfrmBsDialog::FormCreate()
{
    TfrmBase::FormCreate();
    m_enterAsTab = true;
}

void TfrmBsDialog::showEvent(QShowEvent* e)
{
    TfrmBase::showEvent(e);
    qApp->installEventFilter(this);
}

void TfrmBsDialog::hideEvent(QHideEvent* e)
{
    qApp->removeEventFilter(this);
    TfrmBase::hideEvent(e);
}

bool TfrmBsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        (watched == this || isAncestorOf(static_cast<QWidget*>(watched)))) {
        if (FormKeyDown(static_cast<QKeyEvent*>(event)))
            return true;
    }
    return TfrmBase::eventFilter(watched, event);
}

void TfrmBsDialog::keyPressEvent(QKeyEvent* e)
{
    if (!FormKeyDown(e))
        TfrmBase::keyPressEvent(e);
}

bool TfrmBsDialog::FormKeyDown(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        done(mrCancel); // whatever the shift state
        return true;
    }
    // Ctrl+Enter is a key of its own (a control may pick a value with it), not Enter.
    const bool plain = !(e->modifiers() & Qt::ControlModifier);
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && plain && m_enterAsTab) {
        // Enter on a focused button is its click, as the window system has it.
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget())) {
            button->click();
            return true;
        }
        focusNextChild();
        return true;
    }
    return false;
}
