#include "fixtures/SheetReader.h"
#include "platform/untCodePage.h"
#include "platform/untCurrency.h"
#include "platform/untException.h"
#include "platform/untFileGuard.h"
#include "sheets/untSheetReader.h"
#include "sheets/untSheetWriter.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <xlsxwriter.h>

namespace
{
QList<QStringList> ReadAll(const QString& path, const QString& sheet = {})
{
    QList<QStringList> rows;
    ReadSheetFile(path, sheet, [&](int, const QStringList& r) {
        rows << r;
        return true;
    });
    return rows;
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

TEST(SheetReader, WorkbookWithSharedStringsDatesGapsAndASecondSheet)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("book.xlsx");
    // Written the ordinary way (shared strings), not in the exporter's streaming mode.
    lxw_workbook* wb = workbook_new(path.toUtf8().constData());
    lxw_worksheet* first = workbook_add_worksheet(wb, "指标");
    lxw_worksheet* second = workbook_add_worksheet(wb, "other");
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy\"年\"m\"月\"d\"日\"");
    worksheet_write_string(first, 0, 0, "预算编码", nullptr);
    worksheet_write_string(first, 0, 2, "金额", nullptr);
    worksheet_write_string(first, 1, 0, "001", nullptr);
    worksheet_write_string(first, 1, 1, "a, \"b\"\nc", nullptr);
    worksheet_write_number(first, 1, 2, 1234567.125, nullptr);
    worksheet_write_number(first, 1, 3, 1e-5, nullptr);
    worksheet_write_number(first, 1, 4, 46023, date); // 2026-01-01
    worksheet_write_string(second, 0, 0, "x", nullptr);
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);

    EXPECT_EQ(WorkbookSheets(path), (QStringList{QStringLiteral("指标"), "other"}));
    const QList<QStringList> rows = ReadAll(path);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], (QStringList{QStringLiteral("预算编码"), "", QStringLiteral("金额")}));
    EXPECT_EQ(rows[1], (QStringList{"001", "a, \"b\"\nc", "1234567.125", "0.00001", "2026-01-01"}));
    EXPECT_EQ(ReadAll(path, "other"), (QList<QStringList>{{"x"}}));
    try {
        ReadAll(path, "none");
        ADD_FAILURE() << "a sheet that is not there was read";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("没有名为“none”的工作表")));
    }
}

TEST(SheetReader, TheExportReadsBack)
{
    QTemporaryDir dir;
    TExportTable t;
    t.Columns = {{"code", false, 10, {}}, {"amount", true, 10, {}}};
    t.Rows = 3000;
    t.Text = [](int r, int c) { return c == 0 ? QString("%1").arg(r, 6, 10, QChar('0')) : ""; };
    t.Amount = [](int r, int) { return std::optional<Currency>(Currency::FromRaw(r * 12345)); };
    for (const char* name : {"e.xlsx", "e.csv"}) {
        const QString path = dir.filePath(name);
        ASSERT_TRUE(ExportTable(t, path, "s"));
        const QList<QStringList> rows = ReadAll(path);
        ASSERT_EQ(rows.size(), 3001) << name;
        EXPECT_EQ(rows[2999], (QStringList{"002998", "3701.031"})) << name; // 2998 × 1.2345
        // Every amount, also those the workbook's number filter met split between two writes.
        int exact = 0;
        for (int r = 0; r < 3000; ++r)
            exact += rows[r + 1].value(1) == Currency::FromRaw(r * 12345).ToSqlText();
        EXPECT_EQ(exact, 3000) << name;
        // The workbook's amounts have their own digits, not 16 of a double.
        const QString sheet = QString::fromUtf8(WorkbookPart(path, "xl/worksheets/sheet1.xml"));
        EXPECT_FALSE(sheet.contains(QRegularExpression("<v>[0-9]+\\.[0-9]{5,}</v>"))) << name;
    }
}

TEST(SheetReader, CsvInUtf8OrGbkWithQuotedLineBreaks)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("编码,名称\r\n001,\"甲,\"\"乙\"\"\n丙\"\n002,丁");
    for (const auto& [name, bytes] :
         {std::pair{"bom.csv", QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
          std::pair{"plain.csv", text.toUtf8()}, std::pair{"gbk.csv", ToCp936(text)}}) {
        const QString path = dir.filePath(name);
        Write(path, bytes);
        const QList<QStringList> rows = ReadAll(path);
        ASSERT_EQ(rows.size(), 3) << name;
        EXPECT_EQ(rows[1], (QStringList{"001", QStringLiteral("甲,\"乙\"\n丙")})) << name;
        EXPECT_EQ(rows[2], (QStringList{"002", QStringLiteral("丁")})) << name;
    }
}

