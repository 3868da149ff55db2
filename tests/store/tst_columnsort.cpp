#include "store/untColumnSort.h"

#include <gtest/gtest.h>
#include <numeric>

namespace
{
using Parts = std::vector<std::shared_ptr<const TColumnStore>>;

// A part of two columns (a name and an amount) from rows of texts; an amount of "" is null.
std::shared_ptr<const TColumnStore> Part(const std::vector<std::pair<QString, QVariant>>& rows)
{
    auto store = std::make_shared<TColumnStore>();
    store->SetColumns({"name", "amount"}, {false, true});
    for (const auto& [name, amount] : rows) {
        store->Append(0, name);
        store->Append(1, amount);
        store->EndRow();
    }
    return store;
}

std::vector<int> Sorted(const Parts& parts, int col, TSortAs as, bool descending)
{
    return SortedRowOrder(parts, col, as, descending, ListCollator(QLocale(QLocale::English)));
}
} // namespace

// Amounts by exact value over parts of different kinds (exact ten-thousandths, floating point,
// texts), nulls first; equal amounts keep the list's order either way.
TEST(ColumnSort, AmountsByExactValueTiesInListOrder)
{
    const Parts parts = {
        Part({{"a", qlonglong(5)}, {"b", QVariant()}, {"c", 900000000000000.0001}}),
        Part({{"d", 2.5}, {"e", 0.123456}, {"f", qlonglong(5)}}),            // reals
        Part({{"g", "900000000000000.0002"}, {"h", "-1"}, {"i", "5.0000"}}), // texts
    };
    ASSERT_EQ(parts[1]->ColumnKind(1), TColumnStore::Kind::Real);
    EXPECT_EQ(Sorted(parts, 1, TSortAs::Number, false),
              (std::vector<int>{1, 7, 4, 3, 0, 5, 8, 2, 6}));
    EXPECT_EQ(Sorted(parts, 1, TSortAs::Number, true),
              (std::vector<int>{6, 2, 0, 5, 8, 3, 4, 7, 1}));
}

// Chinese texts in pinyin order whatever the machine's language, not in character order;
// equal texts keep their order; dictionary and packed columns alike.
TEST(ColumnSort, ChineseTextsByCollation)
{
    const Parts parts = {Part({{"上海", 1}, {"北京", 2}, {"", 3}}),
                         Part({{"广州", 4}, {"北京", 5}, {"安庆", 6}})};
    EXPECT_EQ(Sorted(parts, 0, TSortAs::Text, false), (std::vector<int>{2, 5, 1, 4, 3, 0}));
    EXPECT_EQ(Sorted(parts, 0, TSortAs::Text, true), (std::vector<int>{0, 3, 1, 4, 5, 2}));

    // Many distinct texts are packed, not kept in a dictionary: the same order.
    std::vector<std::pair<QString, QVariant>> rows;
    for (int i = 0; i < 5000; ++i)
        rows.push_back({QStringLiteral("%1号").arg(4999 - i, 4, 10, QLatin1Char('0')), i});
    rows.push_back({"上海", 0});
    rows.push_back({"北京", 0});
    const Parts packed = {Part(rows)};
    ASSERT_EQ(packed[0]->TextId(0, 0), -2);
    const std::vector<int> order = Sorted(packed, 0, TSortAs::Text, false);
    EXPECT_EQ(order[0], 4999);
    EXPECT_EQ(order[4999], 0);
    EXPECT_EQ(order[5000], 5001); // 北京 before 上海
    EXPECT_EQ(order[5001], 5000);

    EXPECT_EQ(SortedTextOrder({"10", "9", "", "10"}, false, ListCollator()),
              (std::vector<int>{2, 0, 3, 1}));
}

// Amounts held exactly in every part: nulls first, negatives before zero, ties in list order.
TEST(ColumnSort, ExactAmountsOfEveryPart)
{
    const Parts parts = {Part({{"a", qlonglong(5)}, {"b", QVariant()}, {"c", qlonglong(-1)}}),
                         Part({{"d", "-900000000000000"}, {"e", qlonglong(5)}, {"f", "0.0001"}})};
    ASSERT_EQ(parts[1]->ColumnKind(1), TColumnStore::Kind::Number);
    EXPECT_EQ(Sorted(parts, 1, TSortAs::Number, false), (std::vector<int>{1, 3, 2, 5, 0, 4}));
    EXPECT_EQ(Sorted(parts, 1, TSortAs::Number, true), (std::vector<int>{0, 4, 5, 2, 3, 1}));
}

