#include "platform/untApplication.h"

#include "platform/untException.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMdiArea>
#include <QScreen>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

TApplication::TApplication(QObject* parent)
    : QObject(parent), m_title(QStringLiteral("Vesperwald 7.1"))
{
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                [this] { m_terminated = true; });
}

QString TApplication::ExeName() const
{
    return QCoreApplication::applicationFilePath();
}

void TApplication::HandleException(QObject* sender, const std::exception& e)
{
    Q_UNUSED(sender);
    MessageBox({QString::fromUtf8(e.what()), m_title, MsgIcon::Error, MsgButtons::Ok});
}

int TApplication::MessageBox(const MessageRecord& message)
{
    if (m_responder)
        return m_responder(message);
    // Over the modal dialog that asks, if any: parented to the main window, the message went
    // above it and the dialog behind the one that opened it, as if it had closed.
    QWidget* modal = QApplication::activeModalWidget();
    return ExecMessageBox(modal ? modal : m_mainForm.data(), message);
}

int TApplication::OpenMessageBoxes() const
{
    return ::OpenMessageBoxes();
}

bool TApplication::EndMessageBox(int depth, int answer)
{
    return ::EndMessageBox(depth, answer);
}

int TApplication::ExecModal(QDialog* dialog)
{
    if (m_modalDriver)
        return m_modalDriver(dialog);
    return dialog->exec();
}

TScreen::TScreen(QObject* parent) : QObject(parent) {}

int TScreen::Width() const
{
    if (m_width >= 0)
        return m_width;
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int TScreen::Height() const
{
    if (m_height >= 0)
        return m_height;
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

void TScreen::SetSize(int width, int height)
{
    m_width = width;
    m_height = height;
}

int ShownMessages()
{
    return Application ? Application->OpenMessageBoxes() : OpenMessageBoxes();
}

bool EndShownMessage(int depth, int answer)
{
    return Application ? Application->EndMessageBox(depth, answer) : EndMessageBox(depth, answer);
}

int ShowMessage(const QString& text, const QString& caption, MsgIcon icon, MsgButtons buttons)
{
    const MessageRecord message{text, caption, icon, buttons};
    if (Application)
        return Application->MessageBox(message);
    return ExecMessageBox(nullptr, message);
}

void Guarded(QObject* sender, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        if (Application)
            Application->HandleException(sender, e);
        else
            ExecMessageBox(
                nullptr, {QString::fromUtf8(e.what()), QString(), MsgIcon::Error, MsgButtons::Ok});
    } catch (...) {
        const Exception unknown(QStringLiteral("发生了未知错误。"));
        if (Application)
            Application->HandleException(sender, unknown);
    }
}
