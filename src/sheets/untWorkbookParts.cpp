#include "sheets/untWorkbookParts.h"

#include "platform/untCurrency.h"
#include "platform/untFileGuard.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <cmath>
#include <zip.h>

namespace
{
constexpr int kMaxStyles = 65'536; // cell formats and number formats a workbook may define
constexpr int kMaxSheets = 65'536;

bool Start(const QXmlStreamReader& xml, QStringView name)
{
    return xml.isStartElement() && xml.name() == name;
}

bool End(const QXmlStreamReader& xml, QStringView name)
{
    return xml.isEndElement() && xml.name() == name;
}

QString Megabytes(qint64 bytes)
{
    return QString::number(bytes >> 20);
}
} // namespace

TWorkbookZip::TWorkbookZip(const QString& path, const TSheetLimits& limits)
    : m_path(path), m_limits(limits)
{
    // Checked before opening: a pipe or a system file could block the reader for good.
    if (const QString why = CannotReadFile(path); !why.isEmpty())
        RefuseSheetFile(path, why);
    int error = 0;
    m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!m_zip)
        RefuseSheetFile(path, QStringLiteral("它不是Excel工作簿（xlsx），或已损坏。"));
}

TWorkbookZip::~TWorkbookZip()
{
    zip_discard(m_zip);
}

bool TWorkbookZip::Has(const QString& part) const
{
    return zip_name_locate(m_zip, part.toUtf8().constData(), 0) >= 0;
}

void TWorkbookZip::Parse(const QString& part, const qint64& yield,
                         const std::function<bool(QXmlStreamReader&)>& token) const
{
    zip_file_t* file = zip_fopen(m_zip, part.toUtf8().constData(), 0);
    if (!file)
        RefuseSheetFile(m_path, QStringLiteral("工作簿缺少%1。").arg(part));
    struct Close {
        zip_file_t* f;
        ~Close() { zip_fclose(f); }
    } close{file};
    QXmlStreamReader xml;
    std::vector<char> chunk(1 << 16);
    qint64 inflated = 0, pending = 0; // pending: bytes fed since the last whole token
    bool atEnd = false;
    for (;;) {
        bool tokens = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.hasError())
                break;
            tokens = true;
            if (!token(xml))
                return;
        }
        if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError &&
            xml.error() != QXmlStreamReader::NoError)
            RefuseSheetFile(m_path,
                            QStringLiteral("%1已损坏（%2）。").arg(part, xml.errorString()));
        if (atEnd) {
            if (xml.error() != QXmlStreamReader::NoError)
                RefuseSheetFile(m_path, QStringLiteral("%1不完整。").arg(part));
            return;
        }
        const zip_int64_t got = zip_fread(file, chunk.data(), chunk.size());
        if (got < 0)
            RefuseSheetFile(m_path, QStringLiteral("%1已损坏。").arg(part));
        atEnd = got == 0;
        inflated += got;
        pending = tokens ? got : pending + got;
        if (pending > m_limits.PieceBytes)
            RefuseSheetFile(m_path, QStringLiteral("%1中有一段内容超过%2 MB，不是电子表格程序"
                                                   "写出的内容。")
                                        .arg(part, Megabytes(m_limits.PieceBytes)));
        if (inflated > m_limits.InflateBase + m_limits.InflatePerItem * yield)
            RefuseSheetFile(m_path, QStringLiteral("%1解压后已超过%2 MB，远大于其中的数据，"
                                                   "可能是恶意构造的文件。")
                                        .arg(part, Megabytes(inflated)));
        if (got > 0)
            xml.addData(QByteArray(chunk.data(), qsizetype(got)));
    }
}

TWorkbookInfo ReadWorkbookInfo(const TWorkbookZip& book)
{
    qint64 yield = 0;
    const auto count = [&](qint64 items) {
        yield += 1;
        if (items > kMaxSheets)
            RefuseSheetFile(book.Path(), QStringLiteral("工作簿中的工作表过多。"));
    };
    QHash<QString, QString> targets;
    book.Parse(QStringLiteral("xl/_rels/workbook.xml.rels"), yield, [&](QXmlStreamReader& xml) {
        if (Start(xml, u"Relationship")) {
            targets.insert(xml.attributes().value("Id").toString(),
                           xml.attributes().value("Target").toString());
            count(targets.size());
        }
        return true;
    });
    TWorkbookInfo info;
    yield = 0;
    book.Parse(QStringLiteral("xl/workbook.xml"), yield, [&](QXmlStreamReader& xml) {
        if (Start(xml, u"workbookPr")) {
            const QStringView v = xml.attributes().value("date1904");
            info.Date1904 = v == u"1" || v == u"true";
        } else if (Start(xml, u"sheet")) {
            QString id;
            for (const QXmlStreamAttribute& a : xml.attributes())
                if (a.name() == u"id")
                    id = a.value().toString();
            QString target = targets.value(id);
            target = target.startsWith(QLatin1Char('/')) ? target.mid(1)
                                                         : QStringLiteral("xl/") + target;
            const QStringView state = xml.attributes().value("state");
            info.Sheets.push_back({xml.attributes().value("name").toString(), target,
                                   state == u"hidden" || state == u"veryHidden"});
            count(qint64(info.Sheets.size()));
        }
        return true;
    });
    return info;
}

