#pragma once
// Reads SQLite results natively from the Qt driver's own connection handle.

#include <QString>

class QSqlDatabase;
class TColumnStore;

// Runs the statement on the driver's sqlite3 handle and puts the rows into the store as UTF-8
// and numbers, without a QVariant and a QString per value (QtSql's way costs about 40% more at
// a million rows). False when the connection has no SQLite handle; raises TExceptDbManager
// with SQLite's message when the statement fails.
bool ReadSqliteNative(const QSqlDatabase& db, const QString& sql, TColumnStore& store);
