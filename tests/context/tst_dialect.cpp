#include "context/untAdodbIsomer.h"
#include "context/untSqlDialect.h"

#include <gtest/gtest.h>

namespace
{
using K = TSqlDialect::Kind;
const K kAll[] = {K::Oracle, K::Access, K::SqlServer, K::SQLite, K::PostgreSQL, K::Fallback};

template <class F> void ForEachDialect(const std::map<K, QString>& expected, F op)
{
    for (K k : kAll) {
        SCOPED_TRACE(int(k));
        EXPECT_EQ(op(TSqlDialect(k)).toStdString(), expected.at(k).toStdString());
    }
}
} // namespace

TEST(Dialect, ProviderSelectsDialect)
{
    const std::pair<const char*, K> cases[] = {
        {"OraOLEDB.Oracle.1", K::Oracle},
        {"MSDAORA.1", K::Oracle},
        {"Microsoft.Jet.OLEDB.4.0", K::Access},
        {"Microsoft.ACE.OLEDB.12.0", K::Fallback},
        {"Microsoft Access Driver", K::Access},
        {"SQLOLEDB.1", K::SqlServer},
        {"MSSQL", K::SqlServer},
        {"SQL Server Native Client", K::SqlServer},
        {"SQLite", K::SQLite},
        {"PostgreSQL", K::PostgreSQL},
        {"MSDASQL.1", K::Fallback},
        {"", K::Fallback},
    };
    for (const auto& [provider, kind] : cases)
        EXPECT_EQ(TSqlDialect::FromProvider(provider).GetKind(), kind) << provider;
}

TEST(Dialect, ConnectionReadsProviderAnewAtEveryTest)
{
    TAdoConn conn;
    conn.SetConnectionString("Provider=SQLOLEDB.1;Data Source=x");
    EXPECT_TRUE(conn.IsSqlServer());
    conn.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb");
    EXPECT_FALSE(conn.IsSqlServer());
    EXPECT_TRUE(conn.IsAccess());
    EXPECT_EQ(conn.Dialect().ConcatOperator(), "&");
    conn.SetConnectionString("provider=MSDAORA.1");
    EXPECT_TRUE(conn.IsOracle());
}

TEST(Dialect, SimpleOperations)
{
    ForEachDialect({{K::Oracle, "||"},
                    {K::Access, "&"},
                    {K::SqlServer, "+"},
                    {K::SQLite, "||"},
                    {K::PostgreSQL, "||"},
                    {K::Fallback, "+"}},
                   [](TSqlDialect d) { return d.ConcatOperator(); });
    ForEachDialect({{K::Oracle, "Length"},
                    {K::Access, "Len"},
                    {K::SqlServer, "Len"},
                    {K::SQLite, "length"},
                    {K::PostgreSQL, "length"},
                    {K::Fallback, ""}},
                   [](TSqlDialect d) { return d.LengthFunction(); });
    ForEachDialect({{K::Oracle, "'2024-01-05'"},
                    {K::Access, "#2024-01-05#"},
                    {K::SqlServer, "'2024-01-05'"},
                    {K::SQLite, "'2024-01-05'"},
                    {K::PostgreSQL, "'2024-01-05'"},
                    {K::Fallback, "'2024-01-05'"}},
                   [](TSqlDialect d) { return d.DateLiteral("2024-01-05"); });
    ForEachDialect({{K::Oracle, " To_Number(x) "},
                    {K::Access, " val(x) "},
                    {K::SqlServer, "convert(numeric(38,2),x) "},
                    {K::SQLite, " CAST(x AS NUMERIC) "},
                    {K::PostgreSQL, " CAST(x AS NUMERIC) "},
                    {K::Fallback, ""}},
                   [](TSqlDialect d) { return d.ToNumber("x"); });
    ForEachDialect({{K::Oracle, " To_Char(x) "},
                    {K::Access, " str(x) "},
                    {K::SqlServer, "convert(char,x) "},
                    {K::SQLite, " CAST(x AS TEXT) "},
                    {K::PostgreSQL, " CAST(x AS TEXT) "},
                    {K::Fallback, ""}},
                   [](TSqlDialect d) { return d.ToText("x"); });
    ForEachDialect({{K::Oracle, "NVL(x,'0')"},
                    {K::Access, "IIF(ISNULL(x),'0',x)"},
                    {K::SqlServer, "ISNULL(x,'0')"},
                    {K::SQLite, "COALESCE(x,'0')"},
                    {K::PostgreSQL, "COALESCE(x,'0')"},
                    {K::Fallback, "COALESCE(x,'0')"}},
                   [](TSqlDialect d) { return d.NullReplace("x", "0"); });
    // Oracle keeps an empty text as NULL, so only the null test finds it there.
    ForEachDialect({{K::Oracle, "x is null"},
                    {K::Access, "IIF(ISNULL(x),'',x)=''"},
                    {K::SqlServer, "ISNULL(x,'')=''"},
                    {K::SQLite, "COALESCE(x,'')=''"},
                    {K::PostgreSQL, "COALESCE(x,'')=''"},
                    {K::Fallback, "COALESCE(x,'')=''"}},
                   [](TSqlDialect d) { return d.EmptyText("x"); });
    ForEachDialect({{K::Oracle, " Trim(x) "},
                    {K::Access, " Trim(x) "},
                    {K::SqlServer, " RTrim(LTrim(x)) "},
                    {K::SQLite, " Trim(x) "},
                    {K::PostgreSQL, " Trim(x) "},
                    {K::Fallback, " Trim(x) "}},
                   [](TSqlDialect d) { return d.Trim("x"); });
    ForEachDialect({{K::Oracle, "substr(x,1,3)"},
                    {K::Access, "left(x,3)"},
                    {K::SqlServer, "left(x,3)"},
                    {K::SQLite, "substr(x,1,3)"},
                    {K::PostgreSQL, "left(x,3)"},
                    {K::Fallback, "left(x,3)"}},
                   [](TSqlDialect d) { return d.LeftPart("x", 3); });
}

