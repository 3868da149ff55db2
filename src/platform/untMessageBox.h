#pragma once
// Message-box kinds, answers and captions, the real dialog, and the beep.

#include <QString>
#include <functional>

class QWidget;

enum class MsgIcon { None, Information, Question, Warning, Error };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };

// Modal results and message-box answers.
enum ModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7
};

struct MessageRecord {
    QString Text;
    QString Caption;
    MsgIcon Icon = MsgIcon::None;
    MsgButtons Buttons = MsgButtons::Ok;
};

using MessageResponder = std::function<int(const MessageRecord&)>;

// The three captions of the system's messages.
inline QString CaptionInfo()
{
    return QStringLiteral("Vesperwald 7.1-提示信息");
}
inline QString CaptionConfirm()
{
    return QStringLiteral("Vesperwald 7.1-操作确认");
}
inline QString CaptionRefuse()
{
    return QStringLiteral("Vesperwald 7.1-终止确认");
}

// The real dialog behind TApplication::MessageBox.
int ExecMessageBox(QWidget* parent, const MessageRecord& message);
// How many real message boxes are open (one over another).
int OpenMessageBoxes();
// Ends the open message box at `depth` (0: the first opened) with `answer` as if the operator
// gave it, once what it asks has been settled otherwise; false when there is none.
bool EndMessageBox(int depth, int answer);

void Beep();
// How often Beep was called in this process (tests check it instead of listening).
int BeepCount();
