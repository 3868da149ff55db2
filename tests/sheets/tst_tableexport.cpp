#include "fixtures/SheetReader.h"
#include "platform/untException.h"
#include "platform/untFileGuard.h"
#include "sheets/untSheetReader.h"
#include "sheets/untSheetWriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace
{
// Codes with leading zeros, texts that CSV and XML must carry, exact and inexact amounts.
const QStringList kTexts[] = {
    {"001", "a, \"quoted\" name", "12.5"},
    {"0100", QStringLiteral("第一行\n第二行"), "-3.2500"},
    {"x\x01y", "", ""},
    {QStringLiteral("合计"), "", QStringLiteral("≈9.25")},
};

TExportTable Table(int rows = 4)
{
    TExportTable t;
    t.Columns = {{QStringLiteral("预算编码"), false, 12, {}},
                 {QStringLiteral("名称"), false, 30, {}},
                 {QStringLiteral("金额"), true, 16, {}}};
    t.Rows = rows;
    t.Text = [](int r, int c) { return kTexts[r % 4][c]; };
    t.Amount = [](int r, int c) -> std::optional<Currency> {
        const QString text = kTexts[r % 4][c];
        return text.isEmpty() ? std::nullopt : Currency::FromText(text);
    };
    return t;
}
} // namespace

TEST(TableExport, WorkbookKeepsCodesAsTextAmountsAsNumbersAndFreezesTheHeader)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list.xlsx");
    ASSERT_TRUE(ExportTable(Table(), path, QStringLiteral("2026年预算数[1]")));
    const SheetRows rows = ReadSheet(path);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0][0].Text, QStringLiteral("预算编码"));
    EXPECT_EQ(rows[1][0].Text, "001");
    EXPECT_FALSE(rows[1][0].Number);
    EXPECT_EQ(rows[1][1].Text, "a, \"quoted\" name");
    EXPECT_TRUE(rows[1][2].Number);
    EXPECT_EQ(rows[1][2].Text, "12.5");
    EXPECT_EQ(rows[2][1].Text, QStringLiteral("第一行\n第二行"));
    EXPECT_EQ(rows[2][2].Text, "-3.25");
    EXPECT_EQ(rows[3][0].Text, "x y"); // a control character XML cannot carry
    EXPECT_FALSE(rows[4][2].Number);   // a sum that is not exact stays as shown
    EXPECT_EQ(rows[4][2].Text, QStringLiteral("≈9.25"));
    const QByteArray sheet = WorkbookPart(path, "xl/worksheets/sheet1.xml");
    EXPECT_TRUE(sheet.contains("state=\"frozen\"")) << sheet.left(600).constData();
    EXPECT_TRUE(WorkbookPart(path, "xl/styles.xml").contains("#,##0.00"));
    EXPECT_TRUE(WorkbookPart(path, "xl/workbook.xml").contains("name=\"2026年预算数1\""));

    // A column without a caption (the cells beyond a file's headers) keeps the captions after
    // it in their own columns.
    TExportTable gap = Table(1);
    gap.Columns[1].Caption.clear();
    ASSERT_TRUE(ExportTable(gap, path, QStringLiteral("s")));
    const SheetRows header = ReadSheet(path);
    ASSERT_EQ(header[0].size(), 3);
    EXPECT_EQ(header[0][1].Text, QString());
    EXPECT_EQ(header[0][2].Text, QStringLiteral("金额"));
}

