#include "sheets/untXlsxWriter.h"

#include "platform/untException.h"
#include "sheets/untFileReplacement.h"
#include "sheets/untZipWriter.h"

#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{
// A workbook sheet's rows, header included.
constexpr int kSheetRows = 1048576;
// Characters a workbook cell takes.
constexpr int kCellChars = 32767;
// Rows put together before they go to the zip.
constexpr int kRowsPerPiece = 256;

// Styles: 0 default, 1 the header, 2 amounts, 3 text, 4 counts, 5 shares.
const char* const kStyles =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
    R"(<numFmts count="1"><numFmt numFmtId="164" formatCode="#,##0.00"/></numFmts>)"
    R"(<fonts count="2"><font><sz val="11"/><name val="Calibri"/><family val="2"/></font>)"
    R"(<font><b/><sz val="11"/><name val="Calibri"/><family val="2"/></font></fonts>)"
    R"(<fills count="2"><fill><patternFill patternType="none"/></fill>)"
    R"(<fill><patternFill patternType="gray125"/></fill></fills>)"
    R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
    R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
    R"(<cellXfs count="6"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>)"
    R"(<xf numFmtId="0" fontId="1" fillId="0" borderId="0" xfId="0" applyFont="1" applyAlignment="1">)"
    R"(<alignment horizontal="center"/></xf>)"
    R"(<xf numFmtId="164" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>)"
    R"(<xf numFmtId="49" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>)"
    R"(<xf numFmtId="3" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>)"
    R"(<xf numFmtId="10" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>)"
    R"(</cellXfs><cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/>)"
    R"(</cellStyles></styleSheet>)";

const char* const kContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
    R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
    R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
    R"(</Types>)";

const char* const kRootRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
    R"(</Relationships>)";

const char* const kWorkbookRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    "\n"
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
    R"(</Relationships>)";

// Text as XML character data: markup escaped, control characters XML cannot carry as blanks.
void AppendEscaped(QByteArray& out, const QByteArray& utf8)
{
    const char* p = utf8.constData();
    const char* const end = p + utf8.size();
    while (p < end) {
        const char* plain = p; // a run that needs nothing is copied at once
        while (p < end && uchar(*p) >= 0x20 && *p != '&' && *p != '<' && *p != '>' && *p != '"')
            ++p;
        out.append(plain, p - plain);
        if (p == end)
            break;
        switch (*p) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\t':
        case '\n':
            out += *p;
            break;
        case '\r': // a parser would read a bare one as a line feed
            out += "&#13;";
            break;
        default:
            out += ' ';
        }
        ++p;
    }
}

QByteArray ColumnName(int c)
{
    QByteArray name;
    for (++c; c > 0; c = (c - 1) / 26)
        name.prepend(char('A' + (c - 1) % 26));
    return name;
}

// The amount's digits without trailing zeros: the value exactly, as a spreadsheet stores it.
void AppendAmount(QByteArray& out, const Currency& amount)
{
    const qint64 raw = amount.Raw();
    const quint64 size = raw < 0 ? 0 - quint64(raw) : quint64(raw);
    if (raw < 0)
        out += '-';
    char digits[24];
    const int n =
        std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(size / 10000));
    out.append(digits, n);
    unsigned fraction = unsigned(size % 10000);
    if (fraction == 0)
        return;
    char tail[6] = {'.',
                    char('0' + fraction / 1000),
                    char('0' + fraction / 100 % 10),
                    char('0' + fraction / 10 % 10),
                    char('0' + fraction % 10),
                    0};
    int length = 5;
    while (tail[length - 1] == '0')
        --length;
    out.append(tail, length);
}

// A cell's start: its place only when the cell before it in the row was left out (readers
// take a cell without one as the next), which keeps a long sheet a third smaller.
void AppendCellStart(QByteArray& out, const QByteArray& column, const QByteArray& row, bool placed)
{
    if (placed) {
        out += "<c";
        return;
    }
    out += "<c r=\"";
    out += column;
    out += row;
    out += '"';
}

void AppendText(QByteArray& out, int style, QString text)
{
    if (text.size() > kCellChars)
        text.truncate(kCellChars);
    out += style == 1 ? " s=\"1\" t=\"inlineStr\"><is><t" : " s=\"3\" t=\"inlineStr\"><is><t";
    if (text.front().isSpace() || text.back().isSpace())
        out += " xml:space=\"preserve\"";
    out += '>';
    AppendEscaped(out, text.toUtf8());
    out += "</t></is></c>";
}

const char* ColumnStyle(const TExportColumn& column)
{
    if (column.Amount)
        return "2";
    switch (column.Number) {
    case TExportNumber::Count:
        return "4";
    case TExportNumber::Share:
        return "5";
    default:
        return "3";
    }
}

