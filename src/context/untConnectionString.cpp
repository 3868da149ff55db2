#include "context/untConnectionString.h"

#include <QStringList>

QString ConnectionStringValue(const QString& connectionString, const QString& key)
{
    const QStringList parts = connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        if (part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QString value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
            value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return QString();
}

QString ConnectionStringWithoutProvider(const QString& connectionString)
{
    QStringList rest;
    for (const QString& part : connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!part.trimmed().startsWith(QLatin1String("Provider="), Qt::CaseInsensitive))
            rest << part;
    return rest.join(QLatin1Char(';'));
}
