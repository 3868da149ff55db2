#include "host/HostContext.h"

#include "db/DbSchema.h"

#include <QDate>

bool ParseDataYear(const QString& text, int* year, QString* error)
{
    bool digits = text.size() == 4;
    for (QChar c : text)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digits || text.startsWith(QLatin1Char('0'))) {
        *error =
            QStringLiteral("数据年度必须是四位数字（例如 2026），“%1”不是有效的年度。").arg(text);
        return false;
    }
    *year = text.toInt();
    return true;
}

HostContext::HostContext()
{
    m_context.DbManager = &m_db;
    m_context.CurrentUser = &m_user;
    m_context.SysParams = &m_params;
    m_context.DataYear = QDate::currentDate().year();
}

bool HostContext::Load(const HostOptions& options, QString* error)
{
    m_db.ConnectionString = options.Connection;
    TAdoConn* conn = m_db.FindConnection(QStringLiteral("Def"));
    try {
        const QStringList problems = CheckSchema(conn);
        if (!problems.isEmpty()) {
            *error = QStringLiteral("数据库缺少本系统需要的表或列：\n") + problems.join('\n') +
                     QStringLiteral("\n\n请系统管理员运行 vesperwald-db upgrade --connection \"…\" "
                                    "补齐数据库结构（空数据库用 vesperwald-db create）。");
            return false;
        }
    } catch (const Exception& e) {
        *error = e.Message();
        return false;
    }
    return LoadParams(conn, options, error) &&
           LoadUser(conn, options.User.isEmpty() ? QStringLiteral("admin") : options.User, error) &&
           LoadUnit(conn, options.Unit.isEmpty() ? ItemText(m_user.Items(2)) : options.Unit, error);
}

QString HostContext::DatabaseText()
{
    TAdoConn* conn = m_db.FindConnection(QStringLiteral("Def"));
    switch (conn->Dialect().GetKind()) {
    case TSqlDialect::SQLite:
        return conn->JournalMode() == QLatin1String("wal")
                   ? QStringLiteral("SQLite（WAL日志）")
                   : QStringLiteral("SQLite（%1日志，只宜一位操作员）")
                         .arg(conn->JournalMode().toUpper());
    case TSqlDialect::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    default:
        return conn->Provider();
    }
}

QString HostContext::TakeNotice()
{
    return m_db.FindConnection(QStringLiteral("Def"))->TakeNotice();
}

bool HostContext::LoadParams(TAdoConn* conn, const HostOptions& options, QString* error)
{
    try {
        TIntfPtr<TARQuery> q = TARQuery::Open(conn, "select paramname,paramvalue from sysparament");
        TARQuery* ds = q->Dataset();
        int year = 0;
        for (ds->First(); !ds->Eof(); ds->Next()) {
            const QString name = ds->Fields(0).AsString().trimmed();
            const QString value = ds->Fields(1).AsString().trimmed();
            auto is = [&](const char* n) {
                return name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0;
            };
            if (is("ConfirmDelete"))
                m_params.ConfirmDelete = value;
            else if (is("setDefaultBType"))
                m_params.DefaultBType = value.toInt();
            else if (is("ShowSuccessMsg"))
                m_params.ShowSuccessMsg = value;
            else if (is("DeptLevelFlag"))
                m_params.DeptLevelFlag = value;
            else if (is("StatusFlag"))
                m_params.StatusFlag = value;
            else if (is("BureauMode"))
                m_params.BureauMode = value;
            else if (is("BureauScope"))
                m_params.BureauScope = value.toInt();
            else if (is("setDefaultUnit"))
                m_params.DefaultMoneyUnit = value.toInt();
            else if (is("UnitItemsFlag"))
                m_params.UnitItemsFlag = value;
            else if (is("ItemPidFlag"))
                m_params.ItemPidFlag = value;
            else if (is("CurrentYear"))
                year = value.toInt();
        }
        if (options.Year > 0)
            m_context.DataYear = options.Year;
        else if (year > 0)
            m_context.DataYear = year;
        return true;
    } catch (const Exception& e) {
        *error = QStringLiteral("无法读取系统参数：%1").arg(e.Message());
        return false;
    }
}

bool HostContext::LoadUser(TAdoConn* conn, const QString& user, QString* error)
{
    try {
        TIntfPtr<TARQuery> q =
            TARQuery::Open(conn, "select userid,username,eid,burid from hostuser where userid='" +
                                     SqlText(user) + "'");
        TARQuery* ds = q->Dataset();
        if (ds->IsEmpty()) {
            *error = QStringLiteral("操作员%1不存在。").arg(user);
            return false;
        }
        // Items: 0 operator code, 1 name, 2 unit, 7 bureau.
        m_user.SetValue(0, ds->FieldByName("userid").AsString());
        m_user.SetValue(1, ds->FieldByName("username").AsString());
        m_user.SetValue(2, ds->FieldByName("eid").AsString());
        m_user.SetValue(7, ds->FieldByName("burid").AsString());
        m_userName = ds->FieldByName("username").AsString();
        // Every connection, the workers' clones too, records this operator in the history.
        m_db.SetSessionOperator(ds->FieldByName("userid").AsString());
        return true;
    } catch (const Exception& e) {
        *error = QStringLiteral("无法读取操作员：%1").arg(e.Message());
        return false;
    }
}

bool HostContext::LoadUnit(TAdoConn* conn, const QString& unit, QString* error)
{
    try {
        TIntfPtr<TARQuery> q = TARQuery::Open(
            conn, "select eid,peid,ecode,ename,deptclass,secretflag from pubdept where eid='" +
                      SqlText(unit) + "'");
        TARQuery* ds = q->Dataset();
        if (ds->IsEmpty()) {
            *error = QStringLiteral("单位%1不存在。").arg(unit);
            return false;
        }
        // Items: 0 code, 1 parent, 2 organisation code, 3 name, 4 department class, 17 secrecy.
        m_unit.SetValue(0, ds->FieldByName("eid").AsString());
        m_unit.SetValue(1, ds->FieldByName("peid").AsString());
        m_unit.SetValue(2, ds->FieldByName("ecode").AsString());
        m_unit.SetValue(3, ds->FieldByName("ename").AsString());
        m_unit.SetValue(4, ds->FieldByName("deptclass").AsString());
        m_unit.SetValue(17, ds->FieldByName("secretflag").AsString());
        m_unitName = ds->FieldByName("ename").AsString();
        m_context.CurrentUnit = &m_unit;
        return true;
    } catch (const Exception& e) {
        *error = QStringLiteral("无法读取单位：%1").arg(e.Message());
        return false;
    }
}
