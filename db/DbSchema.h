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
// Brings an existing database's views up to date (dropped and created again, in one transaction;
// tables and data are left alone). Returns their names; throws TExceptDbManager on a failure.
QStringList UpgradeSchema(TAdoConn* conn);
// Missing tables, views and columns, one message each; empty when the schema is complete.
QStringList CheckSchema(TAdoConn* conn);
