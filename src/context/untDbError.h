#pragma once
// The error every database operation raises, with the driver's message.

#include "platform/untException.h"

class TExceptDbManager : public Exception
{
public:
    explicit TExceptDbManager(const QString& message, const QString& code = QString())
        : Exception(message), m_code(code)
    {
    }
    // The driver's code of the failure where it gave one: SQLite's result code, PostgreSQL's
    // SQLSTATE.
    const QString& Code() const { return m_code; }

private:
    QString m_code;
};
