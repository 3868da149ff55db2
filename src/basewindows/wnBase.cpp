#include "basewindows/wnBase.h"

#include "basewindows/wnWorkProgress.h"

#include "platform/untApplication.h"
#include "platform/untComponent.h"

#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QPalette>

TfrmBase::TfrmBase(QObject* owner) : QDialog(OwnerWidget(owner)), m_position(poDesktopCenter)
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
    m_showModalFlag = new quint8(1);
}

void TfrmBase::FormDestroy()
{
    delete m_showModalFlag;
    m_showModalFlag = nullptr;
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

TWindowWork* TfrmBase::Work()
{
    if (!m_work)
        m_work = new TWindowWork(this, [this](bool busy) { BlockForWork(busy); });
    return m_work;
}

bool TfrmBase::WorkRunning() const
{
    return m_work && m_work->Busy();
}

void TfrmBase::done(int result)
{
    if (m_work && m_work->AskToClose() != TWindowWork::CloseAnswer::CloseNow)
        return; // it closes itself when the work has ended
    QDialog::done(result);
}

void TfrmBase::BlockForWork(bool busy)
{
    if (!busy) {
        for (const QPointer<QWidget>& w : std::as_const(m_blocked))
            if (w)
                w->setEnabled(true);
        m_blocked.clear();
        return;
    }
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isWindow() || !w->isEnabled())
            continue;
        w->setEnabled(false);
        m_blocked << w;
    }
}

bool TfrmBase::HoldCloseForWork(QCloseEvent* e)
{
    if (!m_work || m_work->AskToClose() == TWindowWork::CloseAnswer::CloseNow)
        return false;
    e->ignore();
    return true;
}

void TfrmBase::closeEvent(QCloseEvent* e)
{
    if (HoldCloseForWork(e))
        return;
    QDialog::closeEvent(e);
    if (e->isAccepted() && testAttribute(Qt::WA_DeleteOnClose))
        SetComponentDestroying(this);
}
