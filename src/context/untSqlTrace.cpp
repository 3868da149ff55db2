#include "context/untSqlTrace.h"

#include <QDateTime>
#include <QFile>

namespace
{
SqlObserver& Observer()
{
    static SqlObserver observer;
    return observer;
}
} // namespace

void SetSqlObserver(SqlObserver observer)
{
    Observer() = std::move(observer);
}

void TraceSql(const SqlTraceEntry& entry)
{
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
    const QString status =
        entry.Ok ? QStringLiteral("ok") : QStringLiteral("error: ") + entry.Error.simplified();
    file.write((QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + '\t' + entry.Connection +
                '\t' + entry.Kind + '\t' + status + '\t' + flat + '\n')
                   .toUtf8());
}
