#include "budget/gunBudget.h"

#include "context/untPreparedSql.h"
#include "context/untWorkContext.h"

namespace
{
QString Q(const QString& text)
{
    return SqlText(text);
}

QString Money(Currency c)
{
    return c.ToSqlText();
}
} // namespace

QString TBudgetManage::InsertSql(const TBudget& b)
{
    QString cols = QStringLiteral(
        " insert into busibudget ( DataYear,BudgId,Eid,Mid,Bkid,IPid,Pid,EKid,Bid,Iid,IIdName, "
        "InputMoney,DueMoney,BudgMoney,SplitMoney, ReplaceFlag,PayFlag,ExpFlag,ImpFlag,Status, "
        "Wid,Vid,UCid,UDid,UMid,UNid,UVid,IniBudgId,CBudgId,PBudgId,Memoo,BurId,BudgetSource,"
        "DeptClass,SplitType,BType,BTypeChild,BSource,IsSecret");
    QString vals = ") values( " + QString::number(b.DataYear) + ",'" + Q(b.BudgId) + "','" +
                   Q(b.Eid) + "','" + Q(b.Mid) + "','" + Q(b.Bkid) + "','" + Q(b.IPid) + "','" +
                   Q(b.Pid) + "','" + Q(b.EKid) + "','" + Q(b.Bid) + "','" + Q(b.Iid) + "','" +
                   Q(b.IIdName) + "'," + Money(b.InputMoney) + "," + Money(b.DueMoney) + "," +
                   Money(b.BudgMoney) + "," + Money(b.SplitMoney) + ",'" + Q(b.ReplaceFlag) +
                   "','" + Q(b.PayFlag) + "','" + Q(b.ExpFlag) + "','" + Q(b.ImpFlag) + "','" +
                   Q(b.Status) + "','" + Q(b.Wid) + "','" + Q(b.Vid) + "','" + Q(b.UCid) + "','" +
                   Q(b.UDid) + "','" + Q(b.UMid) + "','" + Q(b.UNid) + "','" + Q(b.UVid) + "','" +
                   Q(b.IniBudgId) + "','" + Q(b.CBudgId) + "','" + Q(b.PBudgId) + "','" +
                   Q(b.Memoo) + "','" + Q(b.BurId) + "','" + Q(b.BudgetSource) + "','" +
                   Q(b.DeptClass) + "','" + Q(b.SplitType) + "','" + Q(b.BType) + "','" +
                   Q(b.BTypeChild) + "','" + Q(b.BSource) + "','" + Q(b.IsSecret) + "'";
    const TSqlDialect d = DefDialect();
    auto text = [&](const QString& value, const char* column) {
        if (!value.isEmpty()) {
            cols += QLatin1String(column);
            vals += ",'" + Q(value) + "'";
        }
    };
    auto date = [&](const QString& value, const char* column) {
        if (!value.isEmpty()) {
            cols += QLatin1String(column);
            vals += "," + d.DateLiteral(value);
        }
    };
    text(b.FileName, " ,FileName ");
    date(b.FileDate, " ,FileDate ");
    date(b.InputDate, " ,InputDate ");
    text(b.UserId, " ,UserId ");
    date(b.AuditDate, " ,AuditDate ");
    text(b.AuditId, " ,AuditId ");
    date(b.SplitDate, " ,SplitDate ");
    text(b.SplitId, " ,SplitId ");
    return cols + vals + ")";
}

