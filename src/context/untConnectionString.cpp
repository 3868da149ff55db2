#include "context/untConnectionString.h"

#include <QStringList>

namespace
{
// The entries of the string, split at the semicolons outside double quotes.
QStringList Entries(const QString& connectionString)
{
    QStringList entries;
    QString entry;
    bool quoted = false;
    for (const QChar c : connectionString) {
        if (c == QLatin1Char('"'))
            quoted = !quoted; // a doubled quote inside a value turns it off and on again
        if (c == QLatin1Char(';') && !quoted) {
            if (!entry.trimmed().isEmpty())
                entries << entry;
            entry.clear();
        } else {
            entry += c;
        }
    }
    if (!entry.trimmed().isEmpty())
        entries << entry;
    return entries;
}
} // namespace

QString ConnectionStringValue(const QString& connectionString, const QString& key)
{
    for (const QString& part : Entries(connectionString)) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        if (part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QString value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
            value.endsWith(QLatin1Char('"')))
            value =
                value.mid(1, value.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
        return value;
    }
    return QString();
}

QString ConnectionStringQuoted(const QString& value)
{
    const bool plain = !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"')) &&
                       value.trimmed() == value;
    return plain ? value
                 : QLatin1Char('"') +
                       QString(value).replace(QLatin1String("\""), QLatin1String("\"\"")) +
                       QLatin1Char('"');
}

QString ConnectionStringWithoutProvider(const QString& connectionString)
{
    QStringList rest;
    for (const QString& part : Entries(connectionString))
        if (!part.trimmed().startsWith(QLatin1String("Provider="), Qt::CaseInsensitive))
            rest << part;
    return rest.join(QLatin1Char(';'));
}
