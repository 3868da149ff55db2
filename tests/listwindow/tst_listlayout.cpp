// A column layout file beside the executable that does not fit the list. This test has an
// executable (and so a folder) of its own: the file would reach every list window test.
#include "fixtures/ListFixture.h"
#include "controls/TNextGrid.h"
#include "listwindow/bwnQuindle.h"
#include "listwindow/bwnQuindleList.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

INSTANTIATE_TEST_SUITE_P(Db, ListFixture, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

TEST_P(ListFixture, LayoutFileThatDoesNotFitIsNamedOnce)
{
    const QString path = QCoreApplication::applicationDirPath() + "/ngdBudget.for";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[DTFormatInfo]\nhigh=2\n[strFieldName]\n0=chk\n1=budgid\n2=NumId\n"
               "[xcFieldType]\n0=1\n1=1\n2=1\n[xcFieldDataType]\n0=2\n1=1\n2=1\n"
               "[intFieldLen]\n0=020\n1=080\n2=40\n");
    file.close();
    TbfrmQuindle* w = Open();
    QFile::remove(path);
    ASSERT_EQ(messages->Messages().size(), 1);
    EXPECT_TRUE(messages->Texts()[0].contains("ngdBudget.for"));
    EXPECT_TRUE(messages->Texts()[0].contains(QStringLiteral("已改用内置的列")));
    EXPECT_EQ(w->Controls().ngdBudget->ColumnCount(), 36);
    EXPECT_EQ(Column(w, "budgid"), (QStringList{"1", "5", QStringLiteral("合计")}));
    Choose(w->Controls().cobMid, 0);
    EXPECT_EQ(messages->Messages().size(), 1); // once
}

// The built-in columns with one moved onto another's place (a column shown twice, 编号 not at
// all), or 编号 swapped with the numbered column: the actions need the ids where they read them.
TEST_P(ListFixture, LayoutFileShowingAFieldTwiceOrNumberedIsRefused)
{
    const QString path = QCoreApplication::applicationDirPath() + "/ngdBudget.for";
    const QList<TGridFieldDef> defs = ListColumnDefinitions(QStringLiteral("0"));
    int id = 0, numbers = 0;
    for (int i = 0; i < defs.size(); ++i) {
        id = defs[i].strFieldName == "budgid" ? i : id;
        numbers = defs[i].strFieldName == "NumId" ? i : numbers;
    }
    const std::function<int(int)> orders[] = {[](int i) { return i == 9 ? 1 : i; },
                                              [&](int i) {
                                                  return i == id ? numbers : i == numbers ? id : i;
                                              }};
    for (const auto& order : orders) {
        QByteArray ini = "[DTFormatInfo]\nhigh=" + QByteArray::number(defs.size() - 1) + "\n";
        const auto section = [&](const char* name, const auto& value) {
            ini += QByteArray("[") + name + "]\n";
            for (int i = 0; i < defs.size(); ++i)
                ini += QByteArray::number(i) + "=" + value(defs[i], i) + "\n";
        };
        section("strFieldName",
                [](const TGridFieldDef& d, int) { return d.strFieldName.toUtf8(); });
        section("xcFieldType",
                [](const TGridFieldDef& d, int) { return QByteArray::number(d.xcFieldType); });
        section("xcFieldDataType",
                [](const TGridFieldDef& d, int) { return QByteArray::number(d.xcFieldDataType); });
        section("intOrder",
                [&](const TGridFieldDef&, int i) { return QByteArray::number(order(i)); });
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        messages->Clear();
        TbfrmQuindle* w = Open();
        QFile::remove(path);
        ASSERT_EQ(messages->Messages().size(), 1);
        EXPECT_TRUE(messages->Texts()[0].contains(QStringLiteral("已改用内置的列")));
        EXPECT_EQ(Column(w, "budgid"), (QStringList{"1", "5", QStringLiteral("合计")}));
        CloseWindow(w);
    }
}