// Another program reads the workbook as written: a zip it accepts, text codes, number amounts.
TEST(TableExport, WorkbookReadsInAnIndependentReader)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list.xlsx");
    ASSERT_TRUE(ExportTable(Table(), path, QStringLiteral("2026年预算数")));
    QProcess python;
    python.start("/usr/bin/python3", {"-c",
                                      "import sys, openpyxl\n"
                                      "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
                                      "print(ws.title, ws.freeze_panes, ws['C2'].number_format)\n"
                                      "for row in ws.iter_rows(values_only=True): print(repr(row))",
                                      path});
    ASSERT_TRUE(python.waitForFinished(60000));
    const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split('\n');
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().constData();
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("2026年预算数 A2 #,##0.00"));
    EXPECT_EQ(lines[1], QStringLiteral("('预算编码', '名称', '金额')"));
    EXPECT_EQ(lines[2], QStringLiteral("('001', 'a, \"quoted\" name', 12.5)"));
    EXPECT_EQ(lines[3], QStringLiteral("('0100', '第一行\\n第二行', -3.25)"));
    EXPECT_EQ(lines[5], QStringLiteral("('合计', None, '≈9.25')"));

    // Blanks at either end are kept; a cell longer than a workbook takes is cut to its limit.
    TExportTable edges;
    edges.Columns = {{QStringLiteral("文本"), false, 12}};
    edges.Rows = 3;
    edges.Text = [](int r, int) {
        return r == 0   ? QStringLiteral(" 前")
               : r == 1 ? QStringLiteral("后 ")
                        : QString(40000, u'x');
    };
    edges.Amount = [](int, int) { return std::optional<Currency>(); };
    ASSERT_TRUE(ExportTable(edges, path, QStringLiteral("s")));
    python.start("/usr/bin/python3",
                 {"-c",
                  "import sys, openpyxl\n"
                  "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
                  "print(repr(ws['A2'].value), repr(ws['A3'].value), len(ws['A4'].value))",
                  path});
    ASSERT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(python.readAllStandardOutput()).trimmed(),
              QStringLiteral("' 前' '后 ' 32767"));

    // Counts and shares are numbers with their formats; a share that has none stays as shown.
    TExportTable numbers;
    numbers.Columns = {{QStringLiteral("笔数"), false, 10, {}, TExportNumber::Count},
                       {QStringLiteral("占比"), false, 10, {}, TExportNumber::Share}};
    numbers.Rows = 2;
    numbers.Text = [](int r, int c) {
        return c == 0 ? QString::number(1234567 * (1 - r)) : r ? QStringLiteral("—") : "12.35%";
    };
    numbers.Amount = [](int, int) { return std::optional<Currency>(); };
    numbers.Number = [](int r, int c) -> std::optional<double> {
        if (r == 1 && c == 1)
            return std::nullopt;
        return c == 0 ? 1234567.0 * (1 - r) : 0.123456;
    };
    ASSERT_TRUE(ExportTable(numbers, path, QStringLiteral("s")));
    python.start("/usr/bin/python3", {"-c",
                                      "import sys, openpyxl\n"
                                      "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
                                      "for c in ('A2', 'B2', 'A3', 'B3'):\n"
                                      "  print(repr(ws[c].value), ws[c].number_format)",
                                      path});
    ASSERT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
              (QStringList{"1234567 #,##0", "0.123456 0.00%", "0 #,##0", "'—' @"}));
}

TEST(TableExport, CsvIsUtf8WithBomAndQuotesWhatNeedsIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list.CSV");
    ASSERT_TRUE(ExportTable(Table(), path, QString()));
    bool bom = false;
    const QList<QStringList> rows = ReadCsv(path, &bom);
    EXPECT_TRUE(bom);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0], (QStringList{QStringLiteral("预算编码"), QStringLiteral("名称"),
                                    QStringLiteral("金额")}));
    EXPECT_EQ(rows[1], (QStringList{"001", "a, \"quoted\" name", "12.5"}));
    EXPECT_EQ(rows[2], (QStringList{"0100", QStringLiteral("第一行\n第二行"), "-3.25"}));
    EXPECT_EQ(rows[4][2], QStringLiteral("≈9.25"));
}

TEST(TableExport, CancelOrFailureLeavesAnOldFileAsItWas)
{
    QTemporaryDir dir;
    for (const char* name : {"big.xlsx", "big.csv"}) {
        const QString path = dir.filePath(name);
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        const auto content = [&] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(gone)");
        };
        int calls = 0;
        EXPECT_FALSE(ExportTable(Table(20000), path, "s", [&](int, int) { return ++calls < 3; }))
            << name;
        EXPECT_EQ(content(), "old") << name;
        TExportTable failing = Table(20000);
        failing.Text = [](int r, int c) {
            if (r == 9000)
                throw Exception("cell cannot be read");
            return kTexts[r % 4][c];
        };
        EXPECT_THROW(ExportTable(failing, path, "s"), Exception) << name;
        EXPECT_EQ(content(), "old") << name;
        ASSERT_TRUE(ExportTable(Table(), path, "s"));
        EXPECT_NE(content(), "old") << name;
    }
    // Nothing of the attempts is left beside them.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"big.csv", "big.xlsx"}));
    EXPECT_THROW(ExportTable(Table(), dir.filePath("no/such/folder/a.csv"), "s"), Exception);
    EXPECT_THROW(ExportTable(Table(), dir.filePath("no/such/folder/a.xlsx"), "s"), Exception);
    try {
        ExportTable(Table(1048576), dir.filePath("rows.xlsx"), "s");
        ADD_FAILURE() << "a sheet cannot hold that many rows";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains("CSV")) << e.Message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("rows.xlsx")));
}

