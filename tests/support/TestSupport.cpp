#include "TestSupport.h"

#include <QCoreApplication>
#include <QEvent>

MessageRecorder::MessageRecorder(TApplication* app) : m_app(app)
{
    m_app->SetMessageResponder([this](const MessageRecord& m) {
        m_messages.append(m);
        if (!m_answers.empty()) {
            const int r = m_answers.front();
            m_answers.pop_front();
            return r;
        }
        switch (m.Buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return static_cast<int>(mrYes);
        default:
            return static_cast<int>(mrOk);
        }
    });
}

MessageRecorder::~MessageRecorder()
{
    m_app->SetMessageResponder({});
}

QStringList MessageRecorder::Texts() const
{
    QStringList texts;
    for (const MessageRecord& m : m_messages)
        texts << m.Text;
    return texts;
}

void FlushDeletes()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}
