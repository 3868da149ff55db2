#pragma once
// A read-only INI file reader (UTF-8 or GBK).

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// A read-only INI file: sections of key=value lines, names compared without regard to case.
// The file may be UTF-8 or GBK; a missing file reads as empty.
class TIniFile
{
public:
    explicit TIniFile(const QString& fileName);
    bool Exists() const { return m_exists; }
    bool SectionExists(const QString& section) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString& section) const; // keys in file order
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;

    // Parses text already read; used by the constructor and by tests.
    void Parse(const QString& text);

private:
    struct Section {
        QString Name;
        QList<QPair<QString, QString>> Values;
    };
    const Section* Find(const QString& section) const;
    QList<Section> m_sections;
    bool m_exists = false;
};
