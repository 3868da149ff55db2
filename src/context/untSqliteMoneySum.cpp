#include "context/untSqliteMoneySum.h"

#include "platform/untCurrency.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <sqlite3.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{
// SQLite hands the aggregate zeroed memory aligned for 8 bytes only, and the sum's 128-bit count
// wants 16: its first byte says whether the sum was made, at the first 16-byte boundary after it.
constexpr int kStateBytes = int(sizeof(TMoneySum) + 2 * alignof(TMoneySum));

TMoneySum* SumIn(void* state)
{
    const auto at = (reinterpret_cast<std::uintptr_t>(state) + alignof(TMoneySum)) &
                    ~std::uintptr_t(alignof(TMoneySum) - 1);
    return reinterpret_cast<TMoneySum*>(at);
}

// Whole yuan that still fit as ten-thousandths in 64 bits.
constexpr sqlite3_int64 kWholeRawLimit = 922'337'203'685'477;

void AddValue(TMoneySum* sum, sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return;
    case SQLITE_INTEGER: {
        const sqlite3_int64 whole = sqlite3_value_int64(value);
        if (whole >= -kWholeRawLimit && whole <= kWholeRawLimit)
            sum->AddRaw(whole * 10000);
        else
            sum->AddText(QString::number(whole));
        return;
    }
    case SQLITE_FLOAT:
        sum->AddDouble(sqlite3_value_double(value));
        return;
    default:
        sum->AddText(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                       sqlite3_value_bytes(value)));
        return;
    }
}

void Step(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* state = static_cast<unsigned char*>(sqlite3_aggregate_context(ctx, kStateBytes));
    if (!state) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    TMoneySum* sum = SumIn(state);
    if (!state[0]) {
        new (sum) TMoneySum;
        state[0] = 1;
    }
    AddValue(sum, argv[0]);
}

void Final(sqlite3_context* ctx)
{
    auto* state = static_cast<unsigned char*>(sqlite3_aggregate_context(ctx, 0));
    const QByteArray text =
        state && state[0] ? SumIn(state)->Text().toUtf8() : QByteArrayLiteral("0");
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}
// vw_group_sums(key, amount...): the groups met so far, each with its count and sums.
struct TGroup {
    qint64 Count = 0;
    std::vector<TMoneySum> Sums;
};

struct TGroups {
    std::unordered_map<std::string, TGroup> ByKey;
    TGroup Null; // GROUP BY keeps a NULL key apart from an empty one
    bool HasNull = false;
};

TGroups** GroupsIn(sqlite3_context* ctx, int bytes)
{
    return static_cast<TGroups**>(sqlite3_aggregate_context(ctx, bytes));
}

void GroupStep(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc < 1) {
        sqlite3_result_error(ctx, "vw_group_sums needs the key to group by", -1);
        return;
    }
    TGroups** state = GroupsIn(ctx, int(sizeof(TGroups*)));
    if (!state) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    if (!*state)
        *state = new (std::nothrow) TGroups;
    if (!*state) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    TGroups& groups = **state;
    TGroup* group = &groups.Null;
    try { // nothing may be thrown through SQLite
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            groups.HasNull = true;
        } else {
            // The key's UTF-8 bytes without a terminator: asking for its text would make SQLite
            // copy a computed key (substr) once more per row only to end it with a zero.
            const int bytes = sqlite3_value_bytes(argv[0]); // first: turns it into UTF-8 text
            const auto* text = static_cast<const char*>(sqlite3_value_blob(argv[0]));
            group = &groups.ByKey[bytes > 0 ? std::string(text, size_t(bytes)) : std::string()];
        }
        if (group->Sums.empty())
            group->Sums.resize(size_t(argc - 1));
        ++group->Count;
        for (int i = 1; i < argc; ++i)
            AddValue(&group->Sums[size_t(i - 1)], argv[i]);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    }
}

void AppendJsonText(std::string& out, const std::string& text)
{
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendGroup(std::string& out, const std::string* key, const TGroup& group)
{
    out += out.size() > 1 ? ",[" : "[";
    if (key)
        AppendJsonText(out, *key);
    else
        out += "null";
    out += ',';
    out += std::to_string(group.Count);
    for (const TMoneySum& sum : group.Sums) {
        out += ',';
        AppendJsonText(out, sum.Text().toStdString());
    }
    out += ']';
}

// The groups as a JSON array of [key, count, sum...], sums as exact decimal texts; the memory
// of the groups is given back here, also when the statement stops half-way.
void GroupFinal(sqlite3_context* ctx)
{
    TGroups** state = GroupsIn(ctx, 0);
    const std::unique_ptr<TGroups> groups(state ? *state : nullptr);
    try {
        std::string out = "[";
        if (groups) {
            if (groups->HasNull)
                AppendGroup(out, nullptr, groups->Null);
            for (const auto& [key, group] : groups->ByKey)
                AppendGroup(out, &key, group);
        }
        out += ']';
        sqlite3_result_text64(ctx, out.data(), out.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    }
}
} // namespace

bool RegisterSqliteMoneySum(sqlite3* handle)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    return sqlite3_create_function_v2(handle, "vw_money_sum", 1, flags, nullptr, nullptr, &Step,
                                      &Final, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(handle, "vw_group_sums", -1, flags, nullptr, nullptr,
                                      &GroupStep, &GroupFinal, nullptr) == SQLITE_OK;
}
