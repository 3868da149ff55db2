#include "platform/untException.h"
#include "store/untColumnStore.h"

#include <QDate>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

TEST(Currency, ExactTextAndRounding)
{
    EXPECT_EQ(Currency::FromText("100")->ToSqlText(), "100");
    EXPECT_EQ(Currency::FromText("12.5")->ToSqlText(), "12.5");
    EXPECT_EQ(Currency::FromText("-3.25")->ToSqlText(), "-3.25");
    EXPECT_EQ(Currency::FromText("0.0000")->ToSqlText(), "0");
    EXPECT_EQ(Currency::FromText("12.50000")->Raw(), 125000);
    EXPECT_FALSE(Currency::FromText("12.00001"));
    EXPECT_FALSE(Currency::FromText("1e3"));
    EXPECT_FALSE(Currency::FromText(""));
    EXPECT_FALSE(Currency::FromText("-"));
    EXPECT_FALSE(Currency::FromText("99999999999999999999"));
    EXPECT_EQ(Currency::FromDouble(0.00005).Raw(), 0); // half to even
    EXPECT_EQ(Currency::FromDouble(0.00025).Raw(), 2);
    EXPECT_EQ(Currency::FromDouble(-0.00025).Raw(), -2);
    EXPECT_EQ(Currency::FromDouble(-1234.5678).ToSqlText(), "-1234.5678");
    EXPECT_EQ(Currency::FromText("1234567.005")->Format2(), "1,234,567.01");
    EXPECT_EQ(Currency::FromText("-0.004")->Format2(), "0.00");
    EXPECT_EQ(Currency::FromText("-1000")->Format2(), "-1,000.00");
    EXPECT_EQ(Currency::FromText("-1234567.005")->FormatExact(), "-1,234,567.005");
    EXPECT_EQ(Currency::FromText("-0.0051")->FormatExact(), "-0.0051");
    EXPECT_EQ(Currency::FromText("100")->FormatExact(), "100.00");
    EXPECT_THROW(Currency::FromDouble(1e16), Exception); // never a wrapped value
    // A database's UTF-8 text reads as the same text does; typed text may have wide blanks.
    for (const char* text : {" 12.5\t", "-0.0001", "1e3", "12.00001", "", "99999999999999999999"}) {
        const auto fromText = Currency::FromText(QString::fromUtf8(text));
        const auto fromUtf8 = Currency::FromUtf8(text);
        EXPECT_EQ(fromUtf8.has_value(), fromText.has_value()) << text;
        if (fromText && fromUtf8) {
            EXPECT_EQ(fromUtf8->Raw(), fromText->Raw()) << text;
        }
    }
    EXPECT_TRUE(Currency::FromText(QStringLiteral("\u3000"
                                                  "5")));
}

TEST(Currency, LimitsAreRefusedNeverWrapped)
{
    // What 64 bits of ten-thousandths hold, and one past, either way.
    for (const char* sign : {"", "-"}) {
        const QString s = QString::fromLatin1(sign);
        EXPECT_EQ(Currency::FromText(s + "922337203685477.5807")->ToSqlText(),
                  s + "922337203685477.5807");
        EXPECT_EQ(Currency::FromText(s + "922337203685477")->ToSqlText(), s + "922337203685477");
        EXPECT_FALSE(Currency::FromText(s + "922337203685477.5808")) << sign;
        EXPECT_FALSE(Currency::FromText(s + "922337203685478")) << sign;
        EXPECT_FALSE(Currency::FromUtf8((s + "922337203685478").toUtf8())) << sign;
    }
    // The range an indicator may hold: 13 whole digits and the fen.
    const Currency top = *Currency::FromText("9999999999999.99");
    EXPECT_TRUE(top.InRange());
    EXPECT_TRUE((-top).InRange());
    EXPECT_FALSE(Currency::FromText("9999999999999.9991")->InRange());
    EXPECT_FALSE((-*Currency::FromText("10000000000000")).InRange());
    // A database's double at the top of the range reads back to the fen (×10000 in floating
    // point is off by four ten-thousandths there).
    EXPECT_EQ(Currency::FromDouble(9999999999999.99).Raw(), top.Raw());
    EXPECT_EQ(Currency::FromDoubleExact(-9999999999999.99)->Raw(), -top.Raw());
    EXPECT_EQ(Currency::FromDoubleExact(584600.3199999999)->ToSqlText(), "584600.32");
    EXPECT_FALSE(Currency::FromDoubleExact(0.00001));
    EXPECT_FALSE(Currency::FromDoubleExact(1e15));
    EXPECT_THROW(Currency::FromDouble(std::nan("")), Exception);
    TColumnStore s;
    s.SetColumns({"a"}, {true});
    s.AppendReal(0, 9999999999999.99);
    s.EndRow();
    s.AppendUtf8(0, "922337203685478", 15); // a stored value no Currency holds
    s.EndRow();
    EXPECT_EQ(s.Money(0, 0).Raw(), top.Raw());
    EXPECT_THROW(s.Money(1, 0), Exception);
}

