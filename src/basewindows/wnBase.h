#pragma once
// The root window class: modal flag, look, centring.

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QtGlobal>
#include <memory>

class TWindowWork;

// The root of every window: modal flag, font and colours, centring on the screen object.
// Handlers run in the order of the platform's forms: FormCreate after the whole window was
// constructed (AfterConstruction), FormShow on every show, FormDestroy in the destructor.
class TfrmBase : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(int ShowModalFlag READ ModalFlagValue)
    Q_PROPERTY(int Position MEMBER m_position)
public:
    Q_INVOKABLE explicit TfrmBase(QObject* owner);
    ~TfrmBase() override;

    // Runs FormCreate once; the object factory calls it after construction.
    Q_INVOKABLE void AfterConstruction();

    // 1: shown modally; a child window of the workspace sets 0.
    int ModalFlagValue() const { return m_showModalFlag ? *m_showModalFlag : 0; }

    // The window's long work (made on first use): one job at a time beside the window.
    TWindowWork* Work();
    bool WorkRunning() const;
    // A dialog ended while its work runs (Escape, 关闭) asks whether to cancel the work; it
    // ends when the work has ended.
    void done(int result) override;

    // Creates a window of class T the way the object factory does.
    template <class T> static T* Create(QObject* owner)
    {
        auto* form = new T(owner);
        form->AfterConstruction();
        return form;
    }

protected:
    virtual void FormCreate();
    virtual void FormShow();
    virtual void FormDestroy();
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    // The widget that is moved when the window is centred (its MDI frame when it has one).
    QWidget* FrameWidget();
    // While work runs the window's controls wait: its child widgets are disabled (the
    // progress window excepted) and given back afterwards.
    virtual void BlockForWork(bool busy);
    // True when the close must wait for the window's work (the event is then ignored): the
    // operator declined to cancel it, or it was cancelled and the window closes when it ends.
    bool HoldCloseForWork(QCloseEvent* e);

    void SetModalFlag(quint8 flag)
    {
        if (m_showModalFlag)
            *m_showModalFlag = flag;
    }

private:
    quint8* m_showModalFlag = nullptr;
    int m_position; // where the window first stands (the factory sets poDesigned)
    bool m_created = false;
    TWindowWork* m_work = nullptr;
    QList<QPointer<QWidget>> m_blocked;
};
