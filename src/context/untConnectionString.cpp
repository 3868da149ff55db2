#include "context/untConnectionString.h"

#include <QStringList>

namespace
{
// The entries of the string, split at its semicolons. A value that begins with a double quote
// runs to the quote that closes it (a quote written twice stays in it), semicolons included; a
// quote anywhere else is an ordinary character.
QStringList Entries(const QString& connectionString)
{
    QStringList entries;
    QString entry;
    bool quoted = false, valueStarted = false, afterEquals = false;
    for (qsizetype i = 0; i < connectionString.size(); ++i) {
        const QChar c = connectionString[i];
        if (quoted) {
            entry += c;
            if (c == QLatin1Char('"')) {
                if (i + 1 < connectionString.size() && connectionString[i + 1] == c)
                    entry += connectionString[++i];
                else
                    quoted = false;
            }
            continue;
        }
        if (c == QLatin1Char(';')) {
            if (!entry.trimmed().isEmpty())
                entries << entry;
            entry.clear();
            valueStarted = afterEquals = false;
            continue;
        }
        entry += c;
        if (c == QLatin1Char('=') && !afterEquals) {
            afterEquals = true;
        } else if (afterEquals && !valueStarted && !c.isSpace()) {
            valueStarted = true;
            quoted = c == QLatin1Char('"');
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
