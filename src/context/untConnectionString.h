#pragma once
// ADO-style connection strings: "Key=Value;" lists.

#include <QString>

// The value of a key (without regard to case; a value may be quoted with "); empty when absent.
QString ConnectionStringValue(const QString& connectionString, const QString& key);
// The string without its Provider entry (what an ODBC driver is given).
QString ConnectionStringWithoutProvider(const QString& connectionString);
