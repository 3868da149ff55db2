#pragma once
// The exact sum of amounts inside SQLite, which keeps them as floating-point values.

struct sqlite3;

// The aggregate the dialect names for an exact sum on SQLite: vw_money_sum(x) adds the values
// as the list's totals do (128-bit ten-thousandths, a stored value's shortest digits) and
// returns the sum as a decimal text, "≈" first when a value had more than four decimals.
// False when SQLite refuses the function.
bool RegisterSqliteMoneySum(sqlite3* handle);
