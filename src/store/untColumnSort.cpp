#include "store/untColumnSort.h"

#include <QHash>
#include <algorithm>
#include <limits>
#include <numeric>

namespace
{
using Parts = std::vector<std::shared_ptr<const TColumnStore>>;

// Sorts positions 0..n-1 by a key, stable; descending keeps equal keys in their order too.
template <class Key> std::vector<int> StableOrder(const std::vector<Key>& keys, bool descending)
{
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    if (descending)
        std::stable_sort(order.begin(), order.end(),
                         [&keys](int a, int b) { return keys[size_t(b)] < keys[size_t(a)]; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&keys](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    return order;
}

// The collation rank of each text (equal texts equal ranks; the empty text ranks first).
std::vector<int> Ranks(const std::vector<QString>& distinct, const QCollator& collator)
{
    bool digitsOnly = true;
    for (const QString& s : distinct) {
        for (QChar ch : s)
            if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
                digitsOnly = false;
                break;
            }
        if (!digitsOnly)
            break;
    }
    std::vector<int> order(distinct.size());
    std::iota(order.begin(), order.end(), 0);
    if (digitsOnly) {
        // Codes: the collation of digits is their character order.
        std::sort(order.begin(), order.end(),
                  [&distinct](int a, int b) { return distinct[size_t(a)] < distinct[size_t(b)]; });
    } else {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(distinct.size());
        for (const QString& s : distinct)
            keys.push_back(collator.sortKey(s));
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            const int c = keys[size_t(a)].compare(keys[size_t(b)]);
            return c != 0 ? c < 0 : distinct[size_t(a)] < distinct[size_t(b)];
        });
    }
    std::vector<int> ranks(distinct.size());
    int rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && distinct[size_t(order[i])] != distinct[size_t(order[i - 1])])
            ++rank;
        ranks[size_t(order[i])] = rank;
    }
    return ranks;
}

// One number key per row: ten-thousandths, exact for stored amounts; nulls and texts that are
// no number below every number.
std::vector<long double> NumberKeys(const Parts& parts, int column)
{
    constexpr long double kNull = -std::numeric_limits<long double>::infinity();
    std::vector<long double> keys;
    for (const auto& part : parts) {
        const TColumnStore& p = *part;
        const TColumnStore::Kind kind = p.ColumnKind(column);
        for (int r = 0; r < p.RowCount(); ++r) {
            if (p.IsNull(r, column)) {
                keys.push_back(kNull);
            } else if (kind == TColumnStore::Kind::Real) {
                keys.push_back(static_cast<long double>(p.Float(r, column)) * 10000.0L);
            } else if (kind == TColumnStore::Kind::Number) {
                keys.push_back(static_cast<long double>(p.Money(r, column).Raw()));
            } else {
                const auto money = Currency::FromText(p.Text(r, column));
                keys.push_back(money ? static_cast<long double>(money->Raw()) : kNull);
            }
        }
    }
    return keys;
}

// One collation rank per row, each distinct text ranked once.
std::vector<int> TextKeys(const Parts& parts, int column, const QCollator& collator)
{
    QHash<QString, int> index;
    std::vector<QString> distinct;
    std::vector<int> rowText; // distinct text of each row
    auto idOf = [&](const QString& s) {
        auto it = index.constFind(s);
        if (it != index.constEnd())
            return it.value();
        distinct.push_back(s);
        const int id = int(distinct.size()) - 1;
        index.insert(s, id);
        return id;
    };
    for (const auto& part : parts) {
        const TColumnStore& p = *part;
        std::vector<int> local; // the part's dictionary ids to global ones
        for (int r = 0; r < p.RowCount(); ++r) {
            const int id = p.TextId(r, column);
            if (id < -1) {
                rowText.push_back(idOf(p.Text(r, column)));
                continue;
            }
            if (id == -1) {
                rowText.push_back(idOf(QString()));
                continue;
            }
            if (size_t(id) >= local.size())
                local.resize(size_t(id) + 1, -1);
            if (local[size_t(id)] < 0)
                local[size_t(id)] = idOf(p.Text(r, column));
            rowText.push_back(local[size_t(id)]);
        }
    }
    const std::vector<int> ranks = Ranks(distinct, collator);
    for (int& t : rowText)
        t = ranks[size_t(t)];
    return rowText;
}
} // namespace

std::vector<int> SortedRowOrder(const Parts& parts, int column, TSortAs as, bool descending,
                                const QCollator& collator)
{
    if (as == TSortAs::Number)
        return StableOrder(NumberKeys(parts, column), descending);
    return StableOrder(TextKeys(parts, column, collator), descending);
}

std::vector<int> SortedTextOrder(const std::vector<QString>& texts, bool descending,
                                 const QCollator& collator)
{
    QHash<QString, int> index;
    std::vector<QString> distinct;
    std::vector<int> keys;
    keys.reserve(texts.size());
    for (const QString& s : texts) {
        auto it = index.constFind(s);
        if (it == index.constEnd()) {
            distinct.push_back(s);
            it = index.insert(s, int(distinct.size()) - 1);
        }
        keys.push_back(it.value());
    }
    const std::vector<int> ranks = Ranks(distinct, collator);
    for (int& k : keys)
        k = ranks[size_t(k)];
    return StableOrder(keys, descending);
}

QCollator ListCollator(const QLocale& locale)
{
    QCollator collator(
        locale.language() == QLocale::Chinese ? locale : QLocale(QLocale::Chinese, QLocale::China));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}