namespace
{
QString RefusalOf(const QString& path, int rows = 4)
{
    try {
        ExportTable(Table(rows), path, "s");
    } catch (const Exception& e) {
        return e.Message();
    }
    return QStringLiteral("(written)");
}
} // namespace

// A pipe would block the writer, an open database's file would be replaced under SQLite: both
// are refused before anything is written. A write that fails names its cause, not the library's
// code (a file size limit fails the writes as a full disk does).
TEST(TableExport, RefusesWhatIsNoFileAndNamesTheCauseOfAFailedWrite)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_TRUE(RefusalOf(pipe).contains(QStringLiteral("不是普通文件")))
        << RefusalOf(pipe).toStdString();
    const QString db = dir.filePath("data.db");
    ProtectDatabaseFiles(db);
    for (const char* suffix : {"", "-wal", "-shm"})
        EXPECT_TRUE(RefusalOf(db + suffix + ".xlsx").contains("(written)") &&
                    RefusalOf(db + suffix).contains(QStringLiteral("数据库文件")))
            << suffix;
    ReleaseDatabaseFiles(db);
    EXPECT_TRUE(RefusalOf("/proc/exp.csv").contains(QStringLiteral("虚拟")));

    struct rlimit saved {
    };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString csv = RefusalOf(dir.filePath("large.csv"), 20000);
    const QString xlsx = RefusalOf(dir.filePath("large.xlsx"), 20000);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    EXPECT_TRUE(csv.contains(QStringLiteral("文件超过了系统允许的大小"))) << csv.toStdString();
    EXPECT_TRUE(xlsx.contains(QStringLiteral("文件超过了系统允许的大小"))) << xlsx.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("large.csv")));
    // An old file of that name is said to be kept only where there was one.
    EXPECT_FALSE(csv.contains(QStringLiteral("原有文件"))) << csv.toStdString();
    EXPECT_TRUE(RefusalOf(pipe).contains(QStringLiteral("同名的原有文件保持不变")));
}

// Text a spreadsheet would run as a formula is written as text, and the import reads it back
// as it was; amounts keep their sign.
TEST(TableExport, FormulaLikeTextStaysTextAndReadsBack)
{
    const QStringList texts = {"=1+1", "+SUM(1,2)", "-2+3", "@cmd|' /C calc'!A0",
                               "\tx",  "\rx",       "'=x",  "''@x",
                               "a=b",  "'a",        "-",    ""};
    TExportTable t;
    t.Columns = {{QStringLiteral("文号"), false, 12, {}}, {QStringLiteral("金额"), true, 12, {}}};
    t.Rows = int(texts.size());
    t.Text = [&](int r, int c) { return c == 0 ? texts[r] : QString(); };
    t.Amount = [](int, int) { return std::optional<Currency>(Currency::FromRaw(-50000)); };
    QTemporaryDir dir;
    for (const char* name : {"f.csv", "f.xlsx"}) {
        const QString path = dir.filePath(name);
        ASSERT_TRUE(ExportTable(t, path, "s"));
        QStringList back;
        ReadSheetFile(path, QString(), [&](int, const QStringList& row) {
            back << row.value(0);
            EXPECT_EQ(row.value(1), back.size() == 1 ? QStringLiteral("金额") : "-5") << name;
            return true;
        });
        // (A workbook carries a carriage return as _x000D_, which its reader keeps as it is.)
        if (QString(name).endsWith("xlsx") && back.contains("_x000D_x"))
            back.replace(back.indexOf("_x000D_x"), "\rx");
        EXPECT_EQ(back.mid(1), texts) << name;
    }
    const QList<QStringList> csv = ReadCsv(dir.filePath("f.csv"));
    QStringList onDisk;
    for (const QStringList& row : csv.mid(1))
        onDisk << row.value(0);
    EXPECT_EQ(onDisk, (QStringList{"'=1+1", "'+SUM(1,2)", "'-2+3", "'@cmd|' /C calc'!A0", "'\tx",
                                   "'\rx", "''=x", "'''@x", "a=b", "'a", "'-", ""}));
    // A workbook cell is a string, never a formula.
    const QByteArray sheet = WorkbookPart(dir.filePath("f.xlsx"), "xl/worksheets/sheet1.xml");
    EXPECT_FALSE(sheet.contains("<f>"));
    EXPECT_TRUE(sheet.contains("<t>=1+1</t>")) << sheet.constData();
}
