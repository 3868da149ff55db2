#include "store/untColumnSort.h"

#include "store/untCollationKeys.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <numeric>
#include <string_view>

namespace
{
using Parts = std::vector<std::shared_ptr<const TColumnStore>>;

// Positions 0..n-1 in the order of their keys; equal keys keep their order either way.
template <class Key> std::vector<int> StableOrder(const std::vector<Key>& keys, bool descending)
{
    std::vector<std::pair<Key, int>> items(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        items[i] = {keys[i], int(i)};
    if (descending)
        std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
            return b.first < a.first || (!(a.first < b.first) && a.second < b.second);
        });
    else
        std::sort(items.begin(), items.end()); // by key, then by position
    std::vector<int> order(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        order[i] = items[i].second;
    return order;
}

// Positions in the order of their keys, equal keys in their order either way: a byte at a
// time from the lowest (each pass keeps the order of the one before).
std::vector<int> KeyOrder(std::vector<quint64> keys, bool descending = false)
{
    const size_t n = keys.size();
    if (descending)
        for (quint64& k : keys)
            k = ~k;
    std::vector<int> order(n), nextOrder(n);
    std::iota(order.begin(), order.end(), 0);
    std::vector<quint64> nextKeys(n);
    for (int shift = 0; shift < 64; shift += 8) {
        size_t start[257] = {};
        for (quint64 k : keys)
            ++start[((k >> shift) & 0xff) + 1];
        if (std::find(start + 1, start + 257, n) != start + 257)
            continue; // every key has the same byte here
        std::partial_sum(start, start + 257, start);
        for (size_t i = 0; i < n; ++i) {
            const size_t at = start[(keys[i] >> shift) & 0xff]++;
            nextKeys[at] = keys[i];
            nextOrder[at] = order[i];
        }
        keys.swap(nextKeys);
        order.swap(nextOrder);
    }
    return order;
}

// Positions in the order of their ranks (0 and up), equal ranks in their order either way.
std::vector<int> RankOrder(const std::vector<int>& ranks, bool descending)
{
    const int top = ranks.empty() ? 0 : *std::max_element(ranks.begin(), ranks.end());
    std::vector<int> start(size_t(top) + 2, 0); // first place of each rank
    for (int r : ranks)
        ++start[size_t(descending ? top - r : r) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<int> order(ranks.size());
    for (size_t i = 0; i < ranks.size(); ++i)
        order[size_t(start[size_t(descending ? top - ranks[i] : ranks[i])]++)] = int(i);
    return order;
}

// Texts of at most 18 digits as numbers in their character order: each digit one more than its
// value in base 11, padded with zeros, so that a text comes before its longer continuations.
constexpr int kMaxDigitKey = 18;

bool DigitKey(const char* begin, const char* end, quint64& key)
{
    if (end - begin > kMaxDigitKey)
        return false;
    key = 0;
    int n = 0;
    for (const char* p = begin; p != end; ++p, ++n) {
        if (*p < '0' || *p > '9')
            return false;
        key = key * 11 + quint64(*p - '0' + 1);
    }
    for (; n < kMaxDigitKey; ++n)
        key *= 11;
    return true;
}

bool DigitKey(const QString& s, quint64& key)
{
    char digits[kMaxDigitKey];
    if (s.size() > kMaxDigitKey)
        return false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t ch = s[i].unicode();
        if (ch < u'0' || ch > u'9')
            return false;
        digits[i] = char(ch);
    }
    return DigitKey(digits, digits + s.size(), key);
}

// The digit key of every row when each cell of the column is empty or digits only (ids,
// codes), read from the stored bytes and numbers without making texts; false otherwise.
bool DigitKeys(const Parts& parts, int column, std::vector<quint64>& keys)
{
    keys.clear();
    for (const auto& part : parts) {
        const TColumnStore& p = *part;
        const int rows = p.RowCount();
        switch (p.ColumnKind(column)) {
        case TColumnStore::Kind::Empty:
            keys.insert(keys.end(), size_t(rows), 0);
            break;
        case TColumnStore::Kind::Real:
            return false;
        case TColumnStore::Kind::Number:
            for (int r = 0; r < rows; ++r) {
                if (p.IsNull(r, column)) {
                    keys.push_back(0);
                    continue;
                }
                // Whole non-negative numbers are shown as their digits.
                const qint64 raw = p.Money(r, column).Raw();
                if (raw < 0 || raw % 10000 != 0)
                    return false;
                char digits[24];
                int n = 0;
                for (qint64 whole = raw / 10000; n == 0 || whole > 0; whole /= 10)
                    digits[n++] = char('0' + whole % 10);
                std::reverse(digits, digits + n);
                quint64 key = 0;
                if (!DigitKey(digits, digits + n, key))
                    return false;
                keys.push_back(key);
            }
            break;
        case TColumnStore::Kind::Text: {
            QByteArrayView bytes;
            std::vector<quint64> local; // per dictionary text
            std::vector<char> known;
            for (int r = 0; r < rows; ++r) {
                quint64 key = 0;
                const int id = p.TextId(r, column);
                if (id == -1) {
                    key = 0;
                } else if (id >= 0) {
                    if (size_t(id) >= local.size()) {
                        local.resize(size_t(id) + 1, 0);
                        known.resize(size_t(id) + 1, 0);
                    }
                    if (!known[size_t(id)]) {
                        if (!DigitKey(p.Text(r, column), local[size_t(id)]))
                            return false;
                        known[size_t(id)] = 1;
                    }
                    key = local[size_t(id)];
                } else if (p.PackedUtf8(r, column, bytes)) {
                    if (!DigitKey(bytes.constData(), bytes.constData() + bytes.size(), key))
                        return false;
                } else if (!DigitKey(p.Text(r, column), key)) {
                    return false;
                }
                keys.push_back(key);
            }
            break;
        }
        }
    }
    return true;
}

// How far past `at` the keys of items [from, to) agree (they agree up to `at`).
size_t SharedPast(const TCollationKeys& keys, const std::vector<std::pair<quint64, int>>& items,
                  size_t from, size_t to, size_t at)
{
    const std::string_view head = keys.Key(size_t(items[from].second));
    size_t shared = head.size() > at ? head.size() - at : 0;
    for (size_t p = from + 1; p < to && shared > 0; ++p) {
        const std::string_view key = keys.Key(size_t(items[p].second));
        size_t k = 0;
        const size_t most = std::min(shared, key.size() > at ? key.size() - at : 0);
        while (k < most && key[at + k] == head[at + k])
            ++k;
        shared = k;
    }
    return shared;
}

// Eight key bytes from a place as one number; past its end a key reads zeros, below any of its
// bytes (a key holds no zero byte).
quint64 KeyChunk(std::string_view key, size_t at)
{
    unsigned char bytes[8] = {};
    if (at < key.size())
        std::memcpy(bytes, key.data() + at, std::min<size_t>(8, key.size() - at));
    quint64 chunk = 0;
    for (unsigned char b : bytes)
        chunk = chunk << 8 | b;
    return chunk;
}

// The texts in the order of their collation keys, equal keys by the texts' characters: by the
// eight bytes after the prefix they all share, then each run of equal bytes that goes on by the
// eight after the prefix its own keys share, and so on (a long run a byte at a time, a short
// one by comparing).
std::vector<int> CollationKeyOrder(const TCollationKeys& keys,
                                   const std::vector<std::string_view>& texts)
{
    const size_t n = texts.size();
    std::vector<std::pair<quint64, int>> items(n); // the next eight bytes and the text
    for (size_t p = 0; p < n; ++p)
        items[p].second = int(p);
    struct Run {
        size_t From, To, At;
    };
    std::vector<Run> runs = {{0, n, 0}};
    std::vector<quint64> chunks;
    std::vector<std::pair<quint64, int>> sorted;
    while (!runs.empty()) {
        Run run = runs.back();
        runs.pop_back();
        run.At += SharedPast(keys, items, run.From, run.To, run.At);
        const auto first = items.begin() + std::ptrdiff_t(run.From);
        const auto last = items.begin() + std::ptrdiff_t(run.To);
        for (auto it = first; it != last; ++it)
            it->first = KeyChunk(keys.Key(size_t(it->second)), run.At);
        if (run.To - run.From > 4096) {
            chunks.clear();
            for (auto it = first; it != last; ++it)
                chunks.push_back(it->first);
            sorted.clear();
            for (int k : KeyOrder(chunks))
                sorted.push_back(first[k]);
            std::copy(sorted.begin(), sorted.end(), first);
        } else {
            std::sort(first, last);
        }
        for (size_t a = run.From; a < run.To;) {
            size_t b = a + 1;
            while (b < run.To && items[b].first == items[a].first)
                ++b;
            if (b - a > 1 && (items[a].first & 0xff) != 0)
                runs.push_back({a, b, run.At + 8});
            else if (b - a > 1) // the keys end here, equal
                std::sort(items.begin() + std::ptrdiff_t(a), items.begin() + std::ptrdiff_t(b),
                          [&texts](const auto& x, const auto& y) {
                              return texts[size_t(x.second)] < texts[size_t(y.second)];
                          });
            a = b;
        }
    }
    std::vector<int> order(n);
    for (size_t p = 0; p < n; ++p)
        order[p] = items[p].second;
    return order;
}

// The collation rank of each distinct UTF-8 text (the empty text ranks first).
std::vector<int> Ranks(const std::vector<std::string_view>& distinct, const QCollator& collator)
{
    const bool digitsOnly = std::all_of(distinct.begin(), distinct.end(), [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    });
    std::vector<int> order;
    if (digitsOnly) {
        // Codes: the collation of digits is their character order.
        order.resize(distinct.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(),
                  [&distinct](int a, int b) { return distinct[size_t(a)] < distinct[size_t(b)]; });
    } else if (const TCollationKeys keys(distinct, collator); keys.Ok()) {
        order = CollationKeyOrder(keys, distinct);
    } else {
        order.resize(distinct.size());
        std::iota(order.begin(), order.end(), 0);
        std::vector<QCollatorSortKey> qtKeys;
        qtKeys.reserve(distinct.size());
        for (std::string_view s : distinct)
            qtKeys.push_back(collator.sortKey(QString::fromUtf8(QByteArrayView(s))));
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            const int c = qtKeys[size_t(a)].compare(qtKeys[size_t(b)]);
            return c != 0 ? c < 0 : distinct[size_t(a)] < distinct[size_t(b)];
        });
    }
    std::vector<int> ranks(distinct.size());
    for (size_t i = 0; i < order.size(); ++i)
        ranks[size_t(order[i])] = int(i); // the texts are distinct
    return ranks;
}

