#pragma once
// The modal dialog: Enter to the next control, Escape cancels.

#include "basewindows/wnBase.h"

// The modal dialog: Enter moves to the next control, Escape cancels (result 2); the focused
// control is ringed.
class TfrmBsDialog : public TfrmBase
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrmBsDialog(QObject* owner);
    // Enter moves to the next control (set when the dialog is made).
    bool EnterAsTab() const { return m_enterAsTab; }
    void SetEnterAsTab(bool on) { m_enterAsTab = on; }

protected:
    void FormCreate() override;
    // The window sees keys before its controls do.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    // True when the key was handled here.
    virtual bool FormKeyDown(QKeyEvent* e);

private:
    bool m_enterAsTab = false;
};
