#include "sheets/untCsvReader.h"

#include "platform/untCodePage.h"
#include "platform/untFileGuard.h"
#include "sheets/untCsvText.h"

#include <QFile>
#include <QStringDecoder>
#include <vector>

namespace
{
enum class Encoding { Utf8, Gbk, Utf16LE, Utf16BE };

QString Name(Encoding e)
{
    switch (e) {
    case Encoding::Utf8:
        return QStringLiteral("UTF-8");
    case Encoding::Gbk:
        return QStringLiteral("GBK");
    default:
        return QStringLiteral("UTF-16");
    }
}

// The length of the well-formed UTF-8 character at p, of n bytes there: 1 … 4; 0 when the bytes
// start none, -1 when it is cut off by the end of the n bytes.
int Utf8Length(const uchar* p, qsizetype n)
{
    const uchar c = p[0];
    if (c < 0x80)
        return 1;
    int length = 0;
    uchar low = 0x80, high = 0xBF; // of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : low;
        high = c == 0xED ? 0x9F : high;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : low;
        high = c == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (i >= n)
            return -1;
        if (p[i] < (i == 1 ? low : 0x80) || p[i] > (i == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

// The offset of the first byte that starts no UTF-8 character; -1 when there is none.
qsizetype FirstNonUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = Utf8Length(p + i, bytes.size() - i);
        if (length <= 0)
            return i;
        i += length;
    }
    return -1;
}

// A file is read as UTF-8 when its characters of several bytes outnumber its bad bytes: a GBK
// file's Chinese text is mostly no UTF-8 at all, a UTF-8 file with one stray byte mostly is.
bool LooksUtf8(QFile& file)
{
    qint64 multi = 0, bad = 0;
    QByteArray carry;
    std::vector<char> block(1 << 16);
    for (;;) {
        const qint64 got = file.read(block.data(), qint64(block.size()));
        if (got <= 0)
            break;
        const QByteArray bytes = carry + QByteArray::fromRawData(block.data(), got);
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        qsizetype i = 0;
        while (i < bytes.size()) {
            const int length = Utf8Length(p + i, bytes.size() - i);
            if (length < 0)
                break;
            multi += length > 1 ? 1 : 0;
            bad += length == 0 ? 1 : 0;
            i += length == 0 ? 1 : length;
        }
        carry = bytes.mid(i);
    }
    bad += carry.isEmpty() ? 0 : 1;
    return bad == 0 || multi > bad;
}

// A CSV file's records, from its text given in pieces of any size.
class CsvRecords
{
public:
    CsvRecords(const QString& path, const TSheetRowSink& sink, const TSheetLimits& limits)
        : m_path(path), m_sink(sink), m_limits(limits)
    {
    }
    qint64 Line() const { return m_line; }

    // False when the sink stopped the reading.
    bool Feed(QStringView text)
    {
        for (const QChar c : text) {
            const bool skip = m_skipLf && c == u'\n';
            m_skipLf = false;
            if (!skip && !Take(c))
                return false;
            // a line ends at LF, CR or CR LF
            if (c == u'\r' || (c == u'\n' && !m_afterCr))
                ++m_line;
            m_afterCr = c == u'\r';
        }
        return true;
    }

    void Finish()
    {
        if (m_state == State::Quoted)
            Refuse(QStringLiteral("第%1行开始的带引号的单元格没有结束的引号。").arg(m_quoteLine));
        if (m_any)
            EndRow();
    }

private:
    enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };

    [[noreturn]] void Refuse(const QString& why) const { RefuseSheetFile(m_path, why); }

    bool Take(QChar c)
    {
        m_any = true;
        switch (m_state) {
        case State::Quoted:
            if (c == u'"')
                m_state = State::QuoteInQuoted;
            else
                Append(c);
            return true;
        case State::QuoteInQuoted:
            if (c == u'"') { // a doubled quote is one quote
                Append(c);
                m_state = State::Quoted;
                return true;
            }
            break;
        case State::FieldStart:
            if (c == u'"') {
                m_state = State::Quoted;
                m_quoteLine = m_line;
                return true;
            }
            break;
        case State::Unquoted:
            break;
        }
        if (c == u',') {
            EndField();
            m_state = State::FieldStart;
        } else if (c == u'\n' || c == u'\r') {
            m_skipLf = c == u'\r';
            return EndRow();
        } else {
            Append(c); // a quote inside an unquoted cell is a character
            m_state = State::Unquoted;
        }
        return true;
    }

    void Append(QChar c)
    {
        m_field += c;
        if (m_field.size() <= m_limits.CellChars)
            return;
        if (m_state == State::Quoted)
            Refuse(QStringLiteral("第%1行开始的带引号的单元格超过%2个字符（可能少了结束的引号）。")
                       .arg(m_quoteLine)
                       .arg(m_limits.CellChars));
        Refuse(QStringLiteral("第%1行有单元格超过%2个字符。").arg(m_line).arg(m_limits.CellChars));
    }

    void EndField()
    {
        if (m_row.size() >= m_limits.Columns)
            Refuse(QStringLiteral("第%1行超过%2列。").arg(m_line).arg(m_limits.Columns));
        m_rowChars += m_field.size();
        if (m_rowChars > m_limits.RowChars)
            Refuse(QStringLiteral("第%1行超过%2个字符。").arg(m_line).arg(m_limits.RowChars));
        m_row << CsvCellText(m_field);
        m_field.clear();
    }

    bool EndRow()
    {
        EndField();
        const bool go = m_sink(++m_record, m_row);
        m_row.clear();
        m_rowChars = 0;
        m_any = false;
        m_state = State::FieldStart;
        return go;
    }

    const QString& m_path;
    const TSheetRowSink& m_sink;
    const TSheetLimits& m_limits;
    State m_state = State::FieldStart;
    QStringList m_row;
    QString m_field;
    qint64 m_rowChars = 0;
    qint64 m_line = 1, m_quoteLine = 0;
    int m_record = 0;
    bool m_any = false, m_skipLf = false, m_afterCr = false;
};

// Whole lines of UTF-8 or GBK bytes as text; a byte that is none of the encoding's is refused
// with its line.
QString DecodeLines(const QByteArray& lines, Encoding encoding, qint64 firstLine,
                    const QString& path)
{
    qsizetype bad = -1;
    QString text;
    if (encoding == Encoding::Utf8) {
        bad = FirstNonUtf8(lines);
        if (bad < 0)
            text = QString::fromUtf8(lines);
    } else {
        text = FromCp936Strict(lines, bad);
    }
    if (bad < 0)
        return text;
    RefuseSheetFile(path, QStringLiteral("第%1行有不能按%2读取的字节（0x%3）。请确认文件的编码，"
                                         "或另存为UTF-8。")
                              .arg(firstLine + lines.left(bad).count('\n'))
                              .arg(Name(encoding))
                              .arg(uchar(lines[bad]), 2, 16, QLatin1Char('0')));
}

void ReadLines(QFile& file, Encoding encoding, CsvRecords& records, const TSheetLimits& limits)
{
    QByteArray pending;
    qint64 line = 1; // of pending's first byte
    std::vector<char> block(1 << 16);
    for (;;) {
        const qint64 got = file.read(block.data(), qint64(block.size()));
        if (got < 0)
            RefuseSheetFile(file.fileName(), file.errorString());
        pending.append(block.data(), got);
        const qsizetype cut = got == 0 ? pending.size() : pending.lastIndexOf('\n') + 1;
        if (cut == 0 && pending.size() > limits.PieceBytes)
            RefuseSheetFile(
                file.fileName(),
                QStringLiteral("第%1行超过%2 MB。").arg(line).arg(limits.PieceBytes >> 20));
        if (cut > 0) {
            const QByteArray lines = pending.left(cut);
            pending.remove(0, cut);
            if (!records.Feed(DecodeLines(lines, encoding, line, file.fileName())))
                return;
            line += lines.count('\n');
        }
        if (got == 0)
            break;
    }
    records.Finish();
}

void ReadUtf16(QFile& file, Encoding encoding, CsvRecords& records)
{
    if (file.size() % 2 != 0)
        RefuseSheetFile(file.fileName(),
                        QStringLiteral("按UTF-16读取，但文件不完整（字节数为奇数）。"));
    QStringDecoder decoder(encoding == Encoding::Utf16LE ? QStringDecoder::Utf16LE
                                                         : QStringDecoder::Utf16BE);
    std::vector<char> block(1 << 16);
    for (;;) {
        const qint64 got = file.read(block.data(), qint64(block.size()));
        if (got < 0)
            RefuseSheetFile(file.fileName(), file.errorString());
        if (got == 0)
            break;
        const QString text = decoder.decode(QByteArrayView(block.data(), got));
        if (decoder.hasError())
            RefuseSheetFile(
                file.fileName(),
                QStringLiteral("第%1行附近有不能按UTF-16读取的字符。").arg(records.Line()));
        if (!records.Feed(text))
            return;
    }
    records.Finish();
}
} // namespace

void ReadCsvFile(const QString& path, const TSheetRowSink& sink, const TSheetLimits& limits)
{
    if (const QString why = CannotReadFile(path); !why.isEmpty())
        RefuseSheetFile(path, why);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        RefuseSheetFile(path, file.errorString());
    const QByteArray head = file.peek(3);
    CsvRecords records(path, sink, limits);
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
        file.seek(2);
        ReadUtf16(file, head.startsWith("\xFF\xFE") ? Encoding::Utf16LE : Encoding::Utf16BE,
                  records);
        return;
    }
    Encoding encoding = Encoding::Utf8;
    if (head.startsWith("\xEF\xBB\xBF")) {
        file.seek(3);
    } else {
        encoding = LooksUtf8(file) ? Encoding::Utf8 : Encoding::Gbk;
        file.seek(0);
    }
    ReadLines(file, encoding, records, limits);
}
