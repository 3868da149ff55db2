#include "context/untSqliteMoneySum.h"

#include "platform/untCurrency.h"

#include <cstdint>
#include <new>
#include <sqlite3.h>

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
    sqlite3_value* value = argv[0];
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

void Final(sqlite3_context* ctx)
{
    auto* state = static_cast<unsigned char*>(sqlite3_aggregate_context(ctx, 0));
    const QByteArray text =
        state && state[0] ? SumIn(state)->Text().toUtf8() : QByteArrayLiteral("0");
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}
} // namespace

bool RegisterSqliteMoneySum(sqlite3* handle)
{
    return sqlite3_create_function_v2(handle, "vw_money_sum", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, nullptr, &Step, &Final, nullptr) == SQLITE_OK;
}