TEST(SheetReader, BrokenFilesGiveAClearMessage)
{
    QTemporaryDir dir;
    TExportTable t;
    t.Columns = {{"code", false, 10, {}}};
    t.Rows = 20000;
    t.Text = [](int r, int) { return QString::number(r); };
    t.Amount = [](int, int) { return std::optional<Currency>(); };
    const QString good = dir.filePath("good.xlsx");
    ASSERT_TRUE(ExportTable(t, good, "s"));
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    Write(dir.filePath("cut.xlsx"), bytes.left(bytes.size() / 2));
    Write(dir.filePath("text.xlsx"), "just text");
    Write(dir.filePath("open.csv"), "a,\"b");
    for (const char* name : {"cut.xlsx", "text.xlsx", "missing.xlsx", "open.csv"}) {
        try {
            ReadAll(dir.filePath(name));
            ADD_FAILURE() << name << " was read";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message().contains(name)) << e.Message().toStdString();
        }
    }
}

namespace
{
const QString kData = QStringLiteral(VW_TEST_DATA);

// Rows with their numbers.
QList<std::pair<int, QStringList>> Numbered(const QString& path, const TSheetLimits& limits = {})
{
    QList<std::pair<int, QStringList>> rows;
    ReadSheetFile(
        path, {},
        [&](int n, const QStringList& r) {
            rows.append({n, r});
            return true;
        },
        limits);
    return rows;
}

QString Refusal(const QString& path, const TSheetLimits& limits = {})
{
    try {
        Numbered(path, limits);
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(QDir::toNativeSeparators(path)))
            << e.Message().toStdString();
        return e.Message();
    }
    ADD_FAILURE() << path.toStdString() << " was read";
    return {};
}
} // namespace

TEST(SheetReader, OpenpyxlWorkbookKeepsRowNumbersCellPlacesAndShownValues)
{
    const QString path = kData + "/openpyxl/gaps-hidden-first.xlsx";
    int first = -1;
    EXPECT_EQ(WorkbookSheets(path, &first),
              (QStringList{QStringLiteral("说明"), QStringLiteral("指标")}));
    EXPECT_EQ(first, 1); // the first sheet is hidden
    const auto rows = Numbered(path);
    ASSERT_EQ(rows.size(), 4);
    QList<int> numbers;
    for (const auto& r : rows)
        numbers << r.first;
    EXPECT_EQ(numbers, (QList<int>{3, 4, 7, 9}));
    EXPECT_EQ(rows[1].second, (QStringList{"101001001", "2050202", "1101001000001", "11", "21",
                                           "12", "1234.5", QStringLiteral("文1"), "2026-01-01"}));
    EXPECT_EQ(rows[2].second[2], "0100000000001"); // shown with the format's zeros
    EXPECT_EQ(rows[2].second[7], "");
    EXPECT_EQ(rows[2].second[8], "1900-01-15"); // before the 1900 leap day
    EXPECT_EQ(rows[3].second.size(), 11);       // K9
    EXPECT_EQ(rows[3].second[10], "far");

    EXPECT_EQ(Numbered(kData + "/openpyxl/date1904.xlsx").value(0).second,
              QStringList{"2026-01-01"});
    EXPECT_TRUE(Refusal(kData + "/openpyxl/formula-without-value.xlsx").contains("B1"));
}

TEST(SheetReader, HostileFilesAreRefusedOrReadNeverCrash)
{
    // Small limits, so the bombs are refused at a few megabytes.
    TSheetLimits small;
    small.InflateBase = 1 << 20;
    small.PieceBytes = 256 << 10;
    small.SharedBytes = 1 << 20;
    const QDir dir(kData + "/hostile");
    const QStringList names = dir.entryList(QDir::Files);
    ASSERT_GE(names.size(), 19);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        if (name.startsWith("refused-"))
            Refusal(path, small);
        else
            EXPECT_NO_THROW(Numbered(path, small)) << name.toStdString();
    }
    EXPECT_EQ(Numbered(dir.filePath("read-date-huge-serial.xlsx")).value(0).second,
              (QStringList{PlainNumberText(1e300), "-5", "nan"}));
    EXPECT_EQ(Numbered(dir.filePath("read-inline-rich.xlsx")).value(0).second,
              QStringList{QStringLiteral("市财预〔2026〕1号")});
    EXPECT_EQ(Numbered(dir.filePath("read-pretty-printed.xlsx")).value(0).second,
              QStringList{"abc"});
    EXPECT_TRUE(Refusal(dir.filePath("refused-column-FXSHRXW2.xlsx")).contains("FXSHRXW2"));
    EXPECT_TRUE(Refusal(dir.filePath("refused-shared-index.xlsx")).contains("A1"));

    // A refusal names its cell as a spreadsheet program shows it.
    QTemporaryDir tmp;
    const QString wide = tmp.filePath("wide.xlsx");
    lxw_workbook* wb = workbook_new(wide.toUtf8().constData());
    lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
    worksheet_write_number(ws, 0, 24, 1, nullptr);
    worksheet_write_number(ws, 0, 25, 1234567, nullptr);
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
    TSheetLimits narrow;
    narrow.CellChars = 4;
    const QString named = Refusal(wide, narrow);
    EXPECT_TRUE(named.contains(QStringLiteral("单元格Z1超过4个字符"))) << named.toStdString();

    // What a sheet may inflate to grows with the cells it yields: 1,000 rows of 100 one-digit
    // cells are read; as many blank cells are a bomb.
    const auto grid = [&](const char* name, bool blank) {
        const QString path = tmp.filePath(name);
        lxw_workbook* book = workbook_new(path.toUtf8().constData());
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        lxw_format* format = workbook_add_format(book);
        for (int r = 0; r < 1000; ++r)
            for (int c = 0; c < 100; ++c)
                blank ? worksheet_write_blank(sheet, r, c, format)
                      : worksheet_write_number(sheet, r, c, 1, nullptr);
        EXPECT_EQ(workbook_close(book), LXW_NO_ERROR);
        return path;
    };
    EXPECT_EQ(Numbered(grid("dense.xlsx", false), small).size(), 1000);
    EXPECT_TRUE(Refusal(grid("blank.xlsx", true), small).contains(QStringLiteral("解压后已超过")));
}

