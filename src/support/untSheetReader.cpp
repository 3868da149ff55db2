#include "support/untSheetReader.h"

#include "platform/untCodePage.h"
#include "platform/untCurrency.h"
#include "platform/untException.h"
#include "support/untTableExport.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cmath>
#include <vector>
#include <zip.h>

namespace
{
QString Shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void Broken(const QString& path, const QString& why)
{
    throw Exception(QStringLiteral("无法读取文件%1：%2").arg(Shown(path), why));
}

// ---- workbook (a zip of XML parts) ----

class Workbook
{
public:
    explicit Workbook(const QString& path) : m_path(path)
    {
        if (!QFileInfo::exists(path))
            Broken(path, QStringLiteral("文件不存在。"));
        int error = 0;
        m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
        if (!m_zip)
            Broken(path, QStringLiteral("它不是Excel工作簿（xlsx），或已损坏。"));
    }
    ~Workbook() { zip_discard(m_zip); }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    bool Has(const QString& part) const
    {
        return zip_name_locate(m_zip, part.toUtf8().constData(), 0) >= 0;
    }

    // Parses a part as it is read from the zip; `token` sees every token of the document.
    void Parse(const QString& part, const std::function<bool(QXmlStreamReader&)>& token) const
    {
        zip_file_t* file = zip_fopen(m_zip, part.toUtf8().constData(), 0);
        if (!file)
            Broken(m_path, QStringLiteral("工作簿缺少%1。").arg(part));
        struct Close {
            zip_file_t* f;
            ~Close() { zip_fclose(f); }
        } close{file};
        QXmlStreamReader xml;
        std::vector<char> chunk(1 << 16);
        bool atEnd = false;
        for (;;) {
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.hasError())
                    break;
                if (!token(xml))
                    return;
            }
            if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError &&
                xml.error() != QXmlStreamReader::NoError)
                Broken(m_path, QStringLiteral("%1已损坏（%2）。").arg(part, xml.errorString()));
            if (atEnd) {
                if (xml.error() != QXmlStreamReader::NoError)
                    Broken(m_path, QStringLiteral("%1不完整。").arg(part));
                return;
            }
            const zip_int64_t got = zip_fread(file, chunk.data(), chunk.size());
            if (got < 0)
                Broken(m_path, QStringLiteral("%1已损坏。").arg(part));
            if (got == 0)
                atEnd = true;
            else
                xml.addData(QByteArray(chunk.data(), qsizetype(got)));
        }
    }

private:
    QString m_path;
    zip_t* m_zip = nullptr;
};

bool Start(const QXmlStreamReader& xml, QStringView name)
{
    return xml.isStartElement() && xml.name() == name;
}

bool End(const QXmlStreamReader& xml, QStringView name)
{
    return xml.isEndElement() && xml.name() == name;
}

struct SheetEntry {
    QString Name;
    QString Part;
};

std::vector<SheetEntry> Sheets(const Workbook& book)
{
    QHash<QString, QString> targets;
    book.Parse(QStringLiteral("xl/_rels/workbook.xml.rels"), [&](QXmlStreamReader& xml) {
        if (Start(xml, u"Relationship"))
            targets.insert(xml.attributes().value("Id").toString(),
                           xml.attributes().value("Target").toString());
        return true;
    });
    std::vector<SheetEntry> sheets;
    book.Parse(QStringLiteral("xl/workbook.xml"), [&](QXmlStreamReader& xml) {
        if (Start(xml, u"sheet")) {
            QString id;
            for (const QXmlStreamAttribute& a : xml.attributes())
                if (a.name() == u"id")
                    id = a.value().toString();
            QString target = targets.value(id);
            target = target.startsWith(QLatin1Char('/')) ? target.mid(1)
                                                         : QStringLiteral("xl/") + target;
            sheets.push_back({xml.attributes().value("name").toString(), target});
        }
        return true;
    });
    return sheets;
}

QStringList SharedStrings(const Workbook& book)
{
    QStringList strings;
    if (!book.Has(QStringLiteral("xl/sharedStrings.xml")))
        return strings;
    QString current;
    bool inText = false, inPhonetic = false;
    book.Parse(QStringLiteral("xl/sharedStrings.xml"), [&](QXmlStreamReader& xml) {
        if (Start(xml, u"si"))
            current.clear();
        else if (End(xml, u"si"))
            strings << current;
        else if (Start(xml, u"rPh"))
            inPhonetic = true; // a reading aid, not the text
        else if (End(xml, u"rPh"))
            inPhonetic = false;
        else if (Start(xml, u"t"))
            inText = !inPhonetic;
        else if (End(xml, u"t"))
            inText = false;
        else if (inText && xml.isCharacters())
            current += xml.text();
        return true;
    });
    return strings;
}

// Built-in number formats that show dates (including the Chinese ones).
bool BuiltInDate(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

bool DateCode(QString code)
{
    // Literal texts and [colour]/[locale] parts say nothing about the kind.
    code.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"|\\[[^\\]]*\\]")));
    code = code.toLower();
    return code.contains(QLatin1Char('y')) || code.contains(QLatin1Char('d'));
}

