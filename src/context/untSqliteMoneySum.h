#pragma once
// The exact sum of amounts inside SQLite, which keeps them as floating-point values.

struct sqlite3;

// The aggregate the dialect names for an exact sum on SQLite: vw_money_sum(x) adds the values
// as the list's totals do (128-bit ten-thousandths, a stored value's shortest digits) and
// returns the sum as a decimal text, "≈" first when a value had more than four decimals.
// vw_group_sums(key, amount...) groups the rows by key in one pass (no sort, as GROUP BY needs
// on SQLite) and returns them as a JSON array of [key, count, sum...], each sum summed as
// vw_money_sum does and written as its text; a NULL key is a group of its own.
// False when SQLite refuses a function.
bool RegisterSqliteMoneySum(sqlite3* handle);