TEST(SheetReader, CsvQuotesEncodingsAndLines)
{
    const QDir dir(kData + "/hostile");
    // A quote inside an unquoted cell is a character: ten rows stay ten.
    const auto stray = Numbered(dir.filePath("read-stray-quote.csv"));
    ASSERT_EQ(stray.size(), 11);
    EXPECT_EQ(stray[3].second[1], QStringLiteral("市财预\"2026\"3号"));
    EXPECT_EQ(stray[10].first, 11);
    EXPECT_TRUE(
        Refusal(dir.filePath("refused-unterminated-quote.csv")).contains(QStringLiteral("第3行")));
    // One bad byte in a UTF-8 file: named with its line, not read as GBK.
    EXPECT_TRUE(
        Refusal(dir.filePath("refused-utf8-bad-byte.csv")).contains(QStringLiteral("第3行")));
    EXPECT_EQ(Numbered(dir.filePath("read-utf16le-bom.csv")).value(1).second,
              (QStringList{"101001001", QStringLiteral("文一")}));

    QTemporaryDir tmp;
    const QString be = tmp.filePath("be.csv");
    Write(be,
          QByteArray("\xFE\xFF") + QByteArray::fromRawData("\0a\0,\0b\0\r\0\n\0\"\0\n\0\"", 16));
    const auto rows = Numbered(be);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].second, QStringList{"\n"});
    // Records are counted, a quoted line break inside one; the old Mac line end too.
    const QString records = tmp.filePath("records.csv");
    Write(records, "h\r\"a\nb\",c\r\n\r\nlast");
    QList<int> numbers;
    for (const auto& r : Numbered(records))
        numbers << r.first;
    EXPECT_EQ(numbers, (QList<int>{1, 2, 3, 4}));
    TSheetLimits narrow;
    narrow.CellChars = 4;
    Write(records, "a,b\n1234,12345\n");
    EXPECT_TRUE(Refusal(records, narrow).contains(QStringLiteral("第2行有单元格超过4个字符")));

    // UTF-8 is checked character by character: the first and last of each length are read (two
    // characters alone are enough to tell UTF-8); an overlong form, a surrogate, a code point
    // past U+10FFFF and a character cut short are refused.
    const QString utf8 = tmp.filePath("utf8.csv");
    Write(utf8, "文一\n");
    EXPECT_EQ(ReadAll(utf8), (QList<QStringList>{{QStringLiteral("文一")}}));
    const QByteArray bounds = "\xC2\x80,\xDF\xBF,\xE0\xA0\x80,\xED\x9F\xBF,\xEE\x80\x80,"
                              "\xEF\xBF\xBF,\xF0\x90\x80\x80,\xF4\x8F\xBF\xBF";
    Write(utf8, "预算编码\n" + bounds + "\n");
    EXPECT_EQ(ReadAll(utf8).value(1), QString::fromUtf8(bounds).split(','));
    for (const char* bad :
         {"\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE6\x96,"}) {
        Write(utf8, QByteArray("预算编码,文号\n文一,文二\n文三,") + bad + "\n");
        const QString why = Refusal(utf8); // with the line and the byte the character starts at
        EXPECT_TRUE(why.contains(QStringLiteral("第3行")) &&
                    why.contains("（0x" + QByteArray(bad).left(1).toHex() + "）"))
            << why.toStdString();
    }
}

// Refused before they are opened: reading a pipe or a system file blocks for good, and closing a
// descriptor of an open database's file drops SQLite's locks on it.
TEST(SheetReader, WhatIsNoRegularFileIsNeverOpened)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.xlsx"));
    const QString db = dir.filePath("data.db");
    Write(db + "-wal", "a,b\n");
    ProtectDatabaseFiles(db);
    const std::pair<QString, QString> cases[] = {
        {pipe, QStringLiteral("不是普通文件")},
        {dir.filePath("folder.xlsx"), QStringLiteral("文件夹")},
        {db + "-wal", QStringLiteral("数据库文件")},
        {"/proc/self/status", QStringLiteral("虚拟")},
    };
    for (const auto& [path, why] : cases) {
        try {
            ReadAll(path);
            ADD_FAILURE() << path.toStdString() << " was read";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message().contains(why)) << e.Message().toStdString();
        }
    }
    ReleaseDatabaseFiles(db);
}
