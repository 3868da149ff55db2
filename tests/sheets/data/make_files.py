#!/usr/bin/python3
"""Writes the test workbooks and CSV files beside this script (run it again to renew them).

openpyxl/: workbooks written by openpyxl (Debian's python3-openpyxl), an independent program.
hostile/: files that once crashed the reader, ran it out of memory or were misread; a name
starting with "refused-" must be refused (with the small limits the tests use for bombs).
"""
import datetime
import io
import os
import zipfile

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))


def openpyxl_files():
    out = os.path.join(HERE, "openpyxl")
    wb = openpyxl.Workbook()
    notes = wb.active
    notes.title = "说明"
    notes["A1"] = "hidden notes"
    notes.sheet_state = "hidden"
    ws = wb.create_sheet("指标")
    ws.append([])  # rows 1 and 2 left blank
    ws.append([])
    ws.append(["预算编码", "科目编码", "项目编码", "资金性质", "预算来源", "支出类型", "指标金额",
               "指标文号", "日期"])
    ws.append(["101001001", 2050202, 1101001000001, "11", "21", "12", 1234.5, "文1",
               datetime.date(2026, 1, 1)])
    ws.append([])
    ws.append([])
    ws["A7"] = "101001001"
    ws["B7"] = 2050202
    ws["C7"] = 100000000001
    ws["C7"].number_format = "0000000000000"
    ws["D7"] = "11"
    ws["E7"] = "21"
    ws["F7"] = "12"
    ws["G7"] = 20
    ws["I7"] = datetime.date(1900, 1, 15)
    ws["I7"].number_format = "yyyy-mm-dd"
    ws["I4"].number_format = "yyyy-mm-dd"
    ws["K9"] = "far"
    wb.save(os.path.join(out, "gaps-hidden-first.xlsx"))

    wb = openpyxl.Workbook()
    wb.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
    ws = wb.active
    ws["A1"] = datetime.date(2026, 1, 1)
    ws["A1"].number_format = "yyyy-mm-dd"
    wb.save(os.path.join(out, "date1904.xlsx"))

    wb = openpyxl.Workbook()
    ws = wb.active
    ws["A1"] = 1
    ws["B1"] = "=A1*2"  # openpyxl keeps no computed value
    wb.save(os.path.join(out, "formula-without-value.xlsx"))


WORKBOOK = ('<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.'
            'org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/'
            'officeDocument/2006/relationships"><sheets><sheet name="s" sheetId="1" r:id="rId1"/>'
            '</sheets></workbook>')
RELS = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.'
        'openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="x" '
        'Target="worksheets/sheet1.xml"/></Relationships>')


def sheet(rows_xml):
    return ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.'
            'openxmlformats.org/spreadsheetml/2006/main"><sheetData>' + rows_xml +
            '</sheetData></worksheet>')


