#include "untAdodbIsomer.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <sqlite3.h>

namespace
{

SqlObserver& Observer()
{
    static SqlObserver observer;
    return observer;
}

void Trace(const TAdoConn* conn, const char* kind, const QString& error, const QString& sql)
{
    const SqlTraceEntry entry{conn ? conn->Name() : QString(), QLatin1String(kind), error.isNull(),
                              error, sql};
    if (Observer())
        Observer()(entry);
    const QString path = qEnvironmentVariable("VESPERWALD_SQL_TRACE");
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    QString flat = sql;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString status =
        entry.Ok ? QStringLiteral("ok") : QStringLiteral("error: ") + error.simplified();
    file.write((QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + '\t' + entry.Connection +
                '\t' + entry.Kind + '\t' + status + '\t' + flat + '\n')
                   .toUtf8());
}

QString ErrorText(const QSqlError& e)
{
    QString text = e.text().trimmed();
    return text.isEmpty() ? QStringLiteral("数据库错误") : text;
}

bool IsNumericType(int typeId)
{
    switch (typeId) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

// Reads an SQLite result straight from the driver's own connection handle: the rows go into
// the column store as UTF-8 and numbers, without a QVariant and a QString per value (QtSql's
// way costs about 40% more at a million rows). False when the handle is not available.
bool ReadSqliteNative(const QSqlDatabase& db, const QString& sql, TColumnStore& store)
{
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3* handle = *static_cast<sqlite3* const*>(h.constData());
    if (!handle)
        return false;
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        throw TExceptDbManager(QString::fromUtf8(sqlite3_errmsg(handle)));
    struct Finalize {
        sqlite3_stmt* s;
        ~Finalize() { sqlite3_finalize(s); }
    } finalize{stmt};
    const int columns = stmt ? sqlite3_column_count(stmt) : 0;
    QStringList names;
    QList<bool> numeric;
    for (int i = 0; i < columns; ++i) {
        names << QString::fromUtf8(sqlite3_column_name(stmt, i));
        const QByteArray decl = QByteArray(sqlite3_column_decltype(stmt, i)).toUpper();
        numeric << (decl.contains("INT") || decl.contains("REAL") || decl.contains("NUM") ||
                    decl.contains("FLOA") || decl.contains("DOUB") || decl.contains("DEC"));
    }
    store.SetColumns(names, numeric);
    if (!stmt)
        return true; // an empty statement
    for (;;) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            throw TExceptDbManager(QString::fromUtf8(sqlite3_errmsg(handle)));
        for (int i = 0; i < columns; ++i) {
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_NULL:
                store.AppendNull(i);
                break;
            case SQLITE_INTEGER:
                store.AppendInt(i, sqlite3_column_int64(stmt, i));
                break;
            case SQLITE_FLOAT:
                store.AppendReal(i, sqlite3_column_double(stmt, i));
                break;
            default: {
                const char* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                store.AppendUtf8(i, data ? data : "", sqlite3_column_bytes(stmt, i));
            }
            }
        }
        store.EndRow();
    }
    return true;
}

} // namespace

void SetSqlObserver(SqlObserver observer)
{
    Observer() = std::move(observer);
}

QString ConnectionStringValue(const QString& connectionString, const QString& key)
{
    const QStringList parts = connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        if (part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
            continue;
        QString value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
            value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return QString();
}

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
    } catch (const Exception&) {
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
        QString file = ConnectionStringValue(m_connectionString, QStringLiteral("Data Source"));
        if (file.isEmpty())
            file = ConnectionStringValue(m_connectionString, QStringLiteral("Database"));
        if (file.isEmpty()) {
            QSqlDatabase::removeDatabase(m_name);
            throw TExceptDbManager(QStringLiteral("连接字符串没有指定数据库文件(Data Source)。"));
        }
        if (file == QLatin1String(":memory:")) {
            db.setDatabaseName(file);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        } else {
            // A missing file is an error, not a new empty database (unless asked for).
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
        QStringList rest;
        for (const QString& part : m_connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!part.trimmed().startsWith(QLatin1String("Provider="), Qt::CaseInsensitive))
                rest << part;
        db.setDatabaseName(rest.join(QLatin1Char(';')));
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
        for (const char* p : {"PRAGMA cache_size=-131072", "PRAGMA mmap_size=268435456",
                              "PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"})
            pragma.exec(QLatin1String(p));
    }
    return db;
}

