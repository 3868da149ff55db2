#include "basewindows/wnBase.h"

#include "platform/untApplication.h"
#include "platform/untComponent.h"

#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QPalette>

TfrmBase::TfrmBase(QObject* owner) : QDialog(OwnerWidget(owner)), Position(poDesktopCenter)
{
    setObjectName(QString::fromLatin1(metaObject()->className()).mid(1));
    QFont f;
    f.setFamilies(
        {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
    f.setPointSize(9);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Button));
    p.setColor(QPalette::WindowText, p.color(QPalette::WindowText));
    setPalette(p);
    resize(543, 390);
    move(192, 0);
}

TfrmBase::~TfrmBase()
{
    SetComponentDestroying(this);
    FormDestroy();
}

void TfrmBase::AfterConstruction()
{
    if (m_created)
        return;
    m_created = true;
    FormCreate();
}

void TfrmBase::FormCreate()
{
    ShowModalFlag = new quint8(1);
}

void TfrmBase::FormDestroy()
{
    delete ShowModalFlag;
    ShowModalFlag = nullptr;
}

QWidget* TfrmBase::FrameWidget()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub;
    return this;
}

void TfrmBase::FormShow()
{
    if (!Screen)
        return;
    // Integer division rounds toward zero, so a window larger than the screen gets a
    // negative offset of half the excess.
    QWidget* w = FrameWidget();
    const int top = (Screen->Height() - w->height()) / 2;
    const int left = (Screen->Width() - w->width()) / 2;
    w->move(w->x(), top);
    w->move(left, top);
}

void TfrmBase::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

void TfrmBase::closeEvent(QCloseEvent* e)
{
    QDialog::closeEvent(e);
    if (e->isAccepted() && testAttribute(Qt::WA_DeleteOnClose))
        SetComponentDestroying(this);
}
