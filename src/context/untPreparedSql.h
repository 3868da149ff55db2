#pragma once
// Statements of many rows: prepared once on "Def", run with new values each time.

#include <QString>
#include <QVariantList>
#include <memory>

// A statement with ? placeholders prepared once on "Def" and run with new values each time
// (writers of many rows: one parse instead of one per row). SQLite and PostgreSQL bind through
// their own interfaces on the driver's connection (text values, no per-value formatting);
// other databases through QtSql. Every run is traced with its values while a trace is read.
class TPreparedSql
{
public:
    // Raises TExceptDbManager when there is no connection or the statement cannot be prepared.
    explicit TPreparedSql(const QString& sql);
    ~TPreparedSql();
    TPreparedSql(const TPreparedSql&) = delete;
    TPreparedSql& operator=(const TPreparedSql&) = delete;
    // A null QVariant is NULL, an integer is bound as one, anything else as its text; returns
    // the rows the statement inserted, updated or deleted. Raises TExceptDbManager with the
    // database's message on failure, and for a text holding a NUL.
    qint64 Exec(const QVariantList& values);

    struct Backend;

private:
    QString m_sql;
    QString m_connection;
    std::unique_ptr<Backend> m_backend;
};

// Rows written by COPY … FROM STDIN on "Def" (PostgreSQL's own interface: Supported says whether
// the connection has it), in COPY's text format, sent in blocks of about 256 KB. The values are
// as TPreparedSql takes them. End completes the copy; a copy not ended is abandoned (the server
// refuses it, so its transaction cannot commit it). Nothing else may run on the connection
// between the first Add and End or Abandon.
class TCopyRows
{
public:
    static bool Supported();
    // Raises TExceptDbManager when there is no connection or the copy cannot begin.
    TCopyRows(const QString& table, const QString& columns);
    ~TCopyRows();
    TCopyRows(const TCopyRows&) = delete;
    TCopyRows& operator=(const TCopyRows&) = delete;
    // Raises TExceptDbManager with the database's message, and for a text holding a NUL (the
    // copy is abandoned then).
    void Add(const QVariantList& values);
    // Raises TExceptDbManager with the database's message when the rows are refused.
    void End();
    void Abandon();

private:
    void Send();
    void Close();
    [[noreturn]] void Fail(const QString& error);
    QString m_sql;
    QString m_connection;
    struct pg_conn* m_conn = nullptr;
    QByteArray m_buffer;
    int m_rows = 0;
    bool m_open = false;
};
