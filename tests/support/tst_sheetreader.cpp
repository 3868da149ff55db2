#include "fixtures/SheetReader.h"
#include "platform/untCodePage.h"
#include "platform/untException.h"
#include "support/untSheetReader.h"
#include "support/untTableExport.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <xlsxwriter.h>

namespace
{
QList<QStringList> ReadAll(const QString& path, const QString& sheet = {})
{
    QList<QStringList> rows;
    ReadSheetFile(path, sheet, [&](const QStringList& r) {
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
    EXPECT_THROW(ReadAll(path, "none"), Exception);
}

TEST(SheetReader, TheExportReadsBack)
{
    QTemporaryDir dir;
    TExportTable t;
    t.Columns = {{"code", false, 10}, {"amount", true, 10}};
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
    t.Columns = {{"code", false, 10}};
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
