#include "listwindow/bwnQuindleList.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace
{
ListFilter Example()
{
    ListFilter f;
    f.DataYear = 2008;
    f.BTypeIndex = "1";
    f.BureauMode = "0";
    f.BureauScope = 0;
    f.MoneyKindCode = "11";
    f.SourceCode = "21";
    f.SubTypeShown = true;
    f.SubTypeIndex = 1;
    f.UnitCode = "101";
    return f;
}

const QString kHead =
    " select 0 as chk,'' as NumId,budgid,eid,ecode,ename,mid,mname, bid,bname,iid,iname,ipid,"
    "ipname,pid,pname,bkid,bkname,ekid,ekname,  inputmoney,duemoney,budgmoney,duebalamoney,"
    "inputbalamoney, balamoney, secret,issecret,filename,vid,inputdate,btype,";
} // namespace

TEST(ListStatement, SqlServerExample)
{
    const QString expected =
        kHead +
        " CASE   WHEN btypechild='0' THEN '控制数'  WHEN btypechild='1' and btype='1' and "
        "bkid='21'  THEN "
        "'年初预算'  WHEN btypechild='1' and btype='1' and bkid='22'  THEN '结余预算'  WHEN "
        "btypechild='2' and "
        "btype='1'   THEN '调整追加预算'  WHEN btypechild='2' and btype='2' THEN '临时数'  END  " +
        " as child,btypechild ,burid,burname from vwBudget  where datayear=2008 and BType='1'  and "
        "mid='11' and "
        "BKid='21'  and btypechild='1' and eid like '101%' order by eid,bid,mid,ipid,pid";
    const QString sql = ListStatement(Example(), TSqlDialect(TSqlDialect::SqlServer));
    EXPECT_EQ(sql.toStdString(), expected.toStdString());
    // The same with runs of blanks folded, as the example reads.
    QString folded = sql.simplified();
    folded.replace(", ", ",");
    EXPECT_TRUE(folded.contains(
        "btype,CASE WHEN btypechild='0' THEN '控制数' WHEN btypechild='1' and btype='1' "
        "and bkid='21' THEN '年初预算'"));
}

TEST(ListStatement, FilterPiecesComeAndGo)
{
    ListFilter f = Example();
    const TSqlDialect d(TSqlDialect::SQLite);
    f.MoneyKindCode.clear();
    f.SourceCode.clear();
    f.SubTypeIndex = 0;
    QString sql = ListStatement(f, d);
    EXPECT_FALSE(sql.contains(" and mid="));
    EXPECT_FALSE(sql.contains(" and BKid="));
    EXPECT_FALSE(sql.contains(" and btypechild='"));
    EXPECT_TRUE(sql.contains(" where datayear=2008 and BType='1'  and eid like '101%' order by"));

    f.SubTypeIndex = 2;
    f.SubTypeShown = false; // a hidden panel's choice is ignored
    EXPECT_FALSE(ListStatement(f, d).contains(" and btypechild='2'"));
    f.SubTypeShown = true;
    EXPECT_TRUE(ListStatement(f, d).contains(" and btypechild='2' and eid like"));

    f.BureauScope = 1;
    f.OperatorBureau = "02";
    EXPECT_TRUE(ListStatement(f, d).contains("BType='1'  and burid='02' and btypechild"));
    f.BureauMode = "1";
    sql = ListStatement(f, d);
    EXPECT_FALSE(sql.contains("burid='02'"));
    EXPECT_TRUE(sql.contains(" as child,btypechild ,'' as burid,'' as burname from vwBudget "));

    f.UnitCode = "1' or '1'='1";
    EXPECT_TRUE(ListStatement(f, d).contains(" and eid like '1'' or ''1''=''1%'"));
}

TEST(ListStatement, DialectFormsOfTheSubTypeText)
{
    const QString sqlite = ListStatement(Example(), TSqlDialect(TSqlDialect::SQLite));
    EXPECT_TRUE(sqlite.contains("btype, CASE   WHEN btypechild='0' THEN '控制数' "));
    const QString pg = ListStatement(Example(), TSqlDialect(TSqlDialect::PostgreSQL));
    EXPECT_TRUE(pg.contains(
        "WHEN btypechild='2' and btype='2' THEN CAST('临时数' AS TEXT)  END   as child"));
    const QString oracle = ListStatement(Example(), TSqlDialect(TSqlDialect::Oracle));
    EXPECT_TRUE(oracle.contains("btype,DECODE(btypechild,'0','控制数',"));
}

TEST(ListStatement, UnitTreeSourceAndColumns)
{
    EXPECT_EQ(UnitTreeSource("101", true, TSqlDialect(TSqlDialect::SqlServer)),
              "select eid,peid,leafflag,ename,eid+' '+ename as tname  from pubdept  where "
              "useflag='0'    and "
              "eid like '101%' and replaceflag='0' ");
    EXPECT_EQ(UnitTreeSource("", false, TSqlDialect(TSqlDialect::SQLite)),
              "select eid,peid,leafflag,ename,eid||' '||ename as tname  from pubdept  where "
              "useflag='0'    and "
              "eid like '%'");
    // The built-in columns as described: field, caption, shown (0 no, 1 yes, 2 never) and kind
    // (0 amount, summed; 1 text; 2 check box; 3 date), width.
    QString layout;
    for (const TGridFieldDef& d : ListColumnDefinitions("1"))
        layout += QStringLiteral("%1 %2 %3%4 %5;")
                      .arg(d.strFieldName, d.strFieldTital.isEmpty() ? "-" : d.strFieldTital)
                      .arg(d.xcFieldType)
                      .arg(d.xcFieldDataType)
                      .arg(d.intFieldLen);
    EXPECT_EQ(layout,
              QStringLiteral(
                  "chk - 12 20;budgid 编号 11 35;eid 预算编码 11 80;"
                  "ecode 组织机构代码 01 95;ename 单位名称 11 150;bid 科目编码 11 60;"
                  "bname 科目名称 11 110;iid 项目编码 11 100;iname 项目名称 11 120;"
                  "budgmoney 控制金额 10 120;duemoney 财政金额 10 120;inputmoney 录入金额 10 120;"
                  "ipid 支出类型编码 01 60;ipname 支出类型 11 70;mid 资金性质编码 01 60;"
                  "mname 资金性质 11 70;bkid 预算来源编码 01 60;bkname 预算来源 11 70;"
                  "pid 支付方式编码 01 60;pname 支付方式 01 80;ekid 经济分类编码 01 60;"
                  "ekname 经济分类 01 70;issecret 涉密 01 90;secret 密级 11 60;"
                  "btype 指标类型 01 80;child 指标子类型 11 80;btypechild 指标类型 01 80;"
                  "filename 指标文号 11 100;duebalamoney 控制与财政差额 10 120;balamoney "
                  "财政与录入差额 10 120;"
                  "inputbalamoney 控制与录入差额 10 120;vid vid 01 70;inputdate 录入日期 13 90;"
                  "burid 所属处室 21 80;burname 所属处室 01 100;NumId 序号 11 80;"));
    EXPECT_EQ(ListColumnDefinitions("0")[34].xcFieldType, 1); // 所属处室 shown with bureaux
}
