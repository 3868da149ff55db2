#include "context/untSqlTrace.h"

#include <QDateTime>
#include <QFile>
#include <mutex>

namespace
{
SqlObserver& Observer()
{
    static SqlObserver observer;
    return observer;
}

// Statements are read on background threads too: one entry at a time.
std::mutex& TraceLock()
{
    static std::mutex lock;
    return lock;
}
} // namespace

void SetSqlObserver(SqlObserver observer)
{
    std::lock_guard<std::mutex> lock(TraceLock());
    Observer() = std::move(observer);
}

void TraceSql(const SqlTraceEntry& entry)
{
    std::lock_guard<std::mutex> lock(TraceLock());
    if (Observer())
        Observer()(entry);
    const QString path = qEnvironmentVariable("VESPERWALD_SQL_TRACE");
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    QString flat = entry.Sql;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString status = !entry.Ok         ? QStringLiteral("error: ") + entry.Error.simplified()
                           : entry.Cancelled ? QStringLiteral("cancelled")
                                             : QStringLiteral("ok");
    file.write((QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + '\t' + entry.Connection +
                '\t' + entry.Kind + '\t' + status + '\t' + flat + '\n')
                   .toUtf8());
}

bool SqlTraceWanted()
{
    {
        std::lock_guard<std::mutex> lock(TraceLock());
        if (Observer())
            return true;
    }
    static const bool file = !qEnvironmentVariableIsEmpty("VESPERWALD_SQL_TRACE");
    return file;
}
