#include "context/untAdodbIsomer.h"

#include "context/untConnectionString.h"
#include "context/untSqlTrace.h"
#include "context/untSqliteMoneySum.h"
#include "platform/untFileGuard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <limits>
#include <libpq-fe.h>
#include <sys/stat.h>
#include <sqlite3.h>
#include <sys/vfs.h>
#include <utility>

namespace
{

QString SqliteFileName(const QString& connectionString)
{
    QString file = ConnectionStringValue(connectionString, QStringLiteral("Data Source"));
    if (file.isEmpty())
        file = ConnectionStringValue(connectionString, QStringLiteral("Database"));
    return file;
}

// Traces the statement and keeps a failure's message and code on the connection.
void Trace(TAdoConn* conn, const char* kind, const QString& error, const QString& sql,
           const QString& code = QString())
{
    if (conn && !error.isNull())
        conn->SetLastError(error, code);
    TraceSql(
        {conn ? conn->DisplayName() : QString(), QLatin1String(kind), error.isNull(), error, sql});
}

QString ErrorText(const QSqlError& e)
{
    QString text = e.text().trimmed();
    return text.isEmpty() ? QStringLiteral("数据库错误") : text;
}

// A PostgreSQL connection whose server side is gone (the driver may still call it open).
bool Dead(const QSqlDatabase& db)
{
    const QVariant h = db.driver()->handle();
    if (!h.isValid() ||
        (qstrcmp(h.typeName(), "PGconn*") != 0 && qstrcmp(h.typeName(), "pg_conn*") != 0))
        return false;
    PGconn* conn = *static_cast<PGconn* const*>(h.constData());
    return conn && PQstatus(conn) != CONNECTION_OK;
}

sqlite3* SqliteHandle(const QSqlDatabase& db)
{
    const QVariant h = db.driver()->handle();
    return h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0
               ? *static_cast<sqlite3* const*>(h.constData())
               : nullptr;
}

// Waits for another connection's lock up to the milliseconds given, trying again every two
// milliseconds: SQLite's own wait sleeps up to 100 ms between tries, so under a steady stream
// of writers a waiting one kept missing its turn until its time ran out.
int WaitForLock(void* lockWait, int tries)
{
    const auto* wait = static_cast<const TSqliteLockWait*>(lockWait);
    thread_local QElapsedTimer waited;
    if (tries == 0)
        waited.start();
    if (wait->Stop || waited.elapsed() >= wait->TimeoutMs)
        return 0;
    sqlite3_sleep(2);
    return 1;
}

// The name of the network file system the file lies on; empty on a local disk.
QString NetworkFileSystem(const QString& file)
{
    struct statfs fs {
    };
    if (::statfs(QFile::encodeName(file).constData(), &fs) != 0)
        return QString();
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969:
        return QStringLiteral("NFS");
    case 0x517b:
        return QStringLiteral("SMB");
    case 0xff534d42:
        return QStringLiteral("CIFS");
    case 0xfe534d42:
        return QStringLiteral("SMB2");
    case 0x65735546:
        return QStringLiteral("FUSE");
    case 0x5346414f:
        return QStringLiteral("AFS");
    case 0x01021997:
        return QStringLiteral("9P");
    case 0x00c36400:
        return QStringLiteral("Ceph");
    case 0x564c:
        return QStringLiteral("NCP");
    case 0x73757245:
        return QStringLiteral("Coda");
    default:
        return QString();
    }
}

} // namespace

// ---- TAdoConn ----