// Number keys when every part holds the column as exact ten-thousandths: the raw value moved
// to unsigned order, nulls (0) below every number; false otherwise.
bool RawKeys(const Parts& parts, int column, std::vector<quint64>& keys)
{
    keys.clear();
    for (const auto& part : parts) {
        const TColumnStore& p = *part;
        const TColumnStore::Kind kind = p.ColumnKind(column);
        if (kind != TColumnStore::Kind::Number && kind != TColumnStore::Kind::Empty)
            return false;
        for (int r = 0; r < p.RowCount(); ++r) {
            if (kind == TColumnStore::Kind::Empty || p.IsNull(r, column)) {
                keys.push_back(0);
                continue;
            }
            const qint64 raw = p.Money(r, column).Raw();
            if (raw == std::numeric_limits<qint64>::min())
                return false; // would meet the nulls' key
            keys.push_back(quint64(raw) ^ (quint64(1) << 63));
        }
    }
    return true;
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
                const double d = p.Float(r, column);
                keys.push_back(std::isnan(d) ? kNull : static_cast<long double>(d) * 10000.0L);
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

// The distinct texts of a column, each found by its UTF-8 bytes (no text made per row).
class TDistinctTexts
{
public:
    // At most `most` distinct texts will be asked for: the table never fills.
    explicit TDistinctTexts(size_t most)
    {
        size_t room = 16;
        while (room < most + most / 2)
            room *= 2;
        m_slots.assign(room, -1);
        Texts.reserve(std::min<size_t>(most, 1 << 16));
    }
    int Id(std::string_view utf8)
    {
        const size_t mask = m_slots.size() - 1;
        for (size_t at = std::hash<std::string_view>{}(utf8)&mask;; at = (at + 1) & mask) {
            int& slot = m_slots[at];
            if (slot < 0) {
                slot = int(Texts.size());
                Texts.push_back(utf8);
                return slot;
            }
            if (Texts[size_t(slot)] == utf8)
                return slot;
        }
    }
    int Id(const QString& text)
    {
        m_owned.push_back(text.toUtf8());
        const QByteArray& utf8 = m_owned.back();
        const int id = Id(std::string_view(utf8.constData(), size_t(utf8.size())));
        if (id != int(Texts.size()) - 1)
            m_owned.pop_back();
        return id;
    }
    std::vector<std::string_view> Texts; // per id, into the parts or m_owned

private:
    std::vector<int> m_slots; // open addressing: ids, -1 free
    std::deque<QByteArray> m_owned;
};

// One collation rank per row (0 and up), each distinct text ranked once.
std::vector<int> TextRanks(const Parts& parts, int column, const QCollator& collator)
{
    size_t rows = 0;
    for (const auto& part : parts)
        rows += size_t(part->RowCount());
    std::vector<int> keys;
    keys.reserve(rows);
    TDistinctTexts distinct(rows + 1);
    const int empty = distinct.Id(std::string_view());
    for (const auto& part : parts) {
        const TColumnStore& p = *part;
        std::vector<int> local; // the part's dictionary ids to distinct ones
        QByteArrayView bytes;
        for (int r = 0; r < p.RowCount(); ++r) {
            const int id = p.TextId(r, column);
            if (id == -1) {
                keys.push_back(empty);
            } else if (id >= 0) {
                if (size_t(id) >= local.size())
                    local.resize(size_t(id) + 1, -1);
                if (local[size_t(id)] < 0)
                    local[size_t(id)] = distinct.Id(p.Text(r, column));
                keys.push_back(local[size_t(id)]);
            } else if (p.PackedUtf8(r, column, bytes)) {
                keys.push_back(
                    distinct.Id(std::string_view(bytes.constData(), size_t(bytes.size()))));
            } else {
                keys.push_back(distinct.Id(p.Text(r, column)));
            }
        }
    }
    const std::vector<int> ranks = Ranks(distinct.Texts, collator);
    for (int& k : keys)
        k = ranks[size_t(k)];
    return keys;
}
} // namespace

