#include "context/untSqliteMoneySum.h"

#include "platform/untCurrency.h"

#include <new>
#include <sqlite3.h>

namespace
{
// SQLite hands the aggregate zeroed memory: the sum is made in it at the first row.
struct SumState {
    bool Started;
    TMoneySum Sum;
};

// Whole yuan that still fit as ten-thousandths in 64 bits.
constexpr sqlite3_int64 kWholeRawLimit = 922'337'203'685'477;

void Step(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    auto* state = static_cast<SumState*>(sqlite3_aggregate_context(ctx, sizeof(SumState)));
    if (!state) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    if (!state->Started) {
        new (&state->Sum) TMoneySum;
        state->Started = true;
    }
    sqlite3_value* value = argv[0];
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return;
    case SQLITE_INTEGER: {
        const sqlite3_int64 whole = sqlite3_value_int64(value);
        if (whole >= -kWholeRawLimit && whole <= kWholeRawLimit)
            state->Sum.AddRaw(whole * 10000);
        else
            state->Sum.AddText(QString::number(whole));
        return;
    }
    case SQLITE_FLOAT:
        state->Sum.AddDouble(sqlite3_value_double(value));
        return;
    default:
        state->Sum.AddText(QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value)));
        return;
    }
}

void Final(sqlite3_context* ctx)
{
    auto* state = static_cast<SumState*>(sqlite3_aggregate_context(ctx, 0));
    const QByteArray text =
        state && state->Started ? state->Sum.Text().toUtf8() : QByteArrayLiteral("0");
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}
} // namespace

bool RegisterSqliteMoneySum(sqlite3* handle)
{
    return sqlite3_create_function_v2(handle, "vw_money_sum", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, nullptr, &Step, &Final, nullptr) == SQLITE_OK;
}
