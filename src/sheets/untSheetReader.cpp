#include "sheets/untSheetReader.h"

#include "platform/untException.h"
#include "sheets/untCsvReader.h"
#include "sheets/untSheetFormats.h"
#include "sheets/untWorkbookParts.h"

#include <QFileInfo>

namespace
{
bool IsAsciiLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// Digits "1" … "99999999" as a number; 0 for anything else.
int Number(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 8)
        return 0;
    int n = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

// "A" for column 0, "XFD" for 16383.
QString ColumnName(int col)
{
    QString name;
    for (++col; col > 0; col = (col - 1) / 26)
        name.prepend(QChar(u'A' + (col - 1) % 26));
    return name;
}

// The rows of one sheet, cell by cell as the XML reader meets them.
class SheetRows
{
public:
    SheetRows(const TWorkbookZip& book, const TSharedStrings& shared,
              const std::vector<TNumberStyle>& styles, bool date1904, const TSheetRowSink& sink)
        : m_book(book), m_limits(book.Limits()), m_shared(shared), m_styles(styles),
          m_date1904(date1904), m_sink(sink)
    {
    }
    void Read(const QString& part)
    {
        m_book.Parse(part, m_yield, [this](QXmlStreamReader& xml) { return Token(xml); });
    }

private:
    [[noreturn]] void Refuse(const QString& why) const { RefuseSheetFile(m_book.Path(), why); }
    QString Here() const { return ColumnName(m_col) + QString::number(m_row); }

    bool Token(QXmlStreamReader& xml)
    {
        if (xml.isStartElement())
            StartElement(xml);
        else if (xml.isCharacters() && (m_inValue || (m_inInline && m_inText)))
            Characters(xml.text());
        else if (xml.isEndElement())
            return EndElement(xml.name());
        return true;
    }

    void StartElement(const QXmlStreamReader& xml)
    {
        const QStringView name = xml.name();
        if (name == u"row") {
            StartRow(xml.attributes().value("r"));
        } else if (name == u"c" && m_inRow) {
            StartCell(xml.attributes());
        } else if (m_inCell) {
            if (name == u"v")
                m_inValue = m_hasValue = true;
            else if (name == u"f")
                m_hasFormula = true;
            else if (name == u"is")
                m_inInline = m_hasValue = true;
            else if (name == u"rPh")
                m_inPhonetic = true; // a reading aid, not the text
            else if (name == u"t")
                m_inText = m_inInline && !m_inPhonetic;
        }
    }

    void StartRow(QStringView r)
    {
        const int row = r.isEmpty() ? m_row + 1 : Number(r);
        if (row < 1 || row > m_limits.Rows)
            Refuse(QStringLiteral("行号“%1”超出工作表的范围（1～%2）。")
                       .arg(r.isEmpty() ? QString::number(row) : r.left(20).toString())
                       .arg(m_limits.Rows));
        if (row <= m_row)
            Refuse(QStringLiteral("第%1行出现在第%2行之后，工作表已损坏。").arg(row).arg(m_row));
        m_row = row;
        m_inRow = true;
        m_cells.clear();
        m_rowChars = 0;
        m_filled = m_cellsInRow = 0;
        m_nextCol = 0;
    }

    void StartCell(const QXmlStreamAttributes& a)
    {
        // A row's cells stand in column order, so no row has more than there are columns.
        if (++m_cellsInRow > m_limits.Columns)
            Refuse(QStringLiteral("第%1行超过%2个单元格。").arg(m_row).arg(m_limits.Columns));
        const QStringView ref = a.value("r");
        m_col = m_nextCol;
        if (!ref.isEmpty()) {
            qsizetype letters = 0;
            while (letters < ref.size() && letters < 4 && IsAsciiLetter(ref[letters]))
                ++letters;
            int col = 0;
            for (qsizetype i = 0; i < letters; ++i)
                col = col * 26 + (ref[i].toUpper().unicode() - u'A' + 1);
            const int row = Number(ref.mid(letters));
            if (letters == 0 || col > m_limits.Columns || row < 1 || row > m_limits.Rows)
                Refuse(QStringLiteral("单元格位置“%1”超出工作表的范围（最多%2列、%3行）。")
                           .arg(ref.left(20).toString(), ColumnName(m_limits.Columns - 1))
                           .arg(m_limits.Rows));
            m_col = col - 1;
        } else if (m_col >= m_limits.Columns) {
            Refuse(QStringLiteral("第%1行超过%2列。").arg(m_row).arg(m_limits.Columns));
        }
        m_type = a.value("t").toString();
        m_style = a.value("s").toInt();
        m_value.clear();
        m_inCell = true;
        m_hasValue = m_hasFormula = false;
    }

    void Characters(QStringView text)
    {
        m_value += text;
        if (m_value.size() > m_limits.CellChars)
            Refuse(QStringLiteral("单元格%1超过%2个字符。").arg(Here()).arg(m_limits.CellChars));
    }

