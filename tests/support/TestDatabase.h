#pragma once

#include "untWorkContext.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <memory>

enum class Engine { SQLite, PostgreSQL };

// A fresh database for one test: an SQLite file in a temporary folder, or a new database on
// the PostgreSQL server named by VESPERWALD_PG_CONNECTION (dropped again afterwards).
// It also provides a working context on that database, installed as the current one.
class TestDatabase
{
public:
    enum Content { Empty, Schema, Demo };
    explicit TestDatabase(Engine engine, Content content = Schema, int demoIndicators = 300);
    ~TestDatabase();

    bool Ok() const { return m_error.isEmpty(); }
    QString Error() const { return m_error; }
    Engine GetEngine() const { return m_engine; }
    QString ConnectionString() const { return m_connection; }

    TWorkContext& Context() { return m_context; }
    TSysParams& Params() { return m_params; }
    TRecordObject& User() { return m_user; }
    TRecordObject& Unit() { return m_unit; }
    TAdoConn* Def() { return m_db->FindConnection("Def"); }
    // Runs a statement and fails the test when it does not run.
    void Exec(const QString& sql);
    // The first field of the first row as text.
    QString Scalar(const QString& sql);

private:
    Engine m_engine;
    QString m_error;
    QString m_connection;
    QString m_pgAdmin;
    QString m_pgName;
    QTemporaryDir m_dir;
    std::unique_ptr<TDbManager> m_db;
    TSysParams m_params;
    TRecordObject m_user;
    TRecordObject m_unit;
    TWorkContext m_context;
};

// Names the engines in parameterised test names.
std::string EngineName(const testing::TestParamInfo<Engine>& info);

inline void PrintTo(Engine engine, std::ostream* os)
{
    *os << (engine == Engine::SQLite ? "SQLite" : "PostgreSQL");
}