TEST(Dialect, MonthOfADateAndExactSum)
{
    ForEachDialect({{K::Oracle, "to_char(d,'YYYY-MM')"},
                    {K::Access, "format(d,'yyyy-mm')"},
                    {K::SqlServer, "convert(char(7),d,120)"},
                    {K::SQLite, "substr(d,1,7)"},
                    {K::PostgreSQL, "to_char(d,'YYYY-MM')"},
                    {K::Fallback, "left(d,7)"}},
                   [](TSqlDialect d) { return d.MonthOf("d"); });
    EXPECT_EQ(TSqlDialect(K::SQLite).ExactSum("m"), "vw_money_sum(m)");
    EXPECT_EQ(TSqlDialect(K::PostgreSQL).ExactSum("m"), " CAST(sum(m) AS TEXT) ");
}

TEST(Dialect, QuotesInsideLiteralsAreDoubled)
{
    EXPECT_EQ(SqlText("x' or '1'='1"), "x'' or ''1''=''1");
    EXPECT_EQ(TSqlDialect(K::SqlServer).DateLiteral("2024'"), "'2024'''");
    EXPECT_EQ(TSqlDialect(K::Oracle).NullReplace("c", "a'b"), "NVL(c,'a''b')");
}

TEST(Dialect, ConditionalWithOneTwoThreeAndTenValues)
{
    const QStringList one{"v"}, two{"k1", "r1"}, three{"k1", "r1", "e"};
    QStringList ten;
    for (int i = 1; i <= 5; ++i)
        ten << QString("k%1").arg(i) << QString("r%1").arg(i);
    ForEachDialect({{K::Oracle, "DECODE(x,v)"},
                    {K::Access, "v"},
                    {K::SqlServer, " CASE   ELSE v  END  "},
                    {K::SQLite, " CASE   ELSE v  END  "},
                    {K::PostgreSQL, " CASE   ELSE CAST(v AS TEXT)  END  "},
                    {K::Fallback, "v"}},
                   [&](TSqlDialect d) { return d.Conditional("x", one); });
    ForEachDialect({{K::Oracle, "DECODE(x,k1,r1)"},
                    {K::Access, " IIF(x=k1,r1,r1)"},
                    {K::SqlServer, " CASE   WHEN x=k1 THEN r1  END  "},
                    {K::SQLite, " CASE   WHEN x=k1 THEN r1  END  "},
                    {K::PostgreSQL, " CASE   WHEN x=k1 THEN CAST(r1 AS TEXT)  END  "},
                    {K::Fallback, "IIF(x=k1,r1,r1)"}},
                   [&](TSqlDialect d) { return d.Conditional("x", two); });
    ForEachDialect(
        {{K::Oracle, "DECODE(x,k1,r1,e)"},
         {K::Access, " IIF(x=k1,r1,e)"},
         {K::SqlServer, " CASE   WHEN x=k1 THEN r1  ELSE e  END  "},
         {K::SQLite, " CASE   WHEN x=k1 THEN r1  ELSE e  END  "},
         {K::PostgreSQL, " CASE   WHEN x=k1 THEN CAST(r1 AS TEXT)  ELSE CAST(e AS TEXT)  END  "},
         {K::Fallback, "IIF(x=k1,r1,e)"}},
        [&](TSqlDialect d) { return d.Conditional("x", three); });
    const QString caseTen =
        " CASE   WHEN x=k1 THEN r1  WHEN x=k2 THEN r2  WHEN x=k3 THEN r3  WHEN x=k4 "
        "THEN r4  WHEN x=k5 THEN r5  END  ";
    ForEachDialect(
        {{K::Oracle, "DECODE(x,k1,r1,k2,r2,k3,r3,k4,r4,k5,r5)"},
         {K::Access, " IIF(x=k1,r1,( IIF(x=k2,r2,( IIF(x=k3,r3,( IIF(x=k4,r4,( "
                     "IIF(x=k5,r5,r5)))))))))"},
         {K::SqlServer, caseTen},
         {K::SQLite, caseTen},
         {K::PostgreSQL, " CASE   WHEN x=k1 THEN CAST(r1 AS TEXT)  WHEN x=k2 THEN CAST(r2 AS "
                         "TEXT)  WHEN x=k3 THEN CAST(r3 AS TEXT)  WHEN x=k4 THEN CAST(r4 AS "
                         "TEXT)  WHEN x=k5 THEN CAST(r5 AS TEXT)  END  "},
         {K::Fallback, "IIF(x=k1,r1,r5)"}},
        [&](TSqlDialect d) { return d.Conditional("x", ten); });
}

