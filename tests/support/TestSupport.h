#pragma once

#include "untApplication.h"

#include <QList>
#include <deque>

// Records every message box shown through the current application object and answers it
// with the queued answers (the default button's result when none is queued).
class MessageRecorder
{
public:
    explicit MessageRecorder(TApplication* app = Application);
    ~MessageRecorder();
    void Answer(int result) { m_answers.push_back(result); }
    const QList<MessageRecord>& Messages() const { return m_messages; }
    QStringList Texts() const;
    void Clear() { m_messages.clear(); }

private:
    TApplication* m_app;
    QList<MessageRecord> m_messages;
    std::deque<int> m_answers;
};

// Processes events until the deferred deletions have run.
void FlushDeletes();
