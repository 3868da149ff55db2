#pragma once
// The schema of both engines: create and check.

#include <QString>
#include <QStringList>
#include <functional>

class TAdoConn;

// The schema's statements for the connection's engine (SQLite or PostgreSQL).
QStringList SchemaStatements(bool postgres);
// Creates every table, index and view; throws TExceptDbManager on the first failure.
void CreateSchema(TAdoConn* conn);
// Runs `work` in one transaction: all or nothing. The work's own error is the one raised, also
// when the rollback fails too.
void InTransaction(TAdoConn* conn, const std::function<void()>& work);
// The history of every change of an indicator: the table busibudgethistory and the triggers on
// busibudget that fill it (each statement may be run again: the triggers are made anew).
QStringList HistoryStatements(bool postgres);
// Runs HistoryStatements on the connection (in the caller's transaction, if any).
void InstallHistory(TAdoConn* conn);
// Brings an existing database up to date in one transaction: the views dropped and created
// again, the history table added where missing and its triggers made anew; other tables and
// data are left alone. Returns what it made; throws TExceptDbManager on a failure.
QStringList UpgradeSchema(TAdoConn* conn);
// The index that answers a new indicator id at once (the maximum the next-number statement reads,
// which otherwise reads the whole year). On PostgreSQL it cannot be made while an id is no
// number, and once made it refuses such ids: false with the reason then, and the database works
// as before, drawing its ids more slowly. Made outside any transaction.
bool InstallIdIndex(TAdoConn* conn, QString* problem);
// Missing tables, views and columns, one message each; empty when the schema is complete.
QStringList CheckSchema(TAdoConn* conn);
// Indicators the entry dialog's duplicate rule takes for one another, stored all the same (by
// another program, or before the rule): the same year, type, sub-type, source, unit, money kind,
// expenditure type, subject, item and document number (an empty one as a missing one). One line
// per group with its ids, at most `most` groups and then how many more; nothing is changed.
QStringList StoredDuplicates(TAdoConn* conn, int most = 100);