// Digit codes and ids sort in character order ("10" before "9", a code before its longer
// continuations, empty first) whether held as texts, packed or as whole numbers; the same
// order as the texts themselves, also past the length read as a number.
TEST(ColumnSort, DigitCodesInCharacterOrder)
{
    std::vector<std::pair<QString, QVariant>> rows;
    for (int i = 0; i < 5000; ++i)
        rows.push_back({QString::number((i * 7919) % 5003), i});
    const std::vector<std::pair<QString, QVariant>> codes = {
        {"10", 0}, {"9", 0}, {"", 0}, {"009", 0}, {"0", 0}, {"00", 0}, {"999999999999999999", 0}};
    std::vector<QString> texts;
    for (const auto& [text, amount] : rows)
        texts.push_back(text);
    for (const auto& [text, amount] : codes)
        texts.push_back(text);
    auto numbers = std::make_shared<TColumnStore>();
    numbers->SetColumns({"name"}, {false});
    for (qlonglong n : {qlonglong(90), qlonglong(9), qlonglong(100)}) {
        numbers->Append(0, n);
        numbers->EndRow();
    }
    for (QString n : {"90", "9", "100"})
        texts.push_back(n);
    Parts parts = {Part(rows), Part(codes), numbers};
    ASSERT_EQ(parts[0]->TextId(0, 0), -2);
    ASSERT_EQ(parts[2]->ColumnKind(0), TColumnStore::Kind::Number);
    const QCollator collator = ListCollator(QLocale(QLocale::English));
    for (bool descending : {false, true})
        EXPECT_EQ(Sorted(parts, 0, TSortAs::Text, descending),
                  SortedTextOrder(texts, descending, collator));

    parts.push_back(Part({{"1234567890123456789", 0}})); // longer than a number key
    texts.push_back("1234567890123456789");
    EXPECT_EQ(Sorted(parts, 0, TSortAs::Text, false), SortedTextOrder(texts, false, collator));
}

// Many distinct texts with a long shared beginning, case variants, Latin, punctuation and
// Chinese: the order is the collator's own compare(), texts it holds equal in their
// character order.
TEST(ColumnSort, ManyTextsInTheCollatorsOrder)
{
    const QStringList pieces = {"市财预〔2026〕", "号", "a",  "A", "Z", "-", " ",
                                "北京",           "ä",  "10", "9"};
    std::vector<QString> texts;
    quint32 seed = 7;
    for (int i = 0; i < 30000; ++i) {
        QString s = i % 3 ? pieces[0] : QString();
        for (int k = 0; k < 1 + i % 4; ++k) {
            seed = seed * 1103515245 + 12345;
            s += pieces[int(seed >> 16) % pieces.size()];
        }
        texts.push_back(s);
    }
    QCollator english{QLocale(QLocale::English)}; // case and numbers as settings of its own
    english.setNumericMode(true);
    for (const QCollator& collator : {ListCollator(), english}) {
        std::vector<int> expected(texts.size());
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            const int c = collator.compare(texts[size_t(a)], texts[size_t(b)]);
            return c != 0 ? c < 0 : texts[size_t(a)] < texts[size_t(b)];
        });
        EXPECT_EQ(SortedTextOrder(texts, false, collator), expected)
            << qPrintable(collator.locale().name());
    }
}

// Ranks kept between sorts serve the same parts only: other parts, another column or a part
// of another length are ranked anew.
TEST(ColumnSort, KeptRanksServeTheSamePartsOnly)
{
    const QCollator collator = ListCollator();
    TRankMemo memo;
    const Parts first = {Part({{"北京", 1}, {"上海", 2}, {"安庆", 3}})};
    EXPECT_EQ(SortedRowOrder(first, 0, TSortAs::Text, false, collator, &memo),
              (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(SortedRowOrder(first, 0, TSortAs::Text, true, collator, &memo),
              (std::vector<int>{1, 0, 2}));
    const Parts second = {Part({{"上海", 1}, {"安庆", 2}, {"北京", 3}})};
    EXPECT_EQ(SortedRowOrder(second, 0, TSortAs::Text, false, collator, &memo),
              (std::vector<int>{1, 2, 0}));
    auto growing = std::make_shared<TColumnStore>();
    growing->SetColumns({"name", "amount"}, {false, true});
    for (const char* name : {"上海", "北京"}) {
        growing->Append(0, QString::fromUtf8(name));
        growing->Append(1, 1);
        growing->EndRow();
    }
    const Parts third = {growing};
    EXPECT_EQ(SortedRowOrder(third, 0, TSortAs::Text, false, collator, &memo),
              (std::vector<int>{1, 0}));
    growing->Append(0, QStringLiteral("安庆"));
    growing->Append(1, 1);
    growing->EndRow();
    EXPECT_EQ(SortedRowOrder(third, 0, TSortAs::Text, false, collator, &memo),
              (std::vector<int>{2, 1, 0}));
}