TEST(Currency, SumsAndTextsBeyondSixtyFourBits)
{
    TMoneySum sum;
    for (int i = 0; i < 100; ++i)
        sum.AddRaw(900000000000000000LL); // 9 × 10^13 yuan each
    sum.AddText("0.0001");
    sum.AddDouble(1e16);
    sum.AddDouble(-12.5);
    EXPECT_TRUE(sum.Exact());
    EXPECT_EQ(sum.Text(), "18999999999999987.5001");
    TMoneySum exact;
    exact.AddText("12345678901234567890.1234");
    exact.AddText("-0.1234");
    EXPECT_EQ(exact.Text(), "12345678901234567890");
    TMoneySum small; // under one yuan either way: no sign where there is none
    small.AddText("0.5");
    EXPECT_EQ(small.Text(), "0.5");
    small.AddText("-1");
    EXPECT_EQ(small.Text(), "-0.5");
    TMoneySum huge; // a double beyond the whole-yuan room
    huge.AddDouble(-3e30);
    EXPECT_FALSE(huge.Exact());
    EXPECT_TRUE(huge.Text().startsWith(QStringLiteral("≈-3000000000000000000000000000000")))
        << huge.Text().toStdString();
    TMoneySum rough;
    rough.AddDouble(0.123456);
    rough.AddText("12.5");
    EXPECT_FALSE(rough.Exact());
    EXPECT_EQ(rough.Text(), QStringLiteral("≈12.623456"));
    TMoneySum fifth; // a fifth decimal is no fen of ours: kept, but marked
    fifth.AddText("0.00005");
    EXPECT_EQ(fifth.Text(), QStringLiteral("≈0.00005"));
    // Stored doubles are counted by their shortest digits, below and above 2^36 yuan alike;
    // one that is no decimal of four places (0.1 + 0.2) makes the sum inexact.
    TMoneySum stored;
    for (double v : {0.1, 3000.72, -68719476735.9999, 68719476736.01, 99999999999.99, 0.0001})
        stored.AddDouble(v);
    EXPECT_EQ(stored.Text(), "100000003000.8202");
    stored.AddDouble(0.1 + 0.2);
    EXPECT_FALSE(stored.Exact());
    EXPECT_TRUE(stored.Text().startsWith(QStringLiteral("≈100000003001.12")))
        << stored.Text().toStdString();
    TMoneySum off;
    off.AddDouble(3000.7200000000003);
    EXPECT_EQ(off.Text(), QStringLiteral("≈3000.7200000000003"));

    EXPECT_EQ(FormatAmountText("12345678901234567890.125"), "12,345,678,901,234,567,890.13");
    EXPECT_EQ(FormatAmountText("-999.995"), "-1,000.00");
    EXPECT_EQ(FormatAmountText("-0.001"), "0.00");
    EXPECT_EQ(FormatAmountText(QStringLiteral("≈12.6")), QStringLiteral("≈12.60"));
    EXPECT_EQ(FormatAmountText("n/a"), "n/a");
    EXPECT_EQ(PlainNumberText(1e16), "10000000000000000");
    EXPECT_EQ(PlainNumberText(0.00001), "0.00001");
}

