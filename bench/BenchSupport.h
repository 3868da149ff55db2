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
// The raw reference on a connection opened once, before any clock starts: SQLite's C interface
// (with the product's cache settings) or libpq. A text read takes every cell as text; a typed
// read takes integers and reals as numbers and the rest as text (SQLite by each cell's type,
// PostgreSQL by each column's type from its text).
class RawReader
{
public:
    // An SQLite file, or a connection string "Provider=PostgreSQL;...".
    explicit RawReader(const QString& fileOrConnection);
    ~RawReader();
    RawReader(const RawReader&) = delete;
    RawReader& operator=(const RawReader&) = delete;
    struct Times {
        double FirstRow = 0; // SQLite: the first step; PostgreSQL: the whole result's arrival
        double Whole = 0;
        long Rows = 0;
    };
    Times Read(const QString& sql, bool typed = false);
    // PostgreSQL: the time to the first row in libpq's single-row mode (the rest is cancelled);
    // SQLite: the first step.
    double FirstRowMs(const QString& sql);
    // The statements in one transaction; the milliseconds they took.
    double Statements(const QStringList& statements);
    // The open connection, for references of their own (the other one is null).
    struct sqlite3* Sqlite() const { return m_sqlite; }
    struct pg_conn* Pg() const { return m_pg; }

private:
    Times ReadSqlite(const QString& sql, bool typed);
    Times ReadPg(const QString& sql, bool typed);
    struct sqlite3* m_sqlite = nullptr;
    struct pg_conn* m_pg = nullptr;
};
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
