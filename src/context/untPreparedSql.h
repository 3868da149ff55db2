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
    // A null QVariant is NULL, an integer is bound as one, anything else as its text. Raises
    // TExceptDbManager with the database's message on failure, and for a text holding a NUL.
    void Exec(const QVariantList& values);

    struct Backend;

private:
    QString m_sql;
    QString m_connection;
    std::unique_ptr<Backend> m_backend;
};
