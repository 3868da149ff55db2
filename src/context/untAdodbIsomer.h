#pragma once
// Connections, queries, commands and the connection registry over QtSql.

#include "context/untDbError.h"
#include "context/untSqlDialect.h"
#include "platform/untInterface.h"
#include "platform/untObjectStringList.h"
#include "store/untColumnStore.h"

#include <QObject>
#include <QString>
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>

class QSqlDatabase;
class QSqlQuery;

// The wait of an SQLite connection for another's write lock; Stop ends a wait under way (a
// cancel: sqlite3_interrupt does not reach SQLite's busy wait).
struct TSqliteLockWait {
    qint64 TimeoutMs = 0;
    std::atomic<bool> Stop{false};
};

// A database connection described by an ADO-style "Key=Value;" string. Provider selects the
// Qt driver (SQLite, PostgreSQL, anything else through ODBC) and the SQL dialect.
class TAdoConn : public QObject
{
    Q_OBJECT
public:
    explicit TAdoConn(QObject* owner = nullptr);
    ~TAdoConn() override;

    QString ConnectionString() const { return m_connectionString; }
    void SetConnectionString(const QString& text);
    bool LoginPrompt() const { return m_loginPrompt; }
    void SetLoginPrompt(bool on) { m_loginPrompt = on; }
    // An SQLite file that does not exist is created instead of refused (the database tool).
    void SetCreateIfMissing(bool on) { m_createIfMissing = on; }
    QString Provider() const;
    // The Qt connection's own name (unique per object).
    QString Name() const { return m_name; }
    // The registry's name ("Def"), or the Qt name for a connection outside the registry.
    QString DisplayName() const { return m_registryName.isEmpty() ? m_name : m_registryName; }
    void SetRegistryName(const QString& name) { m_registryName = name; }
    // The message of the last statement or open that failed on this connection, and the
    // driver's code of it where there is one (SQLite's result code, PostgreSQL's SQLSTATE).
    QString LastError() const { return m_lastError; }
    QString LastErrorCode() const { return m_lastErrorCode; }
    void SetLastError(const QString& error, const QString& code = QString())
    {
        m_lastError = error;
        m_lastErrorCode = code;
    }
    // The last failure was a wait for another connection's lock that ran out.
    bool LastErrorWasLockWait();

    // Seconds a statement waits for another connection's lock before it fails: the connection
    // string's "Lock Timeout", else kDefaultLockTimeout.
    static constexpr int kDefaultLockTimeout = 30;
    int LockTimeout() const;
    // Outside the writers' transactions (which wait LockTimeout) a PostgreSQL statement waits
    // this long at most: a read on the window's thread that meets a table another program
    // holds whole (changing its structure, say) fails instead of freezing the window.
    int ReadLockTimeout() const { return std::min(LockTimeout(), 5); }
    // SQLite's journal mode as the connection runs it ("wal", or what it fell back to); empty
    // for other databases.
    QString JournalMode() const { return m_journalMode; }
    // What the operator must be told about the open connection's guarantees (SQLite without
    // its write-ahead log, a file in a network folder), handed out once; empty when nothing.
    QString TakeNotice();
    // The open connection is gone (a server restart, a terminated session); not after Close.
    bool Lost() const;
    // While a transaction is open a lost connection is not opened anew: the transaction's work
    // went with it, and its owner must fail first.
    void SetInTransaction(bool open) { m_inTransaction = open; }
    bool InTransaction() const { return m_inTransaction; }

    // Dialect tests read the provider anew every time.
    bool IsOracle();
    bool IsAccess();
    bool IsSqlServer();
    TSqlDialect Dialect();

    // Opens on first use, and opens anew a connection that was lost (outside a transaction);
    // throws TExceptDbManager with the driver's message on failure.
    QSqlDatabase Database();
    // Opens on first use; false when it cannot be opened or was closed.
    bool Connected();
    // Closed by the program: it stays closed.
    void Close();

    // The operator the history of changes records for this connection's writes. It is set on
    // the database session every time the connection opens (also when opened anew after a
    // loss), and at once on an open one; a clone carries it to its own session.
    void SetSessionOperator(const QString& code);
    QString SessionOperator() const { return m_operator; }
    // The program path ("录入", "导入", "删除", …) the history records for the writes that
    // follow on this connection; opens the connection, raises TExceptDbManager on a failure.
    void SetWritePath(const QString& path);
    // SQLite, inside the product's write transaction: names this connection's operator and path
    // in busibudgetwriter, which the history triggers read (writers are serialised: it is this
    // transaction's). False where it does not apply: another engine, no operator or path, a
    // database without the table. The transaction empties it again before its commit (a
    // rollback does too), so other programs find it empty. A transaction that only adds rows
    // (onlyAdds) sets the table's insert trigger aside until UnmarkWriter, which writes the
    // history of the rows added in one statement instead (a rollback brings the trigger back).
    // Raises TExceptDbManager on a failure.
    bool MarkWriter(bool onlyAdds = false);
    // Before the commit of a transaction MarkWriter named: writes the history of the rows it
    // added where the insert trigger was set aside, and puts the trigger back; empties
    // busibudgetwriter and gives the connection back its own history trigger. Raises
    // TExceptDbManager on a failure.
    void UnmarkWriter();