// ---- TARQuery ----

TIntfPtr<TARQuery> TARQuery::Open(TAdoConn* conn, const QString& sql)
{
    TIntfPtr<TARQuery> ref(new TARQuery);
    ref->m_sql = sql;
    try {
        QSqlDatabase db = conn->Database();
        if (ReadSqliteNative(db, sql, ref->m_store)) {
            Trace(conn, "open", QString(), sql);
            ref->m_active = true;
            return ref;
        }
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.setNumericalPrecisionPolicy(QSql::HighPrecision);
        if (!q.exec(sql))
            throw TExceptDbManager(ErrorText(q.lastError()));
        const QSqlRecord rec = q.record();
        QStringList names;
        QList<bool> numeric;
        for (int i = 0; i < rec.count(); ++i) {
            names << rec.fieldName(i);
            numeric << IsNumericType(rec.field(i).metaType().id());
        }
        TColumnStore& store = ref->m_store;
        store.SetColumns(names, numeric);
        const int columns = rec.count();
        while (q.next()) {
            for (int i = 0; i < columns; ++i)
                store.Append(i, q.value(i));
            store.EndRow();
        }
        if (q.lastError().isValid())
            throw TExceptDbManager(ErrorText(q.lastError()));
    } catch (const TExceptDbManager& e) {
        Trace(conn, "open", e.Message(), sql);
        throw;
    }
    Trace(conn, "open", QString(), sql);
    ref->m_active = true;
    return ref;
}

TARQuery::~TARQuery()
{
    m_destroying = true;
    if (OnDestroy)
        OnDestroy(this);
}

long TARQuery::QueryInterface(const QUuid&, void** obj)
{
    *obj = this;
    AddRef();
    return S_OK_RESULT;
}

int TARQuery::AddRef()
{
    return ++m_refCount;
}

int TARQuery::Release()
{
    const int count = --m_refCount;
    if (count == 0 && !m_destroying)
        delete this;
    return count;
}

void TARQuery::Next()
{
    if (!Eof())
        ++m_row;
}

TField TARQuery::Fields(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw Exception(QStringLiteral("字段序号%1超出范围").arg(index));
    return TField(this, index);
}

TField TARQuery::FieldByName(const QString& name) const
{
    const int index = m_store.ColumnIndex(name);
    if (index < 0)
        throw Exception(QStringLiteral("字段%1不存在").arg(name));
    return TField(this, index);
}

void TARQuery::Close()
{
    m_active = false;
    m_row = 0;
}

TColumnStore TARQuery::TakeStore()
{
    TColumnStore taken = std::move(m_store);
    m_store = TColumnStore();
    Close();
    return taken;
}

QString TField::FieldName() const
{
    return m_query->m_store.ColumnName(m_column);
}

bool TField::IsNull() const
{
    return m_query->Eof() || m_query->m_store.IsNull(m_query->m_row, m_column);
}

QString TField::AsString() const
{
    return m_query->Eof() ? QString() : m_query->m_store.Text(m_query->m_row, m_column);
}

double TField::AsFloat() const
{
    return m_query->Eof() ? 0.0 : m_query->m_store.Float(m_query->m_row, m_column);
}

Currency TField::AsCurrency() const
{
    return m_query->Eof() ? Currency() : m_query->m_store.Money(m_query->m_row, m_column);
}

QVariant TField::Value() const
{
    return m_query->Eof() ? QVariant() : m_query->m_store.Value(m_query->m_row, m_column);
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
    QObject::connect(conn, &QObject::destroyed, [this, conn] {
        const int index = Connections.IndexOfObject(conn);
        if (index >= 0)
            Connections.Delete(index);
    });
}