TSharedStrings::TSharedStrings(const TWorkbookZip& book)
{
    if (!book.Has(QStringLiteral("xl/sharedStrings.xml")))
        return;
    const TSheetLimits& limits = book.Limits();
    qint64 yield = 0;
    qsizetype start = 0;
    bool inItem = false, inText = false, inPhonetic = false;
    book.Parse(QStringLiteral("xl/sharedStrings.xml"), yield, [&](QXmlStreamReader& xml) {
        if (Start(xml, u"si")) {
            inItem = true;
            start = m_chars.size();
        } else if (End(xml, u"si")) {
            inItem = false;
            m_ends.push_back(m_chars.size());
            yield += 1 + (m_chars.size() - start);
            if (2 * qint64(m_chars.size()) + 16 * qint64(m_ends.size()) > limits.SharedBytes)
                RefuseSheetFile(
                    book.Path(),
                    QStringLiteral("共享字符串超过%1 MB。").arg(Megabytes(limits.SharedBytes)));
        } else if (Start(xml, u"rPh")) {
            inPhonetic = true; // a reading aid, not the text
        } else if (End(xml, u"rPh")) {
            inPhonetic = false;
        } else if (Start(xml, u"t")) {
            inText = inItem && !inPhonetic;
        } else if (End(xml, u"t")) {
            inText = false;
        } else if (inText && xml.isCharacters()) {
            m_chars += xml.text();
            if (m_chars.size() - start > limits.CellChars)
                RefuseSheetFile(book.Path(), QStringLiteral("第%1个共享字符串超过%2个字符。")
                                                 .arg(m_ends.size() + 1)
                                                 .arg(limits.CellChars));
        }
        return true;
    });
    m_chars.squeeze();
}

QString TSharedStrings::At(qsizetype index) const
{
    const qsizetype begin = index == 0 ? 0 : m_ends[size_t(index - 1)];
    return m_chars.mid(begin, m_ends[size_t(index)] - begin);
}

namespace
{
// Built-in number formats that show dates (including the Chinese ones).
bool BuiltInDate(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

TNumberStyle StyleOfCode(QString code)
{
    static const QRegularExpression kZeros(QStringLiteral("^0+$"));
    if (kZeros.match(code).hasMatch())
        return {false, int(code.size())};
    // Literal texts and [colour]/[locale] parts say nothing about the kind.
    static const QRegularExpression kLiterals(QStringLiteral("\"[^\"]*\"|\\[[^\\]]*\\]"));
    code.remove(kLiterals);
    code = code.toLower();
    return {code.contains(QLatin1Char('y')) || code.contains(QLatin1Char('d')), 0};
}
} // namespace

std::vector<TNumberStyle> ReadNumberStyles(const TWorkbookZip& book)
{
    std::vector<TNumberStyle> styles;
    if (!book.Has(QStringLiteral("xl/styles.xml")))
        return styles;
    QHash<int, TNumberStyle> custom;
    bool inCellXfs = false;
    qint64 yield = 0;
    const auto tooMany = [&] {
        RefuseSheetFile(book.Path(), QStringLiteral("styles.xml中的格式过多。"));
    };
    book.Parse(QStringLiteral("xl/styles.xml"), yield, [&](QXmlStreamReader& xml) {
        if (Start(xml, u"numFmt")) {
            custom.insert(xml.attributes().value("numFmtId").toInt(),
                          StyleOfCode(xml.attributes().value("formatCode").toString()));
            if (custom.size() > kMaxStyles)
                tooMany();
            ++yield;
        } else if (Start(xml, u"cellXfs")) {
            inCellXfs = true;
        } else if (End(xml, u"cellXfs")) {
            inCellXfs = false;
        } else if (inCellXfs && Start(xml, u"xf")) {
            const int id = xml.attributes().value("numFmtId").toInt();
            styles.push_back(custom.contains(id) ? custom.value(id)
                                                 : TNumberStyle{BuiltInDate(id), 0});
            if (styles.size() > size_t(kMaxStyles))
                tooMany();
            ++yield;
        }
        return true;
    });
    return styles;
}

namespace
{
// A date serial as yyyy-MM-dd; "" where a spreadsheet shows no date (before its first day,
// after 9999). The 1900 count has a 29 February 1900, as spreadsheets keep it.
QString DateText(double serial, bool date1904)
{
    if (!(serial >= (date1904 ? 0.0 : 1.0) && serial < 3.0e6))
        return QString();
    const auto day = qint64(std::floor(serial));
    QDate date;
    if (date1904)
        date = QDate(1904, 1, 1).addDays(day);
    else if (day == 60)
        return QStringLiteral("1900-02-29");
    else
        date = QDate(1899, 12, day < 60 ? 31 : 30).addDays(day);
    return date.year() <= 9999 ? date.toString(Qt::ISODate) : QString();
}
} // namespace

QString ShownNumber(const QString& v, const TNumberStyle& style, bool date1904)
{
    bool ok = false;
    const double value = v.toDouble(&ok);
    if (!ok)
        return v;
    if (style.Date) {
        const QString date = DateText(value, date1904);
        if (!date.isEmpty())
            return date;
    }
    if (style.ZeroPad > 0 && std::fabs(value) < 1e15 && value == std::floor(value)) {
        const QString digits = QString::number(qint64(std::fabs(value)))
                                   .rightJustified(style.ZeroPad, QLatin1Char('0'));
        return value < 0 ? QLatin1Char('-') + digits : digits;
    }
    // As spreadsheets show numbers: 15 significant digits (a written 584600.3199999999 is
    // 584600.32), never an exponent.
    return PlainNumberText(QString::number(value, 'g', 15).toDouble());
}
