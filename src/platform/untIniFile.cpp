#include "platform/untIniFile.h"

#include "platform/untCodePage.h"

#include <QFile>

TIniFile::TIniFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_exists = true;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    Parse(IsValidUtf8(bytes) ? QString::fromUtf8(bytes) : FromCp936(bytes));
}

void TIniFile::Parse(const QString& text)
{
    m_sections.clear();
    Section* current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            const Section* existing = Find(name);
            if (existing) {
                current = const_cast<Section*>(existing);
            } else {
                m_sections.append({name, {}});
                current = &m_sections.last();
            }
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!current || eq <= 0)
            continue;
        current->Values.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
}

const TIniFile::Section* TIniFile::Find(const QString& section) const
{
    for (const Section& s : m_sections)
        if (s.Name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

bool TIniFile::SectionExists(const QString& section) const
{
    return Find(section) != nullptr;
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    for (const Section& s : m_sections)
        names << s.Name;
    return names;
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    QStringList keys;
    if (const Section* s = Find(section))
        for (const auto& kv : s->Values)
            keys << kv.first;
    return keys;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    if (const Section* s = Find(section))
        for (const auto& kv : s->Values)
            if (kv.first.compare(key, Qt::CaseInsensitive) == 0)
                return kv.second;
    return def;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    bool ok = false;
    const QString text = ReadString(section, key, QString());
    const int value = text.toInt(&ok, 10); // decimal: a leading 0 is no octal
    return ok ? value : def;
}
