#include "platform/untException.h"
#include "support/untPrintLayout.h"
#include "support/untTablePrint.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
TPrintMetrics Metrics()
{
    TPrintMetrics m;
    m.PageWidth = 1000;
    m.PageHeight = 600;
    m.CharWidth = 10; // a 10-character column is (10 + 2 · 0.6) · 10 = 112 wide
    m.RowHeight = 20;
    m.HeadHeight = 80;
    m.FootHeight = 20;
    m.FontSize = 9;
    m.MinFontSize = 6;
    return m;
}

QList<TPrintColumn> Columns(int count)
{
    return QList<TPrintColumn>(count, TPrintColumn{10, false});
}

QString PdfText(const QString& path, int page)
{
    QProcess p;
    p.start("pdftotext",
            {"-layout", "-f", QString::number(page), "-l", QString::number(page), path, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& path)
{
    QProcess p;
    p.start("pdfinfo", {path});
    p.waitForFinished(30000);
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

TPrintDocument Document(int rows)
{
    TPrintDocument doc;
    doc.Table.Columns = {{QStringLiteral("编号"), false, 6, "budgid"},
                         {QStringLiteral("单位名称"), false, 20, "ename"},
                         {QStringLiteral("控制金额"), true, 14, "budgmoney"}};
    doc.Table.Rows = rows;
    doc.Table.Text = [rows](int r, int c) {
        if (r == rows - 1)
            return c == 0 ? QStringLiteral("合计") : c == 2 ? QStringLiteral("≈9999") : QString();
        return c == 0   ? QStringLiteral("R%1").arg(r + 1)
               : c == 1 ? QStringLiteral("教育局本级")
                        : QStringLiteral("1234.5");
    };
    doc.KeyColumn = 0;
    doc.LastRowIsTotals = true;
    doc.Texts = {QStringLiteral("2026年预算数 — 教育局"), QStringLiteral("资金性质：一般公共预算"),
                 QStringLiteral("管理员"), "2026-12-07"};
    return doc;
}

int RowsPerPdfPage()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    SetListPageLayout(writer);
    return TTablePainter(Document(1)).Layout(writer).RowsPerPage();
}
} // namespace

TEST(PrintLayout, ColumnsAreScaledToThePageOrSplitWithTheKeyRepeated)
{
    const TPrintLayout fits(Columns(8), 0, 10, Metrics()); // 896 wide
    EXPECT_DOUBLE_EQ(fits.Scale(), 1.0);
    EXPECT_EQ(fits.Groups(), (std::vector<std::vector<int>>{{0, 1, 2, 3, 4, 5, 6, 7}}));

    const TPrintLayout scaled(Columns(10), 0, 10, Metrics()); // 1120: 8 pt stays readable
    ASSERT_EQ(scaled.Groups().size(), 1u);
    EXPECT_NEAR(scaled.Scale(), 1000.0 / 1120, 1e-9);
    EXPECT_NEAR(scaled.FontSize(), 9 * 1000.0 / 1120, 1e-9);

    // 30 columns would need 2.7 pt: split. At 6 pt, 12 columns beside the key fit a page, so
    // three groups; the largest scale that keeps three puts 10 beside the key: 1000 / (11 · 112).
    const TPrintLayout split(Columns(30), 2, 10, Metrics());
    const auto& groups = split.Groups();
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_NEAR(split.Scale(), 1000.0 / (11 * 112), 1e-3);
    EXPECT_LE(split.Scale(), 1000.0 / (11 * 112) + 1e-9);
    std::vector<int> seen;
    for (size_t g = 0; g < groups.size(); ++g) {
        double width = 0;
        for (int c : groups[g])
            width += split.ColumnWidth(c);
        EXPECT_LE(width, 1000 + 1e-6) << g;
        EXPECT_EQ(std::count(groups[g].begin(), groups[g].end(), 2), 1) << g;
        if (g > 0) {
            EXPECT_EQ(groups[g].front(), 2) << g; // the id leads every later group
        }
        for (int c : groups[g])
            if (c != 2)
                seen.push_back(c);
    }
    EXPECT_EQ(groups[0], (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    std::vector<int> all;
    for (int c = 0; c < 30; ++c)
        if (c != 2)
            all.push_back(c);
    EXPECT_EQ(seen, all); // every other column once, in order

    // A column wider than any page gets a group of its own instead of an endless split.
    QList<TPrintColumn> wide = Columns(3);
    wide[1].WidthChars = 500;
    EXPECT_EQ(TPrintLayout(wide, 0, 1, Metrics()).Groups(),
              (std::vector<std::vector<int>>{{0, 1}, {0, 2}}));
}

TEST(PrintLayout, RowsRunDownInBandsPrintedOncePerGroup)
{
    // 600 − 80 − 20 = 500 high: 25 rows of 20, one of them the header.
    const TPrintLayout one(Columns(4), 0, 72, Metrics());
    EXPECT_EQ(one.RowsPerPage(), 24);
    EXPECT_EQ(one.PageCount(), 3);
    EXPECT_EQ(TPrintLayout(Columns(4), 0, 73, Metrics()).PageCount(), 4);
    EXPECT_EQ(TPrintLayout(Columns(4), 0, 0, Metrics()).PageCount(), 1); // the header alone
    const TPrintLayout::Page last = one.PageAt(2);
    EXPECT_EQ(last.FirstRow, 48);
    EXPECT_EQ(last.EndRow, 72);

    // Scaled to 0.8: rows of 16, 31 to a page beside the header.
    const TPrintLayout scaled(Columns(10), 0, 100, [] {
        TPrintMetrics m = Metrics();
        m.PageWidth = 1120 * 0.8;
        return m;
    }());
    EXPECT_EQ(scaled.RowsPerPage(), 30);

    const TPrintLayout split(Columns(30), 2, 50, Metrics());
    ASSERT_EQ(split.Groups().size(), 3u);
    const int perPage = split.RowsPerPage();
    EXPECT_EQ(split.PageCount(), 3 * ((50 + perPage - 1) / perPage));
    const TPrintLayout::Page p4 = split.PageAt(4); // the second band's second group
    EXPECT_EQ(p4.Group, 1);
    EXPECT_EQ(p4.FirstRow, perPage);
    EXPECT_EQ(p4.EndRow, std::min(50, 2 * perPage));
}

TEST(TablePrint, AListOfThreePagesReadsBackWithHeaderAndTotals)
{
    const int perPage = RowsPerPdfPage();
    ASSERT_GT(perPage, 10);
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("KEEP_PDF"));
    const QString path = dir.filePath("list.pdf");
    int told = 0;
    ASSERT_TRUE(PrintTablePdf(TTablePainter(Document(3 * perPage)), path, [&](int done, int all) {
        EXPECT_EQ(all, 3);
        told = done;
        return true;
    }));
    EXPECT_EQ(told, 3);
    ASSERT_EQ(PdfPages(path), 3);
    for (int page = 1; page <= 3; ++page) {
        const QString text = PdfText(path, page);
        EXPECT_TRUE(text.contains(QStringLiteral("2026年预算数 — 教育局"))) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("资金性质：一般公共预算"))) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("单位名称"))) << page; // the header row
        // (pdftotext drops the blanks between Chinese characters)
        EXPECT_TRUE(QString(text).remove(' ').contains(QStringLiteral("第%1页共3页").arg(page)))
            << page;
        EXPECT_TRUE(text.contains(QStringLiteral("制表人：管理员"))) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("R%1 ").arg(perPage * (page - 1) + 1))) << page;
        EXPECT_TRUE(text.contains(QStringLiteral("1,234.50"))) << page; // amounts as shown
        EXPECT_EQ(text.contains(QStringLiteral("合计")), page == 3) << page;
    }
    EXPECT_TRUE(PdfText(path, 3).contains(QStringLiteral("R%1 ").arg(3 * perPage - 1)));
    EXPECT_TRUE(PdfText(path, 3).contains(QStringLiteral("≈9,999.00")));
    EXPECT_FALSE(PdfText(path, 2).contains(QStringLiteral("R%1 ").arg(2 * perPage + 1)));
}

TEST(TablePrint, ACancelledOrFailedPdfLeavesTheOldFileAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("list.pdf");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    const TTablePainter painter(Document(3 * RowsPerPdfPage()));
    EXPECT_FALSE(PrintTablePdf(painter, path, [](int done, int) { return done < 2; }));
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.pdf"});

    try {
        PrintTablePdf(painter, dir.filePath("missing/list.pdf"));
        ADD_FAILURE() << "a missing folder was not refused";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("没有写出文件")))
            << e.Message().toStdString();
    }
}
