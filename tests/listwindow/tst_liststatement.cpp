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
    const QList<TGridFieldDef> defs = ListColumnDefinitions("1");
    ASSERT_EQ(defs.size(), 36);
    EXPECT_EQ(defs[0].strFieldName, "chk");
    EXPECT_EQ(defs[0].xcFieldDataType, 2);
    EXPECT_EQ(defs[9].strFieldName, "budgmoney");
    EXPECT_EQ(defs[9].xcFieldDataType, 0);
    EXPECT_EQ(defs[32].xcFieldDataType, 3);
    EXPECT_EQ(defs[33].xcFieldType, 2);
    EXPECT_EQ(defs[34].strFieldName, "burname");
    EXPECT_EQ(defs[34].xcFieldType, 0);
    EXPECT_EQ(ListColumnDefinitions("0")[34].xcFieldType, 1);
    EXPECT_EQ(defs[35].strFieldName, "NumId");
    EXPECT_EQ(defs[35].strFieldTital, QStringLiteral("序号"));
}
