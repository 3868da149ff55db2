#include "context/untWorkContext.h"

#include "platform/untCodePage.h"

#include <QCoreApplication>
#include <QDate>
#include <QThread>

TRecordItem* TRecordObject::Items(int index)
{
    if (index < 0)
        index = 0;
    while (m_items.size() <= size_t(index))
        m_items.push_back(std::make_unique<TRecordItem>());
    return m_items[index].get();
}

namespace
{
TWorkContext*& ContextPointer()
{
    static TWorkContext* context = nullptr;
    return context;
}
} // namespace

TWorkContext* WorkContext()
{
    return ContextPointer();
}

TWorkContext* CurrentWorkContext()
{
    return ContextPointer();
}

void SetCurrentWorkContext(TWorkContext* context)
{
    ContextPointer() = context;
}

QString ItemText(TRecordItem* item)
{
    if (!item || item->Value.isNull())
        return QString();
    return item->Value.toString();
}

QString CurrentUserCode()
{
    TWorkContext* ctx = WorkContext();
    if (!ctx || !ctx->CurrentUser)
        return QString();
    return ctx->CurrentUser->Items(0)->Value.toString();
}

QString CurrentUnitText(int index)
{
    TWorkContext* ctx = WorkContext();
    return ctx && ctx->CurrentUnit ? ItemText(ctx->CurrentUnit->Items(index)) : QString();
}

QString CurrentUserText(int index)
{
    TWorkContext* ctx = WorkContext();
    return ctx && ctx->CurrentUser ? ItemText(ctx->CurrentUser->Items(index)) : QString();
}

int WorkingDataYear(int year)
{
    if (year != 0)
        return year;
    TWorkContext* ctx = WorkContext();
    return ctx ? ctx->DataYear : 0;
}

TSysParams& SysParams()
{
    static TSysParams defaults;
    TWorkContext* ctx = WorkContext();
    return ctx && ctx->SysParams ? *ctx->SysParams : defaults;
}

QString TodayText()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

bool IsDeptLevelUnit()
{
    TWorkContext* ctx = WorkContext();
    if (!ctx || !ctx->CurrentUnit)
        return false;
    const QByteArray code = ToCp936(ItemText(ctx->CurrentUnit->Items(0)));
    return code.size() == 6 && code.mid(3, 3) == "001" && ctx->SysParams &&
           ctx->SysParams->DeptLevelFlag == QLatin1String("1");
}

bool HasFewDeptUnits()
{
    TWorkContext* ctx = WorkContext();
    if (IsDeptLevelUnit() || !ctx || !ctx->CurrentUnit)
        return false;
    const QString prefix = Cp936DropRight(CurrentUnitText(0), 3);
    TQueryRef query;
    if (!OpenSql("select * from pubdept where eid like '" + SqlText(prefix) + "%'", query))
        return false;
    return query->Dataset()->RecordCount() < 3;
}

namespace
{
thread_local TAdoConn* t_threadDef = nullptr;
} // namespace

TDefConnectionScope::TDefConnectionScope(TAdoConn* conn) : m_previous(t_threadDef)
{
    t_threadDef = conn;
}

TDefConnectionScope::~TDefConnectionScope()
{
    t_threadDef = m_previous;
}

TAdoConn* GetDefConnection()
{
    if (t_threadDef)
        return t_threadDef;
    // The registry's connections belong to the application's thread: another thread without
    // a connection of its own has none.
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && app->thread() != QThread::currentThread())
        return nullptr;
    TWorkContext* ctx = WorkContext();
    if (!ctx || !ctx->DbManager)
        return nullptr;
    return ctx->DbManager->FindConnection(QStringLiteral("Def"));
}

TSqlDialect DefDialect()
{
    TAdoConn* conn = GetDefConnection();
    return conn ? conn->Dialect() : TSqlDialect(TSqlDialect::Fallback);
}

bool OpenSql(const QString& sql, TQueryRef& query)
{
    TAdoConn* conn = GetDefConnection();
    if (!conn)
        return false;
    try {
        query = TARQuery::Open(conn, sql);
        return true;
    } catch (const std::exception& e) {
        conn->SetLastError(QString::fromUtf8(e.what())); // the trace has it too
        return false;
    }
}

bool ExecSql(const QString& sql)
{
    TAdoConn* conn = GetDefConnection();
    if (!conn)
        return false;
    try {
        ExecuteCommand(conn, sql);
        return true;
    } catch (const TExceptDbManager& e) {
        conn->SetLastError(e.Message(), e.Code());
        return false;
    } catch (const std::exception& e) {
        conn->SetLastError(QString::fromUtf8(e.what()));
        return false;
    }
}

QString LastDbError()
{
    TAdoConn* conn = GetDefConnection();
    if (!conn)
        return QStringLiteral("没有可用的数据库连接。");
    return conn->LastError();
}

void DropQuery(TARQuery* query)
{
    if (!query)
        return;
    query->AddRef();
    query->Release();
}