def workbook(name, sheet_xml, shared=None, styles=None):
    with zipfile.ZipFile(os.path.join(HERE, "hostile", name), "w", zipfile.ZIP_DEFLATED,
                         compresslevel=9) as z:
        z.writestr("xl/workbook.xml", WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", RELS)
        if shared is not None:
            z.writestr("xl/sharedStrings.xml", shared)
        if styles is not None:
            z.writestr("xl/styles.xml", styles)
        z.writestr("xl/worksheets/sheet1.xml", sheet_xml)


def bomb(name, before, repeated, count, after, part="xl/worksheets/sheet1.xml"):
    """A part of `before`, `repeated` × count and `after`, deflated as it is written."""
    with zipfile.ZipFile(os.path.join(HERE, "hostile", name), "w", zipfile.ZIP_DEFLATED,
                         compresslevel=9) as z:
        z.writestr("xl/workbook.xml", WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", RELS)
        if part != "xl/worksheets/sheet1.xml":
            z.writestr("xl/worksheets/sheet1.xml", sheet('<row r="1"><c r="A1" t="s"><v>0</v></c></row>'))
        with z.open(part, "w") as f:
            f.write(before.encode())
            block = (repeated * 4096).encode()
            for _ in range(count // 4096):
                f.write(block)
            f.write(after.encode())


def hostile_files():
    workbook("refused-column-FXSHRXW2.xlsx", sheet('<row r="2"><c r="FXSHRXW2"><v>1</v></c></row>'))
    workbook("refused-column-ZZZZZZZZZZ2.xlsx",
             sheet('<row r="2"><c r="ZZZZZZZZZZ2"><v>1</v></c></row>'))
    workbook("refused-row-1048577.xlsx", sheet('<row r="1048577"><c><v>1</v></c></row>'))
    workbook("refused-cell-32768-characters.xlsx",
             sheet('<row r="1"><c r="A1" t="inlineStr"><is><t>' + "x" * 32768 + '</t></is></c></row>'))
    # Pretty-printed, as some writers do: the blanks between the elements are no text.
    workbook("read-pretty-printed.xlsx",
             sheet('<row r="1">\n <c r="A1" t="str">\n  <f>B1</f>\n  <v>abc</v>\n </c>\n</row>'))
    workbook("refused-rows-descending.xlsx",
             sheet('<row r="5"><c><v>1</v></c></row><row r="3"><c><v>2</v></c></row>'))
    # Index 1 of one string: the first past the end.
    workbook("refused-shared-index.xlsx", sheet('<row r="1"><c r="A1" t="s"><v>1</v></c></row>'),
             shared='<sst><si><t>only</t></si></sst>')
    workbook("refused-shared-not-a-number.xlsx",
             sheet('<row r="1"><c r="A1" t="s"><v>x</v></c></row>'),
             shared='<sst><si><t>only</t></si></sst>')
    # A date style on a serial no date reaches: shown as the number, no undefined behaviour.
    workbook("read-date-huge-serial.xlsx",
             sheet('<row r="1"><c r="A1" s="1"><v>1e300</v></c><c r="B1" s="1"><v>-5</v></c>'
                   '<c r="C1" s="1"><v>nan</v></c></row>'),
             styles='<styleSheet><cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14"/>'
                    '</cellXfs></styleSheet>')
    # As gnumeric writes rich inline strings: blanks between the runs are no text.
    workbook("read-inline-rich.xlsx",
             sheet('<row r="1"><c r="A1" t="inlineStr"><is>\n  <r><rPr><b/></rPr><t>市财预</t></r>'
                   '\n  <r><t xml:space="preserve">〔2026〕1号</t></r>\n  <rPh><t>x</t></rPh>\n'
                   '</is></c></row>'))
    mib8 = 8 << 20
    bomb("refused-bomb-one-cell.xlsx", sheet('<row r="1"><c r="A1"><v>')[:-len("</sheetData></worksheet>")],
         "1", mib8, '</v></c></row></sheetData></worksheet>')
    bomb("refused-bomb-one-attribute.xlsx",
         sheet('')[:-len("</sheetData></worksheet>")] + '<row r="1"><c r="A1" s="', "1", mib8,
         '"><v>1</v></c></row></sheetData></worksheet>')
    bomb("refused-bomb-whitespace.xlsx", sheet('')[:-len("</sheetData></worksheet>")], " ", mib8,
         "</sheetData></worksheet>")
    bomb("refused-bomb-one-row.xlsx", sheet('<row r="1">')[:-len("</sheetData></worksheet>")],
         '<c r="A1"><v>1</v></c>', mib8 // 16, "</row></sheetData></worksheet>")
    bomb("refused-bomb-shared-strings.xlsx", "<sst>", "<si><t>a</t></si>", mib8 // 16, "</sst>",
         part="xl/sharedStrings.xml")


def csv_files():
    out = os.path.join(HERE, "hostile")
    rows = ["预算编码,指标文号,指标金额"] + ["101001001,文%d,%d" % (i, i) for i in range(10)]
    rows[3] = '101001001,市财预"2026"3号,3'
    with open(os.path.join(out, "read-stray-quote.csv"), "wb") as f:
        f.write("\r\n".join(rows).encode("utf-8"))
    with open(os.path.join(out, "refused-unterminated-quote.csv"), "wb") as f:
        f.write('a,b\r\n1,2\r\n"3,4\r\n5,6\r\n'.encode("utf-8"))
    with open(os.path.join(out, "refused-utf8-bad-byte.csv"), "wb") as f:
        f.write("预算编码,指标文号\r\n101001001,文一\r\n101001002,文".encode("utf-8") + b"\xff" +
                "二\r\n101001003,文三\r\n".encode("utf-8"))
    with open(os.path.join(out, "read-utf16le-bom.csv"), "wb") as f:
        f.write("\ufeff预算编码,指标文号\r\n101001001,文一\r\n".encode("utf-16-le"))


if __name__ == "__main__":
    openpyxl_files()
    hostile_files()
    csv_files()