    bool EndElement(QStringView name)
    {
        if (name == u"v")
            m_inValue = false;
        else if (name == u"is")
            m_inInline = false;
        else if (name == u"t")
            m_inText = false;
        else if (name == u"rPh")
            m_inPhonetic = false;
        else if (name == u"c" && m_inCell)
            EndCell();
        else if (name == u"row" && m_inRow)
            return EndRow();
        return true;
    }

    QString CellText() const
    {
        if (m_type == u"s") {
            bool ok = false;
            const qlonglong index = m_value.toLongLong(&ok);
            if (!ok || index < 0 || index >= m_shared.Count())
                Refuse(QStringLiteral("单元格%1引用的共享字符串“%2”不存在。")
                           .arg(Here(), m_value.left(20)));
            return m_shared.At(index);
        }
        if (m_type.isEmpty() || m_type == u"n") {
            const bool known = m_style >= 0 && size_t(m_style) < m_styles.size();
            return ShownNumber(m_value, known ? m_styles[size_t(m_style)] : TNumberStyle(),
                               m_date1904);
        }
        if (m_type == u"b")
            return m_value == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        return m_value; // inline and formula strings, errors as shown ("#N/A")
    }

    void EndCell()
    {
        m_inCell = m_inValue = m_inInline = m_inText = m_inPhonetic = false;
        // (a program that cannot compute writes no value, or an empty one)
        if (m_hasFormula && !(m_hasValue && (!m_value.isEmpty() || m_type == u"str")))
            Refuse(QStringLiteral("单元格%1是公式，文件中没有它的计算结果。请用电子表格程序打开"
                                  "并保存后再读取。")
                       .arg(Here()));
        const QString text = m_hasValue ? CellText() : QString();
        m_rowChars += text.size();
        if (m_rowChars > m_limits.RowChars)
            Refuse(QStringLiteral("第%1行超过%2个字符。").arg(m_row).arg(m_limits.RowChars));
        if (m_cells.size() <= m_col)
            m_cells.resize(m_col + 1);
        m_cells[m_col] = text;
        m_filled += text.isEmpty() ? 0 : 1;
        m_nextCol = m_col + 1;
    }

    bool EndRow()
    {
        m_inRow = false;
        m_yield += 1 + m_filled + m_rowChars;
        return m_sink(m_row, m_cells);
    }

    const TWorkbookZip& m_book;
    const TSheetLimits& m_limits;
    const TSharedStrings& m_shared;
    const std::vector<TNumberStyle>& m_styles;
    const bool m_date1904;
    const TSheetRowSink& m_sink;
    qint64 m_yield = 0;
    QStringList m_cells;
    QString m_type, m_value;
    int m_row = 0, m_col = 0, m_nextCol = 0, m_style = 0, m_filled = 0, m_cellsInRow = 0;
    qint64 m_rowChars = 0;
    bool m_inRow = false, m_inCell = false, m_inValue = false, m_inInline = false;
    bool m_inText = false, m_inPhonetic = false, m_hasValue = false, m_hasFormula = false;
};

int FirstVisible(const std::vector<TSheetEntry>& sheets)
{
    for (size_t i = 0; i < sheets.size(); ++i)
        if (!sheets[i].Hidden)
            return int(i);
    return 0;
}

void ReadWorkbook(const QString& path, const QString& sheetName, const TSheetRowSink& sink,
                  const TSheetLimits& limits)
{
    const TWorkbookZip book(path, limits);
    const TWorkbookInfo info = ReadWorkbookInfo(book);
    if (info.Sheets.empty())
        RefuseSheetFile(path, QStringLiteral("工作簿中没有工作表。"));
    QString part = info.Sheets[size_t(FirstVisible(info.Sheets))].Part;
    if (!sheetName.isEmpty()) {
        part.clear();
        for (const TSheetEntry& s : info.Sheets)
            if (s.Name == sheetName)
                part = s.Part;
        if (part.isEmpty())
            RefuseSheetFile(path, QStringLiteral("工作簿中没有名为“%1”的工作表。").arg(sheetName));
    }
    const TSharedStrings shared(book);
    const std::vector<TNumberStyle> styles = ReadNumberStyles(book);
    SheetRows(book, shared, styles, info.Date1904, sink).Read(part);
}
} // namespace

QStringList WorkbookSheets(const QString& path, int* firstVisible)
{
    const TWorkbookZip book(path, TSheetLimits());
    const TWorkbookInfo info = ReadWorkbookInfo(book);
    QStringList names;
    for (const TSheetEntry& s : info.Sheets)
        names << s.Name;
    if (firstVisible)
        *firstVisible = FirstVisible(info.Sheets);
    return names;
}

void ReadSheetFile(const QString& path, const QString& sheet, const TSheetRowSink& sink,
                   const TSheetLimits& limits)
{
    if (!SheetFormatOf(path).Workbook)
        ReadCsvFile(path, sink, limits);
    else
        ReadWorkbook(path, sheet, sink, limits);
}
