#pragma once

#include "context/untWorkContext.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// Creates (once) a demo database of `indicators` indicators in one data year; returns its path.
QString BenchDatabase(const QString& folder, int indicators);
// On a PostgreSQL server (connection string of its maintenance database), a database
// bench_<indicators> with that demo data, created on first use; returns its connection string.
QString BenchPgDatabase(const QString& server, int indicators);
// A database `name` on the server made anew as a copy of bench_<indicators> (for benchmarks
// that write); returns its connection string.
QString BenchPgCopy(const QString& server, int indicators, const QString& name);
// Median of repeated runs, in milliseconds.
double MedianMs(int runs, const std::function<void()>& run);
double Median(std::vector<double> values);
// The raw reference: SQLite's C interface stepping the statement and reading every column as
// text, with the same cache settings as the product's connections. Returns the row count.
// firstRowMs, when given, gets the time to the first row; totalMs the whole read.
long RawSqliteRead(const QString& file, const QString& sql, double* firstRowMs = nullptr,
                   double* totalMs = nullptr);
// The raw PostgreSQL reference in this process: libpq's PQexec and PQgetvalue of every cell
// (the connection is made before the clock starts). Returns the row count.
long RawPgRead(const QString& connectionString, const QString& sql, double* totalMs);
// The statements in one transaction through libpq's PQexec; the milliseconds they took.
double RawPgStatements(const QString& connectionString, const QStringList& statements);
// The time to the first row of the statement in libpq's single-row mode.
double RawPgFirstRowMs(const QString& connectionString, const QString& sql);
struct BenchArgs {
    int Runs = 3;
    QString Folder = QStringLiteral("var/bench");
    QList<int> Sizes;
    QString PgServer; // empty: SQLite
};
// [--runs N] [--folder DIR] [--pg CONNECTION] [sizes ...]
BenchArgs ParseBenchArgs(const QStringList& args, QList<int> defaultSizes);

// The working context over a bench database (an SQLite file, or a connection string; installed
// as the current one while it lives) and the list statement of its whole year (the top unit,
// budget figures).
struct BenchListContext {
    explicit BenchListContext(const QString& file);
    ~BenchListContext();
    TDbManager Manager;
    TWorkContext Context;
    QString ListSql;
};

// A table of `rows` indicators the entry dialog would accept, as an import reads them (leaf
// units and subjects of 2026 on the current connection, basic expenditure).
struct TExportTable;
TExportTable BenchImportTable(int rows);

// Peak resident memory of the process so far, in MB.
double PeakRssMb();
double CurrentRssMb();
