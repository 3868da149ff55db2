#include "TestDatabase.h"

#include "DbDemo.h"
#include "DbSchema.h"
#include "untPlugInEntry.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>

TestDatabase::TestDatabase(Engine engine, Content content, int demoIndicators)
    : m_engine(engine), m_db(std::make_unique<TDbManager>())
{
    if (engine == Engine::SQLite) {
        m_connection = "Provider=SQLite;Data Source=" + m_dir.filePath("test.db");
    } else {
        m_pgAdmin = qEnvironmentVariable("VESPERWALD_PG_CONNECTION");
        if (m_pgAdmin.isEmpty()) {
            m_error = "VESPERWALD_PG_CONNECTION is not set: run the tests through scripts/test, "
                      "which starts a PostgreSQL server";
            return;
        }
        m_pgName = QStringLiteral("vw_test_%1_%2")
                       .arg(QCoreApplication::applicationPid())
                       .arg(QRandomGenerator::global()->bounded(1000000));
        try {
            TAdoConn admin;
            admin.SetConnectionString(m_pgAdmin);
            ExecuteCommand(&admin, "create database " + m_pgName);
        } catch (const Exception& e) {
            m_error = "cannot reach the PostgreSQL test server: " + e.Message();
            return;
        }
        QString conn = m_pgAdmin;
        conn.replace(QRegularExpression("Database=[^;]*"), "Database=" + m_pgName);
        m_connection = conn;
    }
    m_db->ConnectionString = m_connection;
    try {
        TAdoConn* def = m_db->FindConnection("Def");
        def->SetCreateIfMissing(true);
        def->Database(); // an empty database exists too
        if (content != Empty)
            CreateSchema(def);
        if (content == Demo)
            FillDemo(def, demoIndicators);
    } catch (const Exception& e) {
        m_error = "cannot prepare the test database: " + e.Message();
        return;
    }
    m_params.BureauMode = "1";
    m_user.SetValue(0, "0001");
    m_user.SetValue(7, "02");
    m_unit.SetValue(0, "101004");
    m_unit.SetValue(3, QStringLiteral("市教育局"));
    m_unit.SetValue(17, "1");
    m_context.DataYear = kDemoYears[std::size(kDemoYears) - 1];
    m_context.DbManager = m_db.get();
    m_context.CurrentUser = &m_user;
    m_context.SysParams = &m_params;
    m_context.CurrentUnit = &m_unit;
    SetCurrentWorkContext(&m_context);
}

TestDatabase::~TestDatabase()
{
    if (CurrentWorkContext() == &m_context)
        SetCurrentWorkContext(nullptr);
    m_db.reset(); // closes every connection to the test database
    if (!m_pgName.isEmpty() && m_error.isEmpty()) {
        try {
            TAdoConn admin;
            admin.SetConnectionString(m_pgAdmin);
            ExecuteCommand(&admin, "drop database if exists " + m_pgName);
        } catch (const Exception&) {
        }
    }
}

void TestDatabase::Exec(const QString& sql)
{
    try {
        ExecuteCommand(Def(), sql);
    } catch (const Exception& e) {
        ADD_FAILURE() << "statement failed: " << sql.toStdString() << "\n"
                      << e.Message().toStdString();
    }
}

QString TestDatabase::Scalar(const QString& sql)
{
    try {
        return TARQuery::Open(Def(), sql)->Dataset()->Fields(0).AsString();
    } catch (const Exception& e) {
        ADD_FAILURE() << "query failed: " << sql.toStdString() << "\n" << e.Message().toStdString();
        return QString();
    }
}

std::string EngineName(const testing::TestParamInfo<Engine>& info)
{
    return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
}