    // A new connection with the same settings, for another thread.
    TAdoConn* Clone() const;
    // The lock wait of an open SQLite connection; null for other databases.
    std::shared_ptr<TSqliteLockWait> SqliteLockWait() const { return m_lockWait; }

private:
    QSqlDatabase Open();
    void ApplySession(QSqlDatabase& db);
    void SetAddedTriggerAside(QSqlQuery& q);
    void SetUpSqlite(QSqlDatabase& db, const QString& file);
    void Forget();

    QString m_connectionString;
    QString m_upperProvider;
    bool m_loginPrompt = false;
    bool m_createIfMissing = false;
    QString m_name;
    QString m_registryName;
    QString m_lastError;
    QString m_lastErrorCode;
    QString m_journalMode;
    QString m_notice;
    QString m_protectedFile;   // the SQLite file this connection has open
    QByteArray m_fileIdentity; // its device and inode when opened
    // The SQLite file was deleted or replaced by another since it was opened: the connection
    // would still read and write the old one, so it refuses every statement.
    bool FileReplaced() const;
    QString m_operator;
    QString m_path;
    QString m_addedTrigger;  // the insert trigger MarkWriter set aside, to be made again
    qint64 m_addedAfter = 0; // the rows added since have larger rowids
    bool m_closed = false;
    std::shared_ptr<TSqliteLockWait> m_lockWait;
    bool m_inTransaction = false;
};

// A query result opened on a connection, kept in memory, freed at its last Release.
class TARQuery;

// One field of the current record.
class TField
{
public:
    TField(const TARQuery* query, int column) : m_query(query), m_column(column) {}
    QString FieldName() const;
    bool IsNull() const;
    QString AsString() const;
    double AsFloat() const;
    Currency AsCurrency() const;
    QVariant Value() const;
    int Index() const { return m_column; }

private:
    const TARQuery* m_query;
    int m_column;
};

class TARQuery final : public IInterface
{
public:
    // Opens the statement on the connection (one round trip); errors raise.
    static TIntfPtr<TARQuery> Open(TAdoConn* conn, const QString& sql);

    long QueryInterface(const QUuid& iid, void** obj) override;
    int AddRef() override;
    int Release() override;
    int RefCount() const { return m_refCount.load(); }

    // The reference's one operation: the query as a dataset.
    TARQuery* Dataset() { return this; }

    QString SQL() const { return m_sql; }
    bool Active() const { return m_active; }
    bool IsEmpty() const { return RecordCount() == 0; }
    int RecordCount() const { return m_active ? m_store.RowCount() : 0; }
    int RecNo() const { return m_row; }
    void First() { m_row = 0; }
    void Next();
    bool Eof() const { return !m_active || m_row >= m_store.RowCount(); }
    int FieldCount() const { return m_store.ColumnCount(); }
    TField Fields(int index) const;
    TField FieldByName(const QString& name) const; // raises when there is no such field
    int FindField(const QString& name) const { return m_store.ColumnIndex(name); }
    void Close();

    const TColumnStore& Store() const { return m_store; }
    // Hands the rows over (the query is closed afterwards).
    TColumnStore TakeStore();

    // Runs at the start of destruction, after the destroying flag is set (tests).
    std::function<void(TARQuery*)> OnDestroy;

private:
    TARQuery() = default;
    ~TARQuery();
    friend class TField;

    std::atomic<int> m_refCount{0};
    bool m_destroying = false;
    bool m_active = false;
    int m_row = 0;
    QString m_sql;
    TColumnStore m_store;
};

// Executes a statement that returns no rows; errors raise.
void ExecuteCommand(TAdoConn* conn, const QString& sql);

// The host's connection manager: login-prompt flag, connection string and named connections.
class TDbManager
{
public:
    TDbManager() = default;
    ~TDbManager();
    TDbManager(const TDbManager&) = delete;
    TDbManager& operator=(const TDbManager&) = delete;

    bool LoginPrompt = false;
    QString ConnectionString;
    QString SessionOperator;
    TObjectStringList Connections;

    // The operator of every connection registered now and later (TAdoConn::SetSessionOperator).
    void SetSessionOperator(const QString& code);

    // The connection registered under the name, created from the manager's settings if absent.
    TAdoConn* FindConnection(const QString& name);
    // Raises TExceptDbManager when the name is taken.
    void RegisterConnection(const QString& name, TAdoConn* conn);
};
