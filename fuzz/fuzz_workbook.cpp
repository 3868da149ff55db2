// libFuzzer target: the input as a workbook. An input starting with "PK" is the zip itself;
// any other is the parts' XML separated by lines "#part#" (sheet, shared strings, styles,
// workbook, its relationships), stored in a zip so the mutations reach the XML.
#include "FuzzFile.h"

#include <QList>
#include <cstddef>
#include <cstdint>
#include <zip.h>

namespace
{
const char* const kParts[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml",
                              "xl/workbook.xml", "xl/_rels/workbook.xml.rels"};

const char kWorkbook[] =
    "<workbook xmlns:r=\"r\"><sheets><sheet name=\"s\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
    "</workbook>";
const char kRels[] = "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                     "</Relationships>";

void WriteParts(const QString& path, const QByteArray& input)
{
    QList<QByteArray> texts{QByteArray()};
    for (const QByteArray& line : input.split('\n')) {
        if (line == "#part#")
            texts << QByteArray();
        else
            texts.last() += line + '\n';
    }
    if (texts.size() < 5)
        texts.resize(5);
    if (texts[3].isEmpty())
        texts[3] = kWorkbook;
    if (texts[4].isEmpty())
        texts[4] = kRels;
    int error = 0;
    zip_t* z = zip_open(path.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        qFatal("zip_open %d", error);
    for (int i = 0; i < 5; ++i) {
        if (texts[i].isEmpty() && i > 0)
            continue;
        zip_source_t* s =
            zip_source_buffer(z, texts[i].constData(), zip_uint64_t(texts[i].size()), 0);
        const zip_int64_t index = zip_file_add(z, kParts[i], s, ZIP_FL_OVERWRITE);
        if (index < 0)
            qFatal("zip_file_add");
        zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0)
        qFatal("zip_close");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path = FuzzPath("xlsx");
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (input.startsWith("PK"))
        WriteFuzzFile(path, input);
    else
        WriteParts(path, input);
    ReadFuzzFile(path);
    return 0;
}
