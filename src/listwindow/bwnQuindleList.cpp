#include "listwindow/bwnQuindleList.h"

QString ListWhere(const ListFilter& f, const TSqlDialect& dialect)
{
    QString sql = " where datayear=" + QString::number(f.DataYear);
    sql += " and BType='" + SqlText(f.BTypeIndex) + "' ";
    if (f.BureauMode == QLatin1String("0") && f.BureauScope == 1)
        sql += " and burid='" + SqlText(f.OperatorBureau) + "'";
    if (!f.MoneyKindCode.isEmpty())
        sql += " and mid='" + SqlText(f.MoneyKindCode) + "'";
    if (!f.SourceCode.isEmpty())
        sql += " and BKid='" + SqlText(f.SourceCode) + "' ";
    if (f.SubTypeShown && f.SubTypeIndex != 0)
        sql += " and btypechild='" + QString::number(f.SubTypeIndex) + "'";
    sql += " and eid like '" + SqlText(f.UnitCode) + "%'";
    if (!f.ExpenseTypeCode.isEmpty())
        sql += " and ipid='" + SqlText(f.ExpenseTypeCode) + "'";
    if (!f.SubjectPrefix.isEmpty())
        sql += " and bid like '" + SqlText(f.SubjectPrefix) + "%'";
    if (!f.EntryMonth.isEmpty())
        sql += " and " + dialect.MonthOf(QStringLiteral("inputdate")) + "='" +
               SqlText(f.EntryMonth) + "'";
    return sql;
}

QString ListStatement(const ListFilter& f, const TSqlDialect& dialect)
{
    QString sql =
        QStringLiteral(" select 0 as chk,'' as NumId,budgid,eid,ecode,ename,mid,mname, "
                       "bid,bname,iid,iname,ipid,ipname,pid,pname,bkid,bkname,ekid,ekname,  "
                       "inputmoney,duemoney,budgmoney,duebalamoney,inputbalamoney, balamoney, "
                       "secret,issecret,filename,vid,inputdate,btype,");
    sql += dialect.Conditional(
        QStringLiteral("btypechild"),
        {QStringLiteral("'0'"), QStringLiteral("'控制数'"),
         QStringLiteral("'1' and btype='1' and bkid='21' "), QStringLiteral("'年初预算'"),
         QStringLiteral("'1' and btype='1' and bkid='22' "), QStringLiteral("'结余预算'"),
         QStringLiteral("'2' and btype='1'  "), QStringLiteral("'调整追加预算'"),
         QStringLiteral("'2' and btype='2'"), QStringLiteral("'临时数'")});
    sql += QStringLiteral(" as child,btypechild ");
    sql += f.BureauMode == QLatin1String("0") ? QStringLiteral(",burid,burname")
                                              : QStringLiteral(",'' as burid,'' as burname");
    sql += QStringLiteral(" from vwBudget ");
    sql += ListWhere(f, dialect);
    sql += QStringLiteral(" order by eid,bid,mid,ipid,pid");
    return sql;
}

QString UnitTreeSource(const QString& prefix, bool entrustedOnly, const TSqlDialect& dialect)
{
    const QString c = dialect.ConcatOperator();
    QString sql = "select eid,peid,leafflag,ename,eid" + c + "' '" + c +
                  "ename as tname  from pubdept  where useflag='0'    and eid like '" +
                  SqlText(prefix) + "%'";
    if (entrustedOnly)
        sql += QStringLiteral(" and replaceflag='0' ");
    return sql;
}

QList<TGridFieldDef> ListColumnDefinitions(const QString& bureauMode)
{
    struct Def {
        const char* field;
        const char* caption;
        int shown;
        int kind;
        int width;
    };
    // kind: 0 number, 1 text, 2 check box, 3 date
    static const Def kDefs[] = {
        {"chk", "", 1, 2, 20},
        {"budgid", "编号", 1, 1, 35},
        {"eid", "预算编码", 1, 1, 80},
        {"ecode", "组织机构代码", 0, 1, 95},
        {"ename", "单位名称", 1, 1, 150},
        {"bid", "科目编码", 1, 1, 60},
        {"bname", "科目名称", 1, 1, 110},
        {"iid", "项目编码", 1, 1, 100},
        {"iname", "项目名称", 1, 1, 120},
        {"budgmoney", "控制金额", 1, 0, 120},
        {"duemoney", "财政金额", 1, 0, 120},
        {"inputmoney", "录入金额", 1, 0, 120},
        {"ipid", "支出类型编码", 0, 1, 60},
        {"ipname", "支出类型", 1, 1, 70},
        {"mid", "资金性质编码", 0, 1, 60},
        {"mname", "资金性质", 1, 1, 70},
        {"bkid", "预算来源编码", 0, 1, 60},
        {"bkname", "预算来源", 1, 1, 70},
        {"pid", "支付方式编码", 0, 1, 60},
        {"pname", "支付方式", 0, 1, 80},
        {"ekid", "经济分类编码", 0, 1, 60},
        {"ekname", "经济分类", 0, 1, 70},
        {"issecret", "涉密", 0, 1, 90},
        {"secret", "密级", 1, 1, 60},
        {"btype", "指标类型", 0, 1, 80},
        {"child", "指标子类型", 1, 1, 80},
        {"btypechild", "指标类型", 0, 1, 80},
        {"filename", "指标文号", 1, 1, 100},
        {"duebalamoney", "控制与财政差额", 1, 0, 120},
        {"balamoney", "财政与录入差额", 1, 0, 120},
        {"inputbalamoney", "控制与录入差额", 1, 0, 120},
        {"vid", "vid", 0, 1, 70},
        {"inputdate", "录入日期", 1, 3, 90},
        {"burid", "所属处室", 2, 1, 80},
        {"burname", "所属处室", 1, 1, 100},
        {"NumId", "序号", 1, 1, 80},
    };
    QList<TGridFieldDef> defs;
    int order = 0;
    for (const Def& d : kDefs) {
        TGridFieldDef def;
        def.strFieldName = QLatin1String(d.field);
        def.strFieldTital = QString::fromUtf8(d.caption);
        def.xcFieldType = quint8(d.shown);
        def.xcFieldDataType = quint8(d.kind);
        def.intFieldLen = d.width;
        def.intOrder = order++;
        if (def.strFieldName == QLatin1String("burname") && bureauMode != QLatin1String("0"))
            def.xcFieldType = 0;
        defs << def;
    }
    return defs;
}
