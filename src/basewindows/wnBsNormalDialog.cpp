#include "basewindows/wnBsNormalDialog.h"

#include "platform/untMessageBox.h"
#include "basewindows/wnIcons.h"

#include <QPushButton>

TfrmBsNormalDialog::TfrmBsNormalDialog(QObject* owner) : TfrmBsDialog(owner)
{
    btnOK = new QPushButton(QStringLiteral("确定(&E)"), this);
    btnClose = new QPushButton(QStringLiteral("关闭(&X)"), this);
    resize(377, height());
    move(155, y());
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(224, 160, 75, 25);
    btnOK->setIcon(IconOk());
    btnOK->setAutoDefault(false);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(224, 216, 75, 25);
    btnClose->setIcon(IconClose());
    btnClose->setAutoDefault(false);
    setTabOrder(btnOK, btnClose);
}

void TfrmBsNormalDialog::FormCreate()
{
    TfrmBsDialog::FormCreate();
    // Modal result cancel: the button closes a modal dialog with 2.
    connect(btnClose, &QPushButton::clicked, this, [this] { done(mrCancel); });
}
