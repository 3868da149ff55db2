#include "context/untAdodbIsomer.h"

#include "context/untConnectionString.h"
#include "context/untSqlTrace.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

namespace
{

QString SqliteFileName(const QString& connectionString)
{
    QString file = ConnectionStringValue(connectionString, QStringLiteral("Data Source"));
    if (file.isEmpty())
        file = ConnectionStringValue(connectionString, QStringLiteral("Database"));
    return file;
}

// Traces the statement and keeps a failure's message on the connection.
void Trace(TAdoConn* conn, const char* kind, const QString& error, const QString& sql)
{
    if (conn && !error.isNull())
        conn->SetLastError(error);
    TraceSql(
        {conn ? conn->DisplayName() : QString(), QLatin1String(kind), error.isNull(), error, sql});
}

QString ErrorText(const QSqlError& e)
{
    QString text = e.text().trimmed();
    return text.isEmpty() ? QStringLiteral("数据库错误") : text;
}

} // namespace

// ---- TAdoConn ----

TAdoConn::TAdoConn(QObject* owner)
    : QObject(owner), m_name(QStringLiteral("vw-%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
{
}

TAdoConn::~TAdoConn()
{
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
}

void TAdoConn::SetConnectionString(const QString& text)
{
    m_connectionString = text;
}

QString TAdoConn::Provider() const
{
    return ConnectionStringValue(m_connectionString, QStringLiteral("Provider"));
}

bool TAdoConn::IsOracle()
{
    m_upperProvider = Provider().toUpper();
    return TSqlDialect::IsOracleProvider(m_upperProvider);
}

bool TAdoConn::IsAccess()
{
    m_upperProvider = Provider().toUpper();
    return TSqlDialect::IsAccessProvider(m_upperProvider);
}

bool TAdoConn::IsSqlServer()
{
    m_upperProvider = Provider().toUpper();
    return TSqlDialect::IsSqlServerProvider(m_upperProvider);
}

TSqlDialect TAdoConn::Dialect()
{
    m_upperProvider = Provider().toUpper();
    return TSqlDialect::FromProvider(m_upperProvider);
}

bool TAdoConn::Connected()
{
    try {
        Database();
        return true;
    } catch (const Exception& e) {
        m_lastError = e.Message();
        return false;
    }
}

void TAdoConn::Close()
{
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::database(m_name, false).close();
}

TAdoConn* TAdoConn::Clone() const
{
    auto* copy = new TAdoConn;
    copy->m_registryName = m_registryName;
    copy->m_connectionString = m_connectionString;
    copy->m_loginPrompt = m_loginPrompt;
    copy->m_createIfMissing = m_createIfMissing;
    return copy;
}

QSqlDatabase TAdoConn::Database()
{
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen())
            return db;
        // Closed after use: a closed connection stays closed (a lost connection).
        throw TExceptDbManager(QStringLiteral("数据库连接已关闭。"));
    }
    const QString provider = Provider();
    if (provider.isEmpty())
        throw TExceptDbManager(QStringLiteral("连接字符串没有指定Provider。"));
    const TSqlDialect dialect = TSqlDialect::FromProvider(provider);
    QSqlDatabase db;
    if (dialect.GetKind() == TSqlDialect::SQLite) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        const QString file = SqliteFileName(m_connectionString);
        if (file.isEmpty()) {
            QSqlDatabase::removeDatabase(m_name);
            throw TExceptDbManager(QStringLiteral("连接字符串没有指定数据库文件(Data Source)。"));
        }
        if (file == QLatin1String(":memory:")) {
            db.setDatabaseName(file);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        } else {
            // A missing file is an error, not a new empty database (unless asked for).
            if (!m_createIfMissing && !QFileInfo::exists(file)) {
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(m_name);
                throw TExceptDbManager(
                    QStringLiteral("数据库文件%1不存在。").arg(QDir::toNativeSeparators(file)));
            }
            const QString uri = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath())
                                    .toString(QUrl::FullyEncoded) +
                                (m_createIfMissing ? "?mode=rwc" : "?mode=rw");
            db.setDatabaseName(uri);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        }
    } else if (dialect.GetKind() == TSqlDialect::PostgreSQL) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(ConnectionStringValue(m_connectionString, QStringLiteral("Host")));
        const QString port = ConnectionStringValue(m_connectionString, QStringLiteral("Port"));
        if (!port.isEmpty())
            db.setPort(port.toInt());
        db.setDatabaseName(ConnectionStringValue(m_connectionString, QStringLiteral("Database")));
        db.setUserName(ConnectionStringValue(m_connectionString, QStringLiteral("User ID")));
        db.setPassword(ConnectionStringValue(m_connectionString, QStringLiteral("Password")));
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
        db.setDatabaseName(ConnectionStringWithoutProvider(m_connectionString));
    }
    if (!db.isValid()) {
        QSqlDatabase::removeDatabase(m_name);
        throw TExceptDbManager(QStringLiteral("没有可用的数据库驱动：%1").arg(provider));
    }
    if (!db.open()) {
        const QString error = ErrorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw TExceptDbManager(QStringLiteral("无法连接数据库：%1").arg(error));
    }
    if (dialect.GetKind() == TSqlDialect::SQLite) {
        QSqlQuery pragma(db);
        // SQLite opens any file; the first read tells whether it is a database at all.
        if (!pragma.exec(QStringLiteral("select count(*) from sqlite_master"))) {
            const QString error = ErrorText(pragma.lastError());
            pragma = QSqlQuery();
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            throw TExceptDbManager(error.contains(QLatin1String("not a database"))
                                       ? QStringLiteral("文件%1不是SQLite数据库。")
                                             .arg(SqliteFileName(m_connectionString))
                                       : QStringLiteral("无法读取数据库：%1").arg(error));
        }
        for (const char* p : {"PRAGMA cache_size=-131072", "PRAGMA mmap_size=268435456",
                              "PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"})
            pragma.exec(QLatin1String(p));
    }
    return db;
}

// ---- commands and the connection manager ----

void ExecuteCommand(TAdoConn* conn, const QString& sql)
{
    try {
        QSqlDatabase db = conn->Database();
        QSqlQuery q(db);
        if (!q.exec(sql))
            throw TExceptDbManager(ErrorText(q.lastError()));
    } catch (const TExceptDbManager& e) {
        Trace(conn, "exec", e.Message(), sql);
        throw;
    }
    Trace(conn, "exec", QString(), sql);
}

TDbManager::~TDbManager()
{
    for (int i = Connections.Count() - 1; i >= 0; --i) {
        QObject* conn = Connections.Objects(i);
        QObject::disconnect(conn, &QObject::destroyed, nullptr, nullptr);
        delete conn;
    }
}

TAdoConn* TDbManager::FindConnection(const QString& name)
{
    const int index = Connections.IndexOf(name);
    if (index >= 0)
        return static_cast<TAdoConn*>(Connections.Objects(index));
    auto* conn = new TAdoConn;
    conn->SetLoginPrompt(LoginPrompt);
    conn->SetConnectionString(ConnectionString);
    RegisterConnection(name, conn);
    return conn;
}

void TDbManager::RegisterConnection(const QString& name, TAdoConn* conn)
{
    if (Connections.IndexOf(name) >= 0)
        throw TExceptDbManager(QStringLiteral("一个名为%1的TAdoConn对象已经存在！").arg(name));
    Connections.AddObject(name, conn);
    conn->SetRegistryName(name);
    QObject::connect(conn, &QObject::destroyed, [this, conn] {
        const int index = Connections.IndexOfObject(conn);
        if (index >= 0)
            Connections.Delete(index);
    });
}
