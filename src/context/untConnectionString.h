#pragma once
// ADO-style connection strings: "Key=Value;" lists.

#include <QString>

// The value of a key (without regard to case); empty when absent. A value in double quotes may
// hold semicolons, and a quote written twice.
QString ConnectionStringValue(const QString& connectionString, const QString& key);
// A value as written into a connection string: quoted when it holds a semicolon, a quote or
// blanks at either end, so that ConnectionStringValue gives it back as it is.
QString ConnectionStringQuoted(const QString& value);
// The string without its Provider entry (what an ODBC driver is given).
QString ConnectionStringWithoutProvider(const QString& connectionString);