namespace
{
bool Holds(const TRankMemo& memo, const Parts& parts, int column)
{
    if (memo.Column != column || memo.Parts.size() != parts.size())
        return false;
    for (size_t i = 0; i < parts.size(); ++i)
        if (memo.Parts[i].lock() != parts[i] || memo.RowCounts[i] != parts[i]->RowCount())
            return false;
    return true;
}
} // namespace

std::vector<int> SortedRowOrder(const Parts& parts, int column, TSortAs as, bool descending,
                                const QCollator& collator, TRankMemo* memo)
{
    if (as == TSortAs::Number) {
        std::vector<quint64> raws;
        if (RawKeys(parts, column, raws))
            return KeyOrder(std::move(raws), descending);
        return StableOrder(NumberKeys(parts, column), descending);
    }
    std::vector<quint64> digits;
    if (DigitKeys(parts, column, digits))
        return KeyOrder(std::move(digits), descending);
    if (!memo)
        return RankOrder(TextRanks(parts, column, collator), descending);
    if (!Holds(*memo, parts, column)) {
        *memo = TRankMemo{};
        memo->Ranks = TextRanks(parts, column, collator);
        memo->Column = column;
        for (const auto& part : parts) {
            memo->Parts.push_back(part);
            memo->RowCounts.push_back(part->RowCount());
        }
    }
    return RankOrder(memo->Ranks, descending);
}

std::vector<int> SortedTextOrder(const std::vector<QString>& texts, bool descending,
                                 const QCollator& collator)
{
    TDistinctTexts distinct(texts.size());
    std::vector<int> keys;
    keys.reserve(texts.size());
    for (const QString& s : texts)
        keys.push_back(distinct.Id(s));
    const std::vector<int> ranks = Ranks(distinct.Texts, collator);
    for (int& k : keys)
        k = ranks[size_t(k)];
    return RankOrder(keys, descending);
}

QCollator ListCollator(const QLocale& locale)
{
    QCollator collator(
        locale.language() == QLocale::Chinese ? locale : QLocale(QLocale::Chinese, QLocale::China));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}