TEST(Dialect, NextNumberExpression)
{
    ForEachDialect(
        {{K::Oracle,
          " ((Max( To_Number((DECODE(( Trim((NVL(c,'0'))) ),'',0,( Trim((NVL(c,'0'))) )))) "
          "))+1) as c "},
         {K::Access, " ((Max( val(( IIF(( Trim((IIF(ISNULL(c),'0',c))) )='',0,( "
                     "Trim((IIF(ISNULL(c),'0',c))) )))) ))+1) as c "},
         {K::SqlServer,
          " ((Max(convert(numeric(38,2),( CASE   WHEN ( RTrim(LTrim((ISNULL(c,'0')))) )='' "
          "THEN 0  ELSE ( RTrim(LTrim((ISNULL(c,'0')))) )  END  )) ))+1) as c "},
         {K::SQLite, " ((Max( CAST(( CASE   WHEN ( Trim((COALESCE(c,'0'))) )='' THEN 0  ELSE ( "
                     "Trim((COALESCE(c,'0'))) )  END  ) AS NUMERIC) ))+1) as c "},
         {K::PostgreSQL,
          " ((Max( CAST(( CASE   WHEN ( Trim((COALESCE(c,'0'))) )='' THEN CAST(0 AS "
          "TEXT)  ELSE CAST(( Trim((COALESCE(c,'0'))) ) AS TEXT)  END  ) AS NUMERIC) "
          "))+1) as c "},
         {K::Fallback, " ((Max( CAST(( CASE WHEN ( Trim((COALESCE(c,'0'))) )='' THEN '0' ELSE ( "
                       "Trim((COALESCE(c,'0'))) ) END ) AS NUMERIC) ))+1) as c "}},
        [](TSqlDialect d) { return d.NextNumber("c"); });
}
