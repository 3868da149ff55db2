#pragma once
// The dialog with OK and Close buttons.

#include "basewindows/wnBsDialog.h"

class QPushButton;

// The dialog with "确定" and "关闭"; descendants move the buttons and handle btnOK.
class TfrmBsNormalDialog : public TfrmBsDialog
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrmBsNormalDialog(QObject* owner);
    QPushButton* btnOK;
    QPushButton* btnClose;

protected:
    void FormCreate() override;
};