TEST(ColumnStore, KindsNullsAndConversions)
{
    TColumnStore s;
    s.SetColumns({"code", "money", "mixed", "nulls", "date"}, {false, true, false, false, false});
    const QVariant rows[][5] = {
        {QVariant(), QVariant(12.5), QVariant(7), QVariant(), QVariant(QDate(2024, 1, 5))},
        {QVariant("001"), QVariant("-3.2500"), QVariant("abc"), QVariant(), QVariant("2024-02-01")},
        {QVariant("001"), QVariant(), QVariant(0.1), QVariant(), QVariant()},
    };
    for (const auto& row : rows) {
        for (int c = 0; c < 5; ++c)
            s.Append(c, row[c]);
        s.EndRow();
    }
    ASSERT_EQ(s.RowCount(), 3);
    EXPECT_TRUE(s.IsNull(0, 0));
    EXPECT_EQ(s.Text(1, 0), "001");
    EXPECT_EQ(s.TextId(1, 0), s.TextId(2, 0)); // stored once
    EXPECT_EQ(s.ColumnKind(1), TColumnStore::Kind::Number);
    EXPECT_EQ(s.Money(0, 1).Raw(), 125000);
    EXPECT_EQ(s.Money(1, 1).ToSqlText(), "-3.25");
    EXPECT_TRUE(s.IsNull(2, 1));
    EXPECT_EQ(s.Money(2, 1).Raw(), 0);
    // A number column that receives a text becomes a text column, earlier values kept.
    EXPECT_EQ(s.ColumnKind(2), TColumnStore::Kind::Text);
    EXPECT_EQ(s.Text(0, 2), "7");
    EXPECT_EQ(s.Text(1, 2), "abc");
    EXPECT_EQ(s.Text(2, 2), "0.1");
    EXPECT_TRUE(s.IsNull(1, 3));
    EXPECT_EQ(s.Text(0, 4), "2024-01-05");
    EXPECT_EQ(s.ColumnIndex("MONEY"), 1);
    EXPECT_EQ(s.ColumnIndex("none"), -1);
    EXPECT_EQ(s.Value(0, 1), QVariant(12.5));
}

TEST(ColumnStore, MostlyDistinctTextsArePackedWithoutLoss)
{
    TColumnStore s;
    s.SetColumns({"id"}, {false});
    for (int i = 0; i < 20000; ++i) {
        s.Append(0, i % 1000 == 7 ? QVariant() : QVariant(QString("id-%1").arg(i)));
        s.EndRow();
    }
    EXPECT_EQ(s.TextId(0, 0), -2); // packed
    EXPECT_EQ(s.Text(0, 0), "id-0");
    EXPECT_EQ(s.Text(19999, 0), "id-19999");
    EXPECT_TRUE(s.IsNull(7, 0));
    EXPECT_EQ(s.Text(4096, 0), "id-4096");
    EXPECT_EQ(s.Text(8, 0), "id-8");
}

TEST(ColumnStore, MoreThanFourDecimalsKeepsTheDouble)
{
    TColumnStore s;
    s.SetColumns({"ratio"}, {true});
    s.Append(0, QVariant(0.5));
    s.EndRow();
    s.Append(0, QVariant(1.0 / 3.0));
    s.EndRow();
    EXPECT_EQ(s.ColumnKind(0), TColumnStore::Kind::Real);
    EXPECT_DOUBLE_EQ(s.Float(0, 0), 0.5);
    EXPECT_DOUBLE_EQ(s.Float(1, 0), 1.0 / 3.0);
}
