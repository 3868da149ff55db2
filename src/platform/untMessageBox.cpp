#include "platform/untMessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace
{
int g_beeps = 0;

QMessageBox::Icon ToQtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

int FromQtButton(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return mrOk;
    case QMessageBox::Cancel:
        return mrCancel;
    case QMessageBox::Yes:
        return mrYes;
    case QMessageBox::No:
        return mrNo;
    case QMessageBox::Retry:
        return mrRetry;
    default:
        return mrCancel;
    }
}
} // namespace

int ExecMessageBox(QWidget* parent, const MessageRecord& message)
{
    QMessageBox box(ToQtIcon(message.Icon), message.Caption, message.Text,
                    ToQtButtons(message.Buttons), parent);
    return FromQtButton(box.exec());
}

void Beep()
{
    ++g_beeps;
    QApplication::beep();
}

int BeepCount()
{
    return g_beeps;
}