// For each cell style: whether it shows a date.
std::vector<bool> DateStyles(const Workbook& book)
{
    std::vector<bool> styles;
    if (!book.Has(QStringLiteral("xl/styles.xml")))
        return styles;
    QHash<int, bool> customDates;
    bool inCellXfs = false;
    book.Parse(QStringLiteral("xl/styles.xml"), [&](QXmlStreamReader& xml) {
        if (Start(xml, u"numFmt"))
            customDates.insert(xml.attributes().value("numFmtId").toInt(),
                               DateCode(xml.attributes().value("formatCode").toString()));
        else if (Start(xml, u"cellXfs"))
            inCellXfs = true;
        else if (End(xml, u"cellXfs"))
            inCellXfs = false;
        else if (inCellXfs && Start(xml, u"xf")) {
            const int id = xml.attributes().value("numFmtId").toInt();
            styles.push_back(customDates.contains(id) ? customDates.value(id) : BuiltInDate(id));
        }
        return true;
    });
    return styles;
}

// "BC12" → 54 (0-based); -1 without letters.
int ColumnOf(QStringView ref)
{
    int col = 0, i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i)
        col = col * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
    return i == 0 ? -1 : col - 1;
}

QString NumberText(const QString& v, bool date)
{
    bool ok = false;
    const double value = v.toDouble(&ok);
    if (!ok)
        return v;
    if (date)
        return QDate(1899, 12, 30).addDays(qint64(std::floor(value))).toString(Qt::ISODate);
    // As spreadsheets show numbers: 15 significant digits (a written 584600.3199999999 is
    // 584600.32), never an exponent.
    return PlainNumberText(QString::number(value, 'g', 15).toDouble());
}

void ReadWorkbook(const QString& path, const QString& sheetName, const TSheetRowSink& sink)
{
    const Workbook book(path);
    const std::vector<SheetEntry> sheets = Sheets(book);
    if (sheets.empty())
        Broken(path, QStringLiteral("工作簿中没有工作表。"));
    QString part = sheets.front().Part;
    if (!sheetName.isEmpty()) {
        part.clear();
        for (const SheetEntry& s : sheets)
            if (s.Name == sheetName)
                part = s.Part;
        if (part.isEmpty())
            Broken(path, QStringLiteral("工作簿中没有名为“%1”的工作表。").arg(sheetName));
    }
    const QStringList shared = SharedStrings(book);
    const std::vector<bool> dates = DateStyles(book);
    QStringList row;
    QString type, value;
    int col = 0, style = 0, nextCol = 0;
    bool inValue = false, inInline = false;
    book.Parse(part, [&](QXmlStreamReader& xml) {
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (name == u"row") {
                row.clear();
                nextCol = 0;
            } else if (name == u"c") {
                const QXmlStreamAttributes a = xml.attributes();
                const int at = ColumnOf(a.value("r"));
                col = at >= 0 ? at : nextCol;
                type = a.value("t").toString();
                style = a.value("s").toInt();
                value.clear();
            } else if (name == u"v") {
                inValue = true;
            } else if (name == u"is") {
                inInline = true;
            }
        } else if (xml.isCharacters() && (inValue || inInline)) {
            value += xml.text();
        } else if (xml.isEndElement()) {
            const QStringView name = xml.name();
            if (name == u"v") {
                inValue = false;
            } else if (name == u"is") {
                inInline = false;
            } else if (name == u"c") {
                QString text = value;
                if (type == u"s")
                    text = shared.value(value.toInt());
                else if (type.isEmpty() || type == u"n")
                    text = NumberText(value, style >= 0 && size_t(style) < dates.size() &&
                                                 dates[size_t(style)]);
                else if (type == u"b")
                    text = value == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
                while (row.size() < col)
                    row << QString();
                if (row.size() == col)
                    row << text;
                else
                    row[col] = text;
                nextCol = col + 1;
            } else if (name == u"row") {
                return sink(row);
            }
        }
        return true;
    });
}

// ---- CSV ----

QString DecodeCsv(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    return IsValidUtf8(bytes) ? QString::fromUtf8(bytes) : FromCp936(bytes);
}

void ReadCsv(const QString& path, const TSheetRowSink& sink)
{
    QFile file(path);
    if (!file.exists())
        Broken(path, QStringLiteral("文件不存在。"));
    if (!file.open(QIODevice::ReadOnly))
        Broken(path, file.errorString());
    const QString text = DecodeCsv(file.readAll());
    QStringList row;
    QString field;
    bool quoted = false, any = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        any = true;
        if (quoted) {
            if (c == u'"' && i + 1 < n && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << CsvCellText(field);
            field.clear();
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            row << CsvCellText(field);
            field.clear();
            any = false;
            if (!sink(row))
                return;
            row.clear();
        } else {
            field += c;
        }
    }
    if (quoted)
        Broken(path, QStringLiteral("文件在引号中结束，不完整。"));
    if (any) {
        row << CsvCellText(field);
        sink(row);
    }
}

bool IsCsv(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
}
} // namespace

QStringList WorkbookSheets(const QString& path)
{
    QStringList names;
    const Workbook book(path);
    for (const SheetEntry& s : Sheets(book))
        names << s.Name;
    return names;
}

void ReadSheetFile(const QString& path, const QString& sheet, const TSheetRowSink& sink)
{
    if (IsCsv(path))
        ReadCsv(path, sink);
    else
        ReadWorkbook(path, sheet, sink);
}
