#include "platform/untMessageBox.h"

#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QPointer>

namespace
{
int g_beeps = 0;
QList<QPointer<QMessageBox>> g_open; // the boxes being run, the first opened first

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

int ToQtButton(int answer)
{
    switch (answer) {
    case mrOk:
        return QMessageBox::Ok;
    case mrYes:
        return QMessageBox::Yes;
    case mrNo:
        return QMessageBox::No;
    case mrRetry:
        return QMessageBox::Retry;
    default:
        return QMessageBox::Cancel;
    }
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
    g_open.append(&box);
    const int answer = box.exec();
    g_open.removeAll(&box);
    return FromQtButton(answer);
}

int OpenMessageBoxes()
{
    return int(g_open.size());
}

bool EndMessageBox(int depth, int answer)
{
    if (depth < 0 || depth >= g_open.size() || !g_open[depth])
        return false;
    g_open[depth]->done(ToQtButton(answer));
    return true;
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