TAdoConn::TAdoConn(QObject* owner)
    : QObject(owner), m_name(QStringLiteral("vw-%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
{
}

TAdoConn::~TAdoConn()
{
    Forget();
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
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
        m_closed = true;
    }
    if (!m_protectedFile.isEmpty())
        ReleaseDatabaseFiles(m_protectedFile);
    m_protectedFile.clear();
    m_fileIdentity.clear();
}

TAdoConn* TAdoConn::Clone() const
{
    auto* copy = new TAdoConn;
    copy->m_registryName = m_registryName;
    copy->m_connectionString = m_connectionString;
    copy->m_loginPrompt = m_loginPrompt;
    copy->m_createIfMissing = m_createIfMissing;
    copy->m_operator = m_operator;
    return copy;
}

void TAdoConn::SetSessionOperator(const QString& code)
{
    m_operator = code;
    if (m_closed || !QSqlDatabase::contains(m_name))
        return; // set when it opens
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (db.isOpen() && !Dead(db))
        ApplySession(db);
}

void TAdoConn::SetWritePath(const QString& path)
{
    m_path = path;
    QSqlDatabase db = Database();
    ApplySession(db);
}

namespace
{
// Runs a statement of the session's set-up; a failure is traced and raised.
void RunSessionSql(TAdoConn* conn, QSqlQuery& q, const QString& sql)
{
    if (q.exec(sql))
        return;
    Trace(conn, "exec", ErrorText(q.lastError()), sql, q.lastError().nativeErrorCode());
    throw TExceptDbManager(QStringLiteral("无法设置操作员：%1").arg(ErrorText(q.lastError())),
                           q.lastError().nativeErrorCode());
}

QString TextOrNull(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("NULL") : "'" + SqlText(value) + "'";
}

// SQLite: fills in this connection's operator and path on the history rows it adds outside a
// write transaction.
QString SessionTriggerSql()
{
    return QStringLiteral(
        "CREATE TEMP TRIGGER IF NOT EXISTS vw_history_session AFTER INSERT ON "
        "main.busibudgethistory WHEN NEW.operator IS NULL BEGIN "
        "UPDATE busibudgethistory SET operator = (SELECT operator FROM temp.vw_session), "
        "path = (SELECT path FROM temp.vw_session), "
        "action = CASE WHEN NEW.action = '增加' AND (SELECT path FROM temp.vw_session) = '恢复' "
        "THEN '恢复' ELSE NEW.action END WHERE histid = NEW.histid; END");
}
} // namespace

// PostgreSQL keeps the operator and path as session settings the history trigger reads. SQLite
// has none: a temporary table holds them and a temporary trigger (a table's own triggers cannot
// see temporary tables) writes them into each history row this connection adds outside a write
// transaction (inside one, MarkWriter names them to the table's triggers).
void TAdoConn::ApplySession(QSqlDatabase& db)
{
    const TSqlDialect::Kind kind = TSqlDialect::FromProvider(Provider()).GetKind();
    if (m_operator.isEmpty() && m_path.isEmpty())
        return;
    QSqlQuery q(db);
    const auto apply = [&](const QString& sql) { RunSessionSql(this, q, sql); };
    if (kind == TSqlDialect::PostgreSQL) {
        apply(QStringLiteral("select set_config('vesperwald.operator', '%1', false), "
                             "set_config('vesperwald.path', '%2', false)")
                  .arg(SqlText(m_operator), SqlText(m_path)));
        return;
    }
    if (kind != TSqlDialect::SQLite)
        return;
    apply(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS vw_session (operator text, path text)"));
    apply(QStringLiteral("DELETE FROM temp.vw_session"));
    apply(QStringLiteral("INSERT INTO temp.vw_session VALUES (%1, %2)")
              .arg(TextOrNull(m_operator), TextOrNull(m_path)));
    apply(QStringLiteral("select 1 from main.sqlite_master where type = 'table' and name = "
                         "'busibudgethistory'"));
    if (!q.next())
        return; // a database without the history (vesperwald-db upgrade adds it)
    q.finish();
    apply(SessionTriggerSql());
}

bool TAdoConn::MarkWriter(bool onlyAdds)
{
    m_addedTrigger.clear();
    if (TSqlDialect::FromProvider(Provider()).GetKind() != TSqlDialect::SQLite ||
        (m_operator.isEmpty() && m_path.isEmpty()))
        return false;
    QSqlQuery q(Database());
    RunSessionSql(this, q,
                  QStringLiteral("select sql from main.sqlite_master where type = 'table' and "
                                 "name = 'busibudgetwriter'"));
    if (!q.next())
        return false; // a database without the history, or with that of an earlier version
    // The transaction's time stamps its history rows (one clock reading, not one per row).
    const bool timed = q.value(0).toString().contains(QLatin1String("changedat"));
    q.finish();
    RunSessionSql(this, q, QStringLiteral("DELETE FROM main.busibudgetwriter"));
    // Every history row of this transaction has its operator: the temporary trigger, which would
    // run once per row for nothing, leaves for the transaction (a rollback brings it back,
    // UnmarkWriter makes it again before a commit).
    RunSessionSql(this, q, QStringLiteral("DROP TRIGGER IF EXISTS temp.vw_history_session"));
    RunSessionSql(this, q,
                  timed ? QStringLiteral("INSERT INTO main.busibudgetwriter (operator, path, "
                                         "changedat) VALUES (%1, %2, strftime('%Y-%m-%d "
                                         "%H:%M:%f', 'now', 'localtime'))")
                              .arg(TextOrNull(m_operator), TextOrNull(m_path))
                        : QStringLiteral("INSERT INTO main.busibudgetwriter (operator, path) "
                                         "VALUES (%1, %2)")
                              .arg(TextOrNull(m_operator), TextOrNull(m_path)));
    if (onlyAdds && timed)
        SetAddedTriggerAside(q);
    return true;
}

// SQLite runs a row trigger's program for every row, even one whose WHEN is false: for a
// transaction that only adds, the insert trigger leaves until its commit and the rows added
// (the rowids above the largest now) get their history in one statement then. Only where the
// database has the view of those rows that goes with the trigger.
void TAdoConn::SetAddedTriggerAside(QSqlQuery& q)
{
    RunSessionSql(this, q,
                  QStringLiteral("SELECT (SELECT sql FROM main.sqlite_master WHERE type = "
                                 "'trigger' AND name = 'busibudget_history_insert'), (SELECT "
                                 "count(*) FROM main.sqlite_master WHERE type = 'view' AND name "
                                 "= 'busibudget_history_added'), (SELECT max(rowid) FROM "
                                 "main.busibudget)"));
    if (!q.next())
        return;
    const QString trigger = q.value(0).toString();
    const bool view = q.value(1).toInt() == 1;
    const qint64 largest = q.value(2).toLongLong(); // 0 for an empty table
    q.finish();
    // At the largest rowid SQLite draws new ones at random: no range holds the rows added then.
    if (trigger.isEmpty() || !view || largest == std::numeric_limits<qint64>::max())
        return;
    RunSessionSql(this, q, QStringLiteral("DROP TRIGGER main.busibudget_history_insert"));
    m_addedTrigger = trigger;
    m_addedAfter = largest;
}

void TAdoConn::UnmarkWriter()
{
    QSqlQuery q(Database());
    if (!m_addedTrigger.isEmpty()) {
        const QString trigger = m_addedTrigger;
        m_addedTrigger.clear();
        RunSessionSql(this, q,
                      QStringLiteral("INSERT INTO main.busibudgethistory (datayear, budgid, eid, "
                                     "action, changedat, operator, path, oldrow, newrow) SELECT "
                                     "datayear, budgid, eid, action, changedat, operator, path, "
                                     "oldrow, newrow FROM main.busibudget_history_added WHERE "
                                     "addedrow > %1 ORDER BY addedrow")
                          .arg(m_addedAfter));
        RunSessionSql(this, q, trigger);
    }
    RunSessionSql(this, q, QStringLiteral("DELETE FROM main.busibudgetwriter"));
    RunSessionSql(this, q, SessionTriggerSql());
}

int TAdoConn::LockTimeout() const
{
    bool ok = false;
    const int seconds =
        ConnectionStringValue(m_connectionString, QStringLiteral("Lock Timeout")).toInt(&ok);
    return ok && seconds > 0 ? seconds : kDefaultLockTimeout;
}

bool TAdoConn::LastErrorWasLockWait()
{
    switch (Dialect().GetKind()) {
    case TSqlDialect::SQLite: // SQLITE_BUSY, SQLITE_LOCKED
        return m_lastErrorCode == QLatin1String("5") || m_lastErrorCode == QLatin1String("6");
    case TSqlDialect::PostgreSQL: // lock_not_available (lock_timeout)
        return m_lastErrorCode == QLatin1String("55P03");
    default:
        return false;
    }
}

QString TAdoConn::TakeNotice()
{
    return std::exchange(m_notice, QString());
}

namespace
{
// "device:inode" of the file; empty when there is none.
QByteArray FileIdentity(const QString& file)
{
    struct stat st {
    };
    if (::stat(QFile::encodeName(file).constData(), &st) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(st.st_dev)) + ':' +
           QByteArray::number(qulonglong(st.st_ino));
}
} // namespace

bool TAdoConn::FileReplaced() const
{
    return !m_fileIdentity.isEmpty() && FileIdentity(m_protectedFile) != m_fileIdentity;
}

bool TAdoConn::Lost() const
{
    if (m_closed || !QSqlDatabase::contains(m_name))
        return false;
    const QSqlDatabase db = QSqlDatabase::database(m_name, false);
    return !db.isOpen() || Dead(db);
}

QSqlDatabase TAdoConn::Database()
{
    if (!QSqlDatabase::contains(m_name))
        return Open();
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    if (m_closed)
        throw TExceptDbManager(QStringLiteral("数据库连接已关闭。"));
    // Not opened anew: the old file's log beside the new file could be applied to it.
    if (FileReplaced())
        throw TExceptDbManager(
            QStringLiteral("数据库文件%1在打开之后被删除或替换了（例如从备份恢复），这个连接"
                           "不再使用它，没有读写任何数据。请退出程序，再重新打开（打开着的"
                           "连接会妨碍新文件）。")
                .arg(QDir::toNativeSeparators(m_protectedFile)));
    if (db.isOpen() && !Dead(db))
        return db;
    if (m_inTransaction)
        throw TExceptDbManager(QStringLiteral("与数据库的连接已断开，未提交的修改都没有写入。"));
    // Lost (a server restart, a terminated session): opened anew for the next statement.
    db = QSqlDatabase();
    Forget();
    try {
        return Open();
    } catch (const TExceptDbManager& e) {
        throw TExceptDbManager(
            QStringLiteral("与数据库的连接已断开，重新连接也没有成功：%1").arg(e.Message()));
    }
}

void TAdoConn::Forget()
{
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    if (!m_protectedFile.isEmpty())
        ReleaseDatabaseFiles(m_protectedFile);
    m_protectedFile.clear();
    m_fileIdentity.clear();
}

QSqlDatabase TAdoConn::Open()
{
    const QString provider = Provider();
    if (provider.isEmpty())
        throw TExceptDbManager(QStringLiteral("连接字符串没有指定Provider。"));
    const TSqlDialect dialect = TSqlDialect::FromProvider(provider);
    const QString busyTimeout = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(LockTimeout() * 1000);
    QSqlDatabase db;
    QString file;
    if (dialect.GetKind() == TSqlDialect::SQLite) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        file = SqliteFileName(m_connectionString);
        if (file.isEmpty()) {
            QSqlDatabase::removeDatabase(m_name);
            throw TExceptDbManager(QStringLiteral("连接字符串没有指定数据库文件(Data Source)。"));
        }
        if (file == QLatin1String(":memory:")) {
            db.setDatabaseName(file);
            db.setConnectOptions(busyTimeout);
        } else {
            // A missing file is an error, not a new empty database (unless asked for). What
            // SQLite would only call "unable to open" is said plainly.
            const QFileInfo info(file);
            const QString shown = QDir::toNativeSeparators(file);
            QString refusal;
            if (info.isDir())
                refusal = QStringLiteral("%1是文件夹，不是数据库文件。").arg(shown);
            else if (!m_createIfMissing && !info.exists())
                refusal = QStringLiteral("数据库文件%1不存在。").arg(shown);
            if (!refusal.isEmpty()) {
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(m_name);
                throw TExceptDbManager(refusal);
            }
            file = QFileInfo(file).absoluteFilePath();
            const QString uri = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) +
                                (m_createIfMissing ? "?mode=rwc" : "?mode=rw");
            db.setDatabaseName(uri);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;") + busyTimeout);
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
        db.setConnectOptions(QStringLiteral("connect_timeout=10;options='-c lock_timeout=%1'")
                                 .arg(ReadLockTimeout() * 1000));
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
    try {
        if (dialect.GetKind() == TSqlDialect::SQLite)
            SetUpSqlite(db, file);
        ApplySession(db);
    } catch (const TExceptDbManager&) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw;
    }
    m_closed = false;
    return db;
}

// Several operators' processes share the file safely with a write-ahead log (readers never wait
// for the writer, the writer never for readers), a wait for a writer's lock, and syncs at the
// right moments. Every setting is read back: nothing runs with weaker guarantees unsaid.
void TAdoConn::SetUpSqlite(QSqlDatabase& db, const QString& file)
{
    QSqlQuery pragma(db);
    const auto value = [&](const QString& sql) {
        if (!pragma.exec(sql))
            throw TExceptDbManager(ErrorText(pragma.lastError()),
                                   pragma.lastError().nativeErrorCode());
        return pragma.next() ? pragma.value(0).toString().toLower() : QString();
    };
    // SQLite opens any file; the first read tells whether it is a database at all.
    QString tables;
    try {
        tables = value(QStringLiteral("select count(*) from sqlite_master"));
    } catch (const TExceptDbManager& e) {
        throw TExceptDbManager(
            e.Message().contains(QLatin1String("not a database"))
                ? QStringLiteral("文件%1不是SQLite数据库。").arg(SqliteFileName(m_connectionString))
                : QStringLiteral("无法读取数据库：%1").arg(e.Message()));
    }
    sqlite3* handle = SqliteHandle(db);
    m_lockWait = std::make_shared<TSqliteLockWait>(); // a new one for each handle opened
    m_lockWait->TimeoutMs = qint64(LockTimeout()) * 1000;
    if (!handle || sqlite3_busy_handler(handle, &WaitForLock, m_lockWait.get()) != SQLITE_OK)
        throw TExceptDbManager(QStringLiteral("无法设置数据库的等待方式。"));
    if (!RegisterSqliteMoneySum(handle))
        throw TExceptDbManager(QStringLiteral("无法设置数据库的金额汇总函数。"));
    // Speed only: a larger page cache and memory-mapped reads.
    value(QStringLiteral("PRAGMA cache_size=-131072"));
    value(QStringLiteral("PRAGMA mmap_size=268435456"));
    // A file without any table (an empty one, say) is not written to here: the check of the
    // tables that follows names what is missing, and the file stays as it was.
    const bool untouched = tables == QLatin1String("0") && !m_createIfMissing;
    if (file.isEmpty() || file == QLatin1String(":memory:") || untouched) {
        m_journalMode = value(QStringLiteral("PRAGMA journal_mode"));
        return;
    }
    // The log's shared index lives in memory of one computer: over a network folder the
    // rollback journal with the file system's locks is what SQLite can rely on.
    const QString network = NetworkFileSystem(file);
    const QString wanted = network.isEmpty() ? QStringLiteral("wal") : QStringLiteral("delete");
    m_journalMode = pragma.exec(QStringLiteral("PRAGMA journal_mode=") + wanted) && pragma.next()
                        ? pragma.value(0).toString().toLower()
                        : value(QStringLiteral("PRAGMA journal_mode")); // held by another
    // NORMAL loses no committed work with the log; the rollback journal needs FULL for that.
    const bool wal = m_journalMode == QLatin1String("wal");
    value(wal ? QStringLiteral("PRAGMA synchronous=NORMAL")
              : QStringLiteral("PRAGMA synchronous=FULL"));
    if (value(QStringLiteral("PRAGMA synchronous")) !=
        (wal ? QLatin1String("1") : QLatin1String("2")))
        throw TExceptDbManager(QStringLiteral("无法设置数据库的写入同步方式。"));
    const QString shown = QDir::toNativeSeparators(file);
    if (!network.isEmpty())
        m_notice =
            QStringLiteral("数据库文件%1在网络文件夹上（%2）。SQLite的共享日志只在本机磁盘上可靠，"
                           "现以%3日志方式运行：同一时间只宜一位操作员使用，几台电脑同时写入"
                           "可能损坏数据。几位操作员共用时，请把文件放在其中一台电脑的本机磁盘上，"
                           "或改用PostgreSQL数据库服务器。")
                .arg(shown, network, m_journalMode.toUpper());
    else if (!wal)
        m_notice =
            QStringLiteral("数据库文件%1不能使用WAL日志方式，现以%2方式运行：一位操作员写入时，"
                           "其他操作员的读取和写入都要等待。请确认没有其他程序占用这个文件，"
                           "并放在本机磁盘上。")
                .arg(shown, m_journalMode.toUpper());
    ProtectDatabaseFiles(file);
    m_protectedFile = file;
    m_fileIdentity = FileIdentity(file);
}

// ---- commands and the connection manager ----

void ExecuteCommand(TAdoConn* conn, const QString& sql)
{
    try {
        QSqlDatabase db = conn->Database();
        QSqlQuery q(db);
        if (!q.exec(sql))
            throw TExceptDbManager(ErrorText(q.lastError()), q.lastError().nativeErrorCode());
    } catch (const TExceptDbManager& e) {
        Trace(conn, "exec", e.Message(), sql, e.Code());
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

void TDbManager::SetSessionOperator(const QString& code)
{
    SessionOperator = code;
    for (int i = 0; i < Connections.Count(); ++i)
        static_cast<TAdoConn*>(Connections.Objects(i))->SetSessionOperator(code);
}

TAdoConn* TDbManager::FindConnection(const QString& name)
{
    const int index = Connections.IndexOf(name);
    if (index >= 0)
        return static_cast<TAdoConn*>(Connections.Objects(index));
    auto* conn = new TAdoConn;
    conn->SetLoginPrompt(LoginPrompt);
    conn->SetConnectionString(ConnectionString);
    conn->SetSessionOperator(SessionOperator);
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
