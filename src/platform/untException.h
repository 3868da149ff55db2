#pragma once
// The base exception of the system.

#include <QString>
#include <exception>

// Base of every exception the system raises; what() carries the message as UTF-8.
class Exception : public std::exception
{
public:
    explicit Exception(const QString& message);
    const QString& Message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Raised by the class registry for a duplicate class name.
class EFilerError : public Exception
{
public:
    using Exception::Exception;
};
