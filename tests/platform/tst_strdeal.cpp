#include "platform/gunStrDeal.h"
#include "platform/untCodePage.h"

#include <gtest/gtest.h>

TEST(StrDeal, RightTextCountsBytes)
{
    EXPECT_EQ(RightText(QByteArray("abc"), 5), "abc");
    EXPECT_EQ(RightText(QByteArray(), 2), "");
    EXPECT_EQ(RightText(QByteArray("abcdef"), 2), "ef");
    EXPECT_EQ(RightText(QStringLiteral("文号１"), 2), QStringLiteral("１"));
}

TEST(StrDeal, CheckInputCharsScansEveryByte)
{
    QString bad;
    EXPECT_FALSE(CheckInputChars(QStringLiteral("a/b"), bad));
    EXPECT_EQ(bad, "/");
    EXPECT_TRUE(CheckInputChars(QStringLiteral("12345.67"), bad));
    EXPECT_TRUE(bad.isEmpty());
    EXPECT_FALSE(CheckInputChars(QStringLiteral("x^y#"), bad));
    EXPECT_EQ(bad, "^");
    EXPECT_TRUE(CheckInputChars(QStringLiteral("预算指标"), bad));
    // A Chinese character whose second byte is the at sign is refused too.
    EXPECT_EQ(ToCp936(QStringLiteral("丂")).toHex(), "8140");
    EXPECT_FALSE(CheckInputChars(QStringLiteral("丂"), bad));
    EXPECT_EQ(bad, "@");
    for (const char* c : {"#", "&", "'", "*", "/", "@", "\\", "^"})
        EXPECT_FALSE(CheckInputChars(QString("ab") + c, bad)) << c;
}

TEST(StrDeal, FullToHalfFirstMatchWins)
{
    QString half;
    EXPECT_TRUE(FullToHalf(QStringLiteral("１"), half));
    EXPECT_EQ(half, "1");
    EXPECT_TRUE(FullToHalf(QStringLiteral("￥"), half));
    EXPECT_EQ(half, "$");
    EXPECT_TRUE(FullToHalf(QStringLiteral("＄"), half));
    EXPECT_EQ(half, "$");
    EXPECT_TRUE(FullToHalf(QStringLiteral("【"), half));
    EXPECT_EQ(half, "[");
    EXPECT_TRUE(FullToHalf(QStringLiteral("］"), half));
    EXPECT_EQ(half, "]");
    EXPECT_TRUE(FullToHalf(QStringLiteral("。"), half));
    EXPECT_EQ(half, ".");
    EXPECT_TRUE(FullToHalf(QStringLiteral("＇"), half));
    EXPECT_EQ(half, "'");
    EXPECT_TRUE(FullToHalf(QStringLiteral("Ｚ"), half));
    EXPECT_EQ(half, "Z");
    EXPECT_FALSE(FullToHalf(QStringLiteral("ab"), half));
    EXPECT_FALSE(FullToHalf(QStringLiteral("中"), half));
    EXPECT_TRUE(FullToHalf(QString(), half));
    EXPECT_EQ(half, "");
    EXPECT_EQ(FoldLastFullWidth(QStringLiteral("财预〔2024〕１")), QStringLiteral("财预〔2024〕1"));
    EXPECT_EQ(FoldLastFullWidth(QStringLiteral("财预")), QStringLiteral("财预"));
}

TEST(StrDeal, ConvertMoneyUnit)
{
    EXPECT_DOUBLE_EQ(ConvertMoneyUnit(0, 1, 500), 0.05);
    EXPECT_DOUBLE_EQ(ConvertMoneyUnit(1, 0, 0.05), 500);
    EXPECT_DOUBLE_EQ(ConvertMoneyUnit(1, 1, 7), 7);
}
