#pragma once
// The dialog with OK and Close buttons.

#include "basewindows/wnBsDialog.h"

class QPushButton;

struct TDialogButtons {
    QPushButton* btnOK = nullptr;
    QPushButton* btnClose = nullptr;
};

// The dialog with "确定" and "关闭"; descendants move the buttons and handle btnOK.
class TfrmBsNormalDialog : public TfrmBsDialog, protected TDialogButtons
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrmBsNormalDialog(QObject* owner);
    const TDialogButtons& Buttons() const { return *this; }

protected:
    void FormCreate() override;
};