namespace
{
// The fixed columns of an insert, then those left out (NULL) when empty, as InsertSql has them.
const char* const kInsertColumns =
    "DataYear,BudgId,Eid,Mid,Bkid,IPid,Pid,EKid,Bid,Iid,IIdName,InputMoney,DueMoney,BudgMoney,"
    "SplitMoney,ReplaceFlag,PayFlag,ExpFlag,ImpFlag,Status,Wid,Vid,UCid,UDid,UMid,UNid,UVid,"
    "IniBudgId,CBudgId,PBudgId,Memoo,BurId,BudgetSource,DeptClass,SplitType,BType,BTypeChild,"
    "BSource,IsSecret,FileName,FileDate,InputDate,UserId,AuditDate,AuditId,SplitDate,SplitId";
constexpr int kInsertColumnCount = 47;

// '' for an empty text (a null QString would be bound as NULL).
QVariant Text(const QString& value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

QVariant OrNull(const QString& value)
{
    return value.isEmpty() ? QVariant() : QVariant(value);
}

// " insert into busibudget (…) values (?,…),(?,…)…" for that many rows.
QString InsertRowsSql(int rows)
{
    QStringList marks(kInsertColumnCount, QStringLiteral("?"));
    const QString row = QLatin1Char('(') + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    return QStringLiteral("insert into busibudget (%1) values %2")
        .arg(QLatin1String(kInsertColumns), QStringList(rows, row).join(QLatin1Char(',')));
}
} // namespace

TBudgetInserter::TBudgetInserter() = default;

TBudgetInserter::~TBudgetInserter() = default;

void TBudgetInserter::Abandon()
{
    if (m_copy)
        m_copy->Abandon();
    m_pending.clear();
    m_rows = 0;
}

namespace
{
// The insert's values of an indicator, in the order of kInsertColumns.
QVariantList InsertValues(const TBudget& b)
{
    return QVariantList{b.DataYear,
                        Text(b.BudgId),
                        Text(b.Eid),
                        Text(b.Mid),
                        Text(b.Bkid),
                        Text(b.IPid),
                        Text(b.Pid),
                        Text(b.EKid),
                        Text(b.Bid),
                        Text(b.Iid),
                        Text(b.IIdName),
                        b.InputMoney.ToSqlText(),
                        b.DueMoney.ToSqlText(),
                        b.BudgMoney.ToSqlText(),
                        b.SplitMoney.ToSqlText(),
                        Text(b.ReplaceFlag),
                        Text(b.PayFlag),
                        Text(b.ExpFlag),
                        Text(b.ImpFlag),
                        Text(b.Status),
                        Text(b.Wid),
                        Text(b.Vid),
                        Text(b.UCid),
                        Text(b.UDid),
                        Text(b.UMid),
                        Text(b.UNid),
                        Text(b.UVid),
                        Text(b.IniBudgId),
                        Text(b.CBudgId),
                        Text(b.PBudgId),
                        Text(b.Memoo),
                        Text(b.BurId),
                        Text(b.BudgetSource),
                        Text(b.DeptClass),
                        Text(b.SplitType),
                        Text(b.BType),
                        Text(b.BTypeChild),
                        Text(b.BSource),
                        Text(b.IsSecret),
                        OrNull(b.FileName),
                        OrNull(b.FileDate),
                        OrNull(b.InputDate),
                        OrNull(b.UserId),
                        OrNull(b.AuditDate),
                        OrNull(b.AuditId),
                        OrNull(b.SplitDate),
                        OrNull(b.SplitId)};
}
} // namespace

void TBudgetInserter::Insert(const TBudget& b)
{
    if (!m_copy && m_rows == 0 && !m_plain && TCopyRows::Supported())
        m_copy = std::make_unique<TCopyRows>(QStringLiteral("busibudget"),
                                             QLatin1String(kInsertColumns));
    if (!m_copy)
        m_plain = true;
    try {
        if (m_copy) {
            m_copy->Add(InsertValues(b));
            return;
        }
    } catch (const Exception& e) {
        throw TExceptBudgetManage(e.Message());
    }
    m_pending << InsertValues(b);
    if (++m_rows == kBatch)
        Run(m_batch);
}

void TBudgetInserter::Flush()
{
    if (m_copy) {
        try {
            m_copy->End();
        } catch (const Exception& e) {
            throw TExceptBudgetManage(e.Message());
        }
        return;
    }
    if (m_rows == 0)
        return;
    m_tail.reset(); // made for this many rows
    Run(m_tail);
}

void TBudgetInserter::Run(std::unique_ptr<TPreparedSql>& statement)
{
    try {
        if (!statement)
            statement = std::make_unique<TPreparedSql>(InsertRowsSql(m_rows));
        statement->Exec(m_pending);
    } catch (const Exception& e) {
        throw TExceptBudgetManage(e.Message());
    }
    m_pending.clear();
    m_rows = 0;
}

QString TBudgetManage::UpdateSql(const TBudget& b, int amountMode)
{
    QString sql = " update busibudget  set Eid= '" + Q(b.Eid) + "'," + " Mid= '" + Q(b.Mid) + "'," +
                  " Bid= '" + Q(b.Bid) + "'," + " Iid= '" + Q(b.Iid) + "'," + " IIdName= '" +
                  Q(b.IIdName) + "'," + " IsSecret= '" + Q(b.IsSecret) + "'," +
                  " SplitMoney= " + Money(b.SplitMoney);
    switch (amountMode) {
    case 0:
        sql += ",inputMoney= " + Money(b.InputMoney);
        break;
    case 1:
        sql += ",DueMoney= " + Money(b.DueMoney);
        break;
    case 2:
        sql += ",BudgMoney= " + Money(b.BudgMoney);
        break;
    case 3:
        sql += ",inputMoney= " + Money(b.InputMoney) + ",BudgMoney= " + Money(b.BudgMoney);
        break;
    case 4:
        sql += ",DueMoney= " + Money(b.DueMoney) + ", BudgMoney= " + Money(b.BudgMoney);
        break;
    default:
        break;
    }
    const TSqlDialect d = DefDialect();
    auto text = [&](const QString& value, const char* piece) {
        if (!value.isEmpty())
            sql += QLatin1String(piece) + Q(value) + "'";
    };
    auto date = [&](const QString& value, const char* piece) {
        if (!value.isEmpty())
            sql += QLatin1String(piece) + d.DateLiteral(value);
    };
    text(b.Bkid, ",Bkid ='");
    text(b.IPid, " ,IPid ='");
    text(b.Pid, " ,Pid ='");
    text(b.EKid, " ,EKid ='");
    text(b.Wid, " ,Wid ='");
    text(b.Vid, " ,Vid ='");
    text(b.UCid, " ,UCid ='");
    text(b.UDid, " ,UDid ='");
    text(b.UMid, " ,UMid ='");
    text(b.UNid, " ,UNid ='");
    text(b.UVid, " ,UVid ='");
    text(b.FileName, " ,FileName ='");
    date(b.FileDate, " ,FileDate =");
    date(b.InputDate, " ,InputDate =");
    text(b.UserId, " ,UserId ='");
    date(b.AuditDate, " ,AuditDate =");
    text(b.AuditId, " ,AuditId ='");
    date(b.SplitDate, " ,SplitDate =");
    text(b.SplitId, " ,SplitId ='");
    text(b.IniBudgId, " ,IniBudgId ='");
    text(b.CBudgId, " ,CBudgId ='");
    text(b.PBudgId, " ,PBudgId ='");
    text(b.PayFlag, " , PayFlag= '");
    text(b.ExpFlag, " ,ExpFlag= '");
    text(b.ImpFlag, " ,ImpFlag= '");
    text(b.Status, " ,Status= '");
    text(b.Memoo, " ,Memoo ='");
    text(b.BudgetSource, " ,BudgetSource ='");
    text(b.BSource, " ,BSource ='");
    text(b.BurId, " ,BurId ='");
    return sql + " where DataYear=" + QString::number(b.DataYear) + " and BudgId= '" + Q(b.BudgId) +
           "'";
}

QString TBudgetManage::DeleteSql(const TBudget& b, const QString& condition)
{
    const QString head = " delete from busibudget  where datayear=" + QString::number(b.DataYear);
    if (condition.isEmpty())
        return head + " and BudgId='" + Q(b.BudgId) + "'";
    return head + condition;
}

QString TBudgetManage::UpdateFieldsSql(const TBudget& b, const QString& assignments,
                                       const QString& condition)
{
    const QString head =
        " update busibudget  set " + assignments + " where datayear=" + QString::number(b.DataYear);
    if (condition.isEmpty())
        return head + "   and BudgId='" + Q(b.BudgId) + "'";
    return head + condition;
}

QString TBudgetManage::LoadSql(const TBudget& b)
{
    return " select *  from busiBudget  where datayear=" + QString::number(b.DataYear) +
           " and budgid='" + Q(b.BudgId) + "'";
}

namespace
{
// The store's message, then the database's reason: a refused statement writes nothing.
QString Refused(const QString& message)
{
    return message + QStringLiteral("\n数据库的原因：%1\n没有写入任何数据。").arg(LastDbError());
}
} // namespace

bool TBudgetManage::InsertBudget(const TBudget& b)
{
    if (!ExecSql(InsertSql(b)))
        throw TExceptBudgetManage(Refused(QStringLiteral("插入指标数据失败!")));
    return true;
}

bool TBudgetManage::UpdateBudget(const TBudget& b, int amountMode)
{
    if (!ExecSql(UpdateSql(b, amountMode)))
        throw TExceptBudgetManage(Refused(QStringLiteral("指标修改失败!")));
    return true;
}

bool TBudgetManage::DeleteBudget(const TBudget& b, const QString& condition)
{
    return ExecSql(DeleteSql(b, condition));
}

bool TBudgetManage::UpdateBudgetFields(const TBudget& b, const QString& assignments,
                                       const QString& condition)
{
    return ExecSql(UpdateFieldsSql(b, assignments, condition));
}

namespace
{
// A stored column and the record's field it is read into (a text or an amount).
struct StoredField {
    const char* Column;
    QString TBudget::*Text;
    Currency TBudget::*Money;
};
const StoredField kStoredFields[] = {
    {"Eid", &TBudget::Eid, nullptr},
    {"BKid", &TBudget::Bkid, nullptr},
    {"Mid", &TBudget::Mid, nullptr},
    {"IPid", &TBudget::IPid, nullptr},
    {"Pid", &TBudget::Pid, nullptr},
    {"Bid", &TBudget::Bid, nullptr},
    {"Iid", &TBudget::Iid, nullptr},
    {"IIdName", &TBudget::IIdName, nullptr},
    {"EKid", &TBudget::EKid, nullptr},
    {"Wid", &TBudget::Wid, nullptr},
    {"Vid", &TBudget::Vid, nullptr},
    {"UCid", &TBudget::UCid, nullptr},
    {"UDid", &TBudget::UDid, nullptr},
    {"UMid", &TBudget::UMid, nullptr},
    {"UNid", &TBudget::UNid, nullptr},
    {"UVid", &TBudget::UVid, nullptr},
    {"FileName", &TBudget::FileName, nullptr},
    {"FileDate", &TBudget::FileDate, nullptr},
    {"InputMoney", nullptr, &TBudget::InputMoney},
    {"DueMoney", nullptr, &TBudget::DueMoney},
    {"BudgMoney", nullptr, &TBudget::BudgMoney},
    {"SplitMoney", nullptr, &TBudget::SplitMoney},
    {"InputDate", &TBudget::InputDate, nullptr},
    {"UserId", &TBudget::UserId, nullptr},
    {"AuditDate", &TBudget::AuditDate, nullptr},
    {"AuditId", &TBudget::AuditId, nullptr},
    {"SplitDate", &TBudget::SplitDate, nullptr},
    {"SplitId", &TBudget::SplitId, nullptr},
    {"IniBudgId", &TBudget::IniBudgId, nullptr},
    {"CBudgId", &TBudget::CBudgId, nullptr},
    {"PBudgId", &TBudget::PBudgId, nullptr},
    {"ReplaceFlag", &TBudget::ReplaceFlag, nullptr},
    {"PayFlag", &TBudget::PayFlag, nullptr},
    {"ExpFlag", &TBudget::ExpFlag, nullptr},
    {"Memoo", &TBudget::Memoo, nullptr},
    {"ImpFlag", &TBudget::ImpFlag, nullptr},
    {"Status", &TBudget::Status, nullptr},
    {"BudgetSource", &TBudget::BudgetSource, nullptr},
    {"BTypeChild", &TBudget::BTypeChild, nullptr},
    {"BurId", &TBudget::BurId, nullptr},
};
} // namespace

void ReadBudgetFields(TARQuery* ds, TBudget& r)
{
    for (const StoredField& f : kStoredFields) {
        const TField field = ds->FieldByName(QLatin1String(f.Column));
        if (f.Text)
            r.*f.Text = field.AsString();
        else
            r.*f.Money = field.AsCurrency();
    }
}

std::vector<TBudget> ReadBudgets(TARQuery* ds, int dataYear)
{
    std::vector<int> columns;
    for (const StoredField& f : kStoredFields)
        columns.push_back(ds->FieldByName(QLatin1String(f.Column)).Index());
    const auto column = [ds](const char* name) {
        return ds->FieldByName(QLatin1String(name)).Index();
    };
    const int id = column("BudgId"), type = column("BType"), secret = column("IsSecret"),
              bsource = column("BSource"), deptClass = column("DeptClass"),
              splitType = column("SplitType");
    std::vector<TBudget> budgets;
    budgets.reserve(size_t(ds->RecordCount()));
    for (; !ds->Eof(); ds->Next()) {
        TBudget r;
        r.DataYear = dataYear;
        for (size_t i = 0; i < columns.size(); ++i) {
            const TField field = ds->Fields(columns[i]);
            if (kStoredFields[i].Text)
                r.*kStoredFields[i].Text = field.AsString();
            else
                r.*kStoredFields[i].Money = field.AsCurrency();
        }
        r.BudgId = ds->Fields(id).AsString();
        r.BType = ds->Fields(type).AsString();
        r.IsSecret = ds->Fields(secret).AsString();
        r.BSource = ds->Fields(bsource).AsString();
        r.DeptClass = ds->Fields(deptClass).AsString();
        r.SplitType = ds->Fields(splitType).AsString();
        budgets.push_back(std::move(r));
    }
    return budgets;
}

bool TBudgetManage::LoadBudget(TBudget& b)
{
    TQueryRef query;
    if (!OpenSql(LoadSql(b), query))
        return false;
    TARQuery* ds = query->Dataset();
    if (ds->RecordCount() <= 0)
        return false;
    TBudget r = b; // filled completely before the caller's record changes
    ReadBudgetFields(ds, r);
    b = r;
    return true;
}