QByteArray SheetStart(const TExportTable& table)
{
    QByteArray xml =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        "\n"
        R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
        R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
        R"(<sheetViews><sheetView workbookViewId="0">)"
        R"(<pane ySplit="1" topLeftCell="A2" activePane="bottomLeft" state="frozen"/>)"
        R"(<selection pane="bottomLeft"/></sheetView></sheetViews>)"
        R"(<sheetFormatPr defaultRowHeight="15"/>)";
    if (!table.Columns.isEmpty()) {
        xml += "<cols>";
        for (int c = 0; c < table.Columns.size(); ++c) {
            const TExportColumn& column = table.Columns[c];
            xml += "<col min=\"" + QByteArray::number(c + 1) + "\" max=\"" +
                   QByteArray::number(c + 1) + "\" width=\"" +
                   QByteArray::number(column.Width + 0.71, 'f', 2) + "\" style=\"" +
                   QByteArray(ColumnStyle(column)) + "\" customWidth=\"1\"/>";
        }
        xml += "</cols>";
    }
    xml += "<sheetData>";
    return xml;
}

QByteArray WorkbookXml(const QString& sheetName)
{
    QByteArray xml =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        "\n"
        R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
        R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
        R"(<bookViews><workbookView/></bookViews><sheets><sheet name=")";
    AppendEscaped(xml, SheetNameOf(sheetName).toUtf8());
    xml += R"(" sheetId="1" r:id="rId1"/></sheets></workbook>)";
    return xml;
}

void AddPart(TZipWriter& zip, const QByteArray& name, const QByteArray& data)
{
    zip.Begin(name);
    zip.Write(data);
    zip.End();
}
} // namespace

bool TXlsxWriter::Write(const TExportTable& table, const QString& path, const QString& sheetName,
                        const TExportProgress& progress) const
{
    if (table.Rows + 1 > kSheetRows)
        throw Exception(QStringLiteral("共%L1行，超过一个工作表能容纳的%L2行；请导出为CSV文件。")
                            .arg(table.Rows)
                            .arg(kSheetRows - 1));
    TFileReplacement file(path);
    TZipWriter zip(file, kDeflateLevel);
    AddPart(zip, "[Content_Types].xml", kContentTypes);
    AddPart(zip, "_rels/.rels", kRootRels);
    AddPart(zip, "xl/workbook.xml", WorkbookXml(sheetName));
    AddPart(zip, "xl/_rels/workbook.xml.rels", kWorkbookRels);
    AddPart(zip, "xl/styles.xml", kStyles);

    const int columns = int(table.Columns.size());
    std::vector<QByteArray> names;
    for (int c = 0; c < columns; ++c)
        names.push_back(ColumnName(c));
    zip.Begin("xl/worksheets/sheet1.xml");
    QByteArray piece = SheetStart(table);
    piece.reserve(1 << 20);
    piece += "<row r=\"1\">";
    for (int c = 0, next = 0; c < columns; ++c) {
        if (table.Columns[c].Caption.isEmpty())
            continue;
        AppendCellStart(piece, names[size_t(c)], "1", c == next);
        AppendText(piece, 1, table.Columns[c].Caption);
        next = c + 1;
    }
    piece += "</row>";
    for (int r = 0; r < table.Rows; ++r) {
        if (!TellProgress(progress, r, table.Rows))
            return false;
        const QByteArray row = QByteArray::number(r + 2);
        piece += "<row r=\"";
        piece += row;
        piece += "\">";
        for (int c = 0, next = 0; c < columns; ++c) {
            if (table.Columns[c].Amount) {
                if (const auto amount = table.Amount(r, c)) {
                    AppendCellStart(piece, names[size_t(c)], row, c == next);
                    piece += " s=\"2\"><v>";
                    AppendAmount(piece, *amount);
                    piece += "</v></c>";
                    next = c + 1;
                    continue;
                }
            }
            const TExportColumn& column = table.Columns[c];
            if (column.Number != TExportNumber::None && table.Number) {
                if (const auto number = table.Number(r, c); number && std::isfinite(*number)) {
                    AppendCellStart(piece, names[size_t(c)], row, c == next);
                    piece += " s=\"";
                    piece += ColumnStyle(column);
                    piece += "\"><v>";
                    piece += QByteArray::number(*number, 'g', 15);
                    piece += "</v></c>";
                    next = c + 1;
                    continue;
                }
            }
            const QString cell = table.Text(r, c);
            if (cell.isEmpty())
                continue;
            AppendCellStart(piece, names[size_t(c)], row, c == next);
            AppendText(piece, 3, cell);
            next = c + 1;
        }
        piece += "</row>";
        if ((r + 1) % kRowsPerPiece == 0) {
            zip.Write(piece);
            piece.resize(0); // the capacity stays
        }
    }
    piece += "</sheetData></worksheet>";
    zip.Write(piece);
    zip.End();
    zip.Finish();
    file.Commit();
    return true;
}
