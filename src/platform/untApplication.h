#pragma once
// The application and screen objects, the message and modal-run seams, the handler guard.

#include "platform/untMessageBox.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <exception>
#include <functional>

#include <QMdiArea>
#include <QWidget>

class QDialog;

// Drives a dialog that would be shown modally and returns its modal result (tests only).
using ModalDriver = std::function<int(QDialog*)>;

// The application object: owner of windows, message boxes, modal runs and the standard
// exception handler. The plug-in adopts the host's instance; every call that may
// reach the host goes through a virtual so that the host's own code runs.
class TApplication : public QObject
{
    Q_OBJECT
public:
    explicit TApplication(QObject* parent = nullptr);

    QWidget* MainForm() const { return m_mainForm; }
    void SetMainForm(QWidget* form) { m_mainForm = form; }
    QMdiArea* MdiArea() const { return m_mdiArea; }
    void SetMdiArea(QMdiArea* area) { m_mdiArea = area; }
    QString Title() const { return m_title; }
    void SetTitle(const QString& title) { m_title = title; }
    QString ExeName() const;
    bool Terminated() const { return m_terminated; }

    // Shows the exception's message in an error box.
    virtual void HandleException(QObject* sender, const std::exception& e);
    virtual int MessageBox(const MessageRecord& message);
    virtual int ExecModal(QDialog* dialog);
    // The real message boxes open (one over another), and ending the one at `depth` as if
    // answered: MessageBox's boxes are the host's.
    virtual int OpenMessageBoxes() const;
    virtual bool EndMessageBox(int depth, int answer);

    // Test seams: answer message boxes and drive modal dialogs without a modal loop.
    void SetMessageResponder(MessageResponder responder) { m_responder = std::move(responder); }
    void SetModalDriver(ModalDriver driver) { m_modalDriver = std::move(driver); }

private:
    QPointer<QWidget> m_mainForm;
    QPointer<QMdiArea> m_mdiArea;
    QString m_title;
    bool m_terminated = false;
    MessageResponder m_responder;
    ModalDriver m_modalDriver;
};

// The screen object: the size windows are centred on.
class TScreen : public QObject
{
    Q_OBJECT
public:
    explicit TScreen(QObject* parent = nullptr);
    int Width() const;
    int Height() const;
    // A fixed size instead of the primary screen's (tests, odd hosts).
    void SetSize(int width, int height);

private:
    int m_width = -1;
    int m_height = -1;
};

// The library's current application and screen objects (its own, or the host's once adopted).
extern TApplication* Application;
extern TScreen* Screen;

// Every message of the system goes through here (and so through the current application).
int ShowMessage(const QString& text, const QString& caption, MsgIcon icon,
                MsgButtons buttons = MsgButtons::Ok);
// How many of ShowMessage's boxes are open; ending the one at `depth` as if answered once what
// it asks has been settled otherwise (false when there is none).
int ShownMessages();
bool EndShownMessage(int depth, int answer);

// Runs an event handler; an error it raises goes to the application's exception handler
// instead of the event loop (which cannot take it).
void Guarded(QObject* sender, const std::function<void()>& handler);
