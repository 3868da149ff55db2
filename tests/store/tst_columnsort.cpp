#include "store/untColumnSort.h"

#include <gtest/gtest.h>

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
