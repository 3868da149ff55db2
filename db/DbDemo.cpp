#include "db/DbDemo.h"
#include "db/DbSchema.h"

#include "context/untAdodbIsomer.h"

#include <QStringList>
#include <algorithm>

namespace
{

struct Row {
    QStringList values; // already SQL literals
};

QString Lit(const QString& text)
{
    return "'" + SqlText(text) + "'";
}

// Multi-row inserts in batches: one statement per few hundred rows.
class BatchInsert
{
public:
    BatchInsert(TAdoConn* conn, QString head) : m_conn(conn), m_head(std::move(head)) {}
    ~BatchInsert() noexcept(false) { Flush(); }
    void Add(const QStringList& literals)
    {
        m_rows << "(" + literals.join(QLatin1Char(',')) + ")";
        if (m_rows.size() >= 400)
            Flush();
    }
    void Flush()
    {
        if (m_rows.isEmpty())
            return;
        ExecuteCommand(m_conn, m_head + " values " + m_rows.join(QLatin1Char(',')));
        m_rows.clear();
    }

private:
    TAdoConn* m_conn;
    QString m_head;
    QStringList m_rows;
};

const char* const kDepartments[] = {"市人大常委会办公室",
                                    "市政府办公室",
                                    "市发展和改革委员会",
                                    "市教育局",
                                    "市科学技术局",
                                    "市工业和信息化局",
                                    "市公安局",
                                    "市民政局",
                                    "市司法局",
                                    "市财政局",
                                    "市人力资源和社会保障局",
                                    "市自然资源和规划局",
                                    "市生态环境局",
                                    "市住房和城乡建设局",
                                    "市交通运输局",
                                    "市水务局",
                                    "市农业农村局",
                                    "市商务局",
                                    "市文化广电旅游局",
                                    "市卫生健康委员会",
                                    "市退役军人事务局",
                                    "市应急管理局",
                                    "市审计局",
                                    "市市场监督管理局",
                                    "市统计局",
                                    "市医疗保障局",
                                    "市体育局",
                                    "市林业局",
                                    "市信访局",
                                    "市档案馆",
                                    "市机关事务管理局",
                                    "市城市管理局"};

const char* const kSubUnits[] = {"机关服务中心", "信息中心",     "培训中心",        "监测站",
                                 "综合执法支队", "研究所",       "事务中心",        "宣传中心",
                                 "质量检测所",   "后勤保障中心", "第一中学",        "第二中学",
                                 "实验小学",     "职业技术学校", "疾病预防控制中心"};

struct Subject {
    const char* bid;
    const char* name;
    const char* type;
};

// Functional (2xx) and revenue (1xx) subjects with 3/5/7-character codes.
const Subject kSubjects[] = {
    {"201", "一般公共服务支出", "NN"},
    {"20101", "人大事务", "NN"},
    {"2010101", "行政运行", "NN"},
    {"2010102", "一般行政管理事务", "NN"},
    {"2010104", "人大会议", "NN"},
    {"20103", "政府办公厅（室）及相关机构事务", "NN"},
    {"2010301", "行政运行", "NN"},
    {"2010350", "事业运行", "NN"},
    {"20106", "财政事务", "NN"},
    {"2010601", "行政运行", "NN"},
    {"2010607", "信息化建设", "NN"},
    {"204", "公共安全支出", "NN"},
    {"20402", "公安", "NN"},
    {"2040201", "行政运行", "NN"},
    {"2040220", "执法办案", "NN"},
    {"205", "教育支出", "NN"},
    {"20502", "普通教育", "NN"},
    {"2050201", "学前教育", "NN"},
    {"2050202", "小学教育", "NN"},
    {"2050203", "初中教育", "NN"},
    {"2050204", "高中教育", "NN"},
    {"20508", "进修及培训", "NN"},
    {"2050803", "培训支出", "NN"},
    {"208", "社会保障和就业支出", "NN"},
    {"20805", "行政事业单位养老支出", "NN"},
    {"2080505", "机关事业单位基本养老保险缴费支出", "NN"},
    {"210", "卫生健康支出", "NN"},
    {"21004", "公共卫生", "NN"},
    {"2100401", "疾病预防控制机构", "NN"},
    {"212", "城乡社区支出", "YN"},
    {"21208", "国有土地使用权出让收入安排的支出", "YN"},
    {"2120801", "征地和拆迁补偿支出", "YN"},
    {"2120803", "城市建设支出", "YN"},
    {"223", "国有资本经营预算支出", "NY"},
    {"22301", "解决历史遗留问题及改革成本支出", "NY"},
    {"2230105", "国有企业退休人员社会化管理补助支出", "NY"},
    {"101", "税收收入", "NN"},
    {"10101", "增值税", "NN"},
    {"1010101", "国内增值税", "NN"},
    {"103", "非税收入", "NN"},
    {"10304", "行政事业性收费收入", "NN"},
    {"1030401", "公安行政事业性收费收入", "NN"},
    {"10306", "国有资源（资产）有偿使用收入", "NN"},
    {"1030601", "国有资源有偿使用收入", "NN"},
};

struct Economy {
    const char* ekid;
    const char* name;
};
const Economy kEconomy[] = {
    {"301", "工资福利支出"},   {"30101", "基本工资"},    {"30102", "津贴补贴"}, {"30103", "奖金"},
    {"302", "商品和服务支出"}, {"30201", "办公费"},      {"30205", "水费"},     {"30211", "差旅费"},
    {"310", "资本性支出"},     {"31002", "办公设备购置"}};

QString Pad(int value, int width)
{
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

struct Unit {
    QString eid, peid, name, deptClass, burid;
    bool leaf;
};

QList<Unit> BuildUnits(int total)
{
    const int departments = std::clamp(total / 12, 5, 999);
    const int perDept = std::max(2, total / departments);
    const int nDeptNames = int(std::size(kDepartments));
    QList<Unit> units;
    units.append({"101", "", QStringLiteral("市本级"), "", "", false});
    for (int d = 1; d <= departments; ++d) {
        QString dname = QString::fromUtf8(kDepartments[(d - 1) % nDeptNames]);
        if (d > nDeptNames)
            dname += QStringLiteral("第%1分局").arg((d - 1) / nDeptNames + 1);
        const QString deid = "101" + Pad(d, 3);
        const QString burid = Pad((d - 1) % 5 + 1, 2);
        const QString cls = d % 3 == 0 ? QStringLiteral("2") : QStringLiteral("1");
        units.append({deid, "101", dname, cls, burid, false});
        const QString shortName = dname.startsWith(QStringLiteral("市")) ? dname.mid(1) : dname;
        units.append({deid + "001", deid, dname + QStringLiteral("本级"), cls, burid, true});
        for (int u = 2; u <= perDept; ++u) {
            const QString suffix =
                QString::fromUtf8(kSubUnits[(u - 2) % int(std::size(kSubUnits))]);
            units.append({deid + Pad(u, 3), deid, shortName + suffix, "3", burid, true});
        }
    }
    return units;
}

// The units out of use: every 97th of the list (counted from 1).
bool UnitInUse(int position)
{
    return position % 97 != 0;
}

void InsertUnits(TAdoConn* conn, const QList<Unit>& units)
{
    BatchInsert ins(conn, "insert into pubdept (eid,peid,ename,ecode,leafflag,useflag,replaceflag,"
                          "deptclass,secretflag)");
    int n = 0;
    for (const Unit& u : units) {
        ++n;
        ins.Add({Lit(u.eid), Lit(u.peid), Lit(u.name), Lit("M" + u.eid.right(6)),
                 Lit(u.leaf ? "0" : "1"), Lit(UnitInUse(n) ? "0" : "1"),
                 Lit(n % 11 == 5 ? "1" : "0"), Lit(u.deptClass), Lit(n % 53 == 0 ? "0" : "1")});
    }
}

// The code tables every database needs, the system parameters and the operators.
void InsertCatalogues(TAdoConn* conn, int currentYear, const QList<QStringList>& operators)
{
    auto simple = [conn](const QString& table, const QString& cols,
                         const QList<QStringList>& rows) {
        BatchInsert ins(conn, "insert into " + table + " (" + cols + ")");
        for (const QStringList& r : rows) {
            QStringList lits;
            for (const QString& v : r)
                lits << Lit(v);
            ins.Add(lits);
        }
    };
    const QString base = QStringLiteral("%1,%2,%3,leafflag,useflag");
    simple("pubmoneykind", base.arg("mid", "pmid", "mname"),
           {{"11", "", "一般公共预算资金", "0", "0"},
            {"12", "", "政府性基金预算资金", "0", "0"},
            {"21", "", "财政专户管理资金", "0", "0"},
            {"31", "", "国有资本经营预算资金", "0", "0"}});
    simple("pubbudgetkind", base.arg("bkid", "pbkid", "bkname"),
           {{"21", "", "当年预算", "0", "0"}, {"22", "", "上年结转", "0", "0"}});
    simple("pubincomepay", base.arg("ipid", "pipid", "ipname"),
           {{"11", "", "基本支出", "0", "0"},
            {"12", "", "项目支出", "0", "0"},
            {"17", "", "资本性支出", "0", "0"},
            {"18", "", "费用性支出", "0", "0"},
            {"19", "", "其它支出", "0", "0"},
            {"22", "", "收入", "0", "0"}});
    simple("pubpaykind", base.arg("pid", "ppid", "pname"),
           {{"10", "", "直接支付", "0", "0"},
            {"20", "", "授权支付", "0", "0"},
            {"30", "", "实拨资金", "0", "0"}});
    simple("pubdatakind", "dkid,pdkid,dkname,dktype,leafflag,useflag",
           {{"01", "", "一般项目", "0", "0", "0"},
            {"02", "", "重点项目", "0", "0", "0"},
            {"03", "", "民生项目", "0", "0", "0"},
            {"11", "", "年度数据", "1", "0", "0"}});
    simple("pubbureaux", "burid,pburid,burname,leafflag,useflag,mainburview",
           {{"01", "", "行政政法处", "0", "0", "1"},
            {"02", "", "教科文处", "0", "0", "1"},
            {"03", "", "经济建设处", "0", "0", "1"},
            {"04", "", "社会保障处", "0", "0", "1"},
            {"05", "", "农业农村处", "0", "0", "1"},
            {"06", "", "预算处", "0", "0", "0"}});
    simple("pubagent", base.arg("agntid", "pagntid", "aname"),
           {{"01", "", "办公用品供应商", "1", "0"},
            {"0101", "01", "市文具办公用品有限公司", "0", "0"},
            {"0102", "01", "市信息技术服务有限公司", "0", "0"}});
    simple("sysparament", "paramname,paramvalue,memo",
           {{"ConfirmDelete", "1", "删除前确认"},
            {"setDefaultBType", "1", "默认指标类型"},
            {"ShowSuccessMsg", "1", "操作成功提示"},
            {"DeptLevelFlag", "0", "部门级单位规则"},
            {"StatusFlag", "0", "新指标状态"},
            {"BureauMode", "1", "指标是否区分处室（0区分）"},
            {"BureauScope", "0", "处室范围（1本处室）"},
            {"setDefaultUnit", "0", "默认金额单位"},
            {"UnitItemsFlag", "0", "按单位取预算项目"},
            {"ItemPidFlag", "0", "预算项目按pid过滤"},
            {"CurrentYear", QString::number(currentYear), "默认数据年度"}});
    simple("hostuser", "userid,username,eid,burid", operators);
}

QList<QStringList> ItemRows(int year, const QList<Unit>& units)
{
    QList<QStringList> rows;
    const QString y = QString::number(year);
    const QString salary = year >= 2011 ? "0000000001" : "0000001";
    rows << QStringList{y, "01", "", "基本支出项目", "1", "0", "1", "1", "0", ""};
    rows << QStringList{y, "999" + salary, "01", "工资福利支出", "0", "0", "1", "1", "1", "01"};
    rows << QStringList{y, "997" + salary, "01", "离退休费", "0", "0", "1", "1", "1", "01"};
    rows << QStringList{y, "996" + salary, "01", "其他人员支出", "0", "0", "1", "1", "1", "01"};
    rows << QStringList{y, "02", "", "专项项目", "1", "0", "1", "1", "0", ""};
    int k = 0;
    for (const Unit& u : units) {
        if (u.eid.size() != 6)
            continue;
        ++k;
        rows << QStringList{y,
                            "1" + u.eid + "000001",
                            "02",
                            u.name.mid(1) + QStringLiteral("业务专项经费"),
                            "0",
                            "0",
                            k % 9 == 0 ? "0" : "1",
                            "1",
                            "0",
                            "02"};
        rows << QStringList{y,    "1" + u.eid + "000002",
                            "02", u.name.mid(1) + QStringLiteral("信息化建设项目"),
                            "0",  "0",
                            "1",  "1",
                            "0",  "03"};
    }
    return rows;
}

void InsertYearCatalogues(TAdoConn* conn, int year, const QList<Unit>& units)
{
    const QString y = QString::number(year);
    {
        BatchInsert ins(conn, "insert into pubsubject (datayear,bid,pbid,bname,leafflag,class,type,"
                              "totalname,useflag)");
        for (const Subject& s : kSubjects) {
            const QString bid = QString::fromLatin1(s.bid);
            const QString pbid = bid.size() == 3 ? QString() : bid.left(bid.size() - 2);
            const bool leaf = bid.size() == 7;
            ins.Add({y, Lit(bid), Lit(pbid), Lit(QString::fromUtf8(s.name)), Lit(leaf ? "0" : "1"),
                     Lit(bid.left(1) == "1" ? "1" : "2"), Lit(QString::fromLatin1(s.type)),
                     Lit(QString::fromUtf8(s.name)), Lit("0")});
        }
    }
    {
        BatchInsert ins(conn,
                        "insert into pubeconomykind (datayear,ekid,pekid,ekname,leafflag,useflag)");
        for (const Economy& e : kEconomy) {
            const QString ekid = QString::fromLatin1(e.ekid);
            ins.Add({y, Lit(ekid), Lit(ekid.size() == 3 ? QString() : ekid.left(3)),
                     Lit(QString::fromUtf8(e.name)), Lit(ekid.size() == 3 ? "1" : "0"), Lit("0")});
        }
    }
    const QList<QStringList> items = ItemRows(year, units);
    {
        BatchInsert ins(conn,
                        "insert into pubitem (datayear,iid,piid,iname,leafflag,useflag,issecret,"
                        "itype,pid,ikid)");
        for (const QStringList& r : items) {
            QStringList lits{r[0]};
            for (int i = 1; i < r.size(); ++i)
                lits << Lit(r[i]);
            ins.Add(lits);
        }
    }
    {
        BatchInsert ins(conn, "insert into pubdeptitem (datayear,eid,iid)");
        for (const Unit& u : units)
            if (u.leaf)
                for (const QStringList& r : items)
                    if (r[1].size() == 13 &&
                        (r[1].startsWith("99") || r[1].mid(1, 6) == u.eid.left(6)))
                        ins.Add({y, Lit(u.eid), Lit(r[1])});
    }
    {
        BatchInsert ins(conn,
                        "insert into busibudgetbalance (datayear,iid,piid,iname,leafflag,useflag,"
                        "eid,balamoney)");
        ins.Add({y, Lit("01"), Lit(""), Lit("结余项目"), Lit("1"), Lit("0"), "NULL", "0"});
        ins.Add({y, Lit("0101"), Lit("01"), Lit("上年结余资金"), Lit("0"), Lit("0"),
                 Lit("101004001"), "125000.5"});
    }
}

// Numbered pick lists the indicator generator joins against.
void CreatePickTables(TAdoConn* conn, const QList<Unit>& units, int year)
{
    ExecuteCommand(conn, "create temp table demo_unit (n integer primary key, eid varchar(30), "
                         "deptclass varchar(20), burid varchar(20))");
    // Subjects numbered within their type: a money kind takes those of its own type.
    ExecuteCommand(conn, "create temp table demo_subject (type varchar(2), n integer, "
                         "bid varchar(20), primary key (type, n))");
    ExecuteCommand(conn, "create temp table demo_item (n integer primary key, iid varchar(20), "
                         "iname varchar(200))");
    {
        BatchInsert ins(conn, "insert into demo_unit (n,eid,deptclass,burid)");
        int n = 0;
        for (int k = 0; k < units.size(); ++k)
            if (units[k].leaf && UnitInUse(k + 1))
                ins.Add({QString::number(n++), Lit(units[k].eid), Lit(units[k].deptClass),
                         Lit(units[k].burid)});
    }
    {
        BatchInsert ins(conn, "insert into demo_subject (type,n,bid)");
        QHash<QString, int> counts;
        for (const Subject& s : kSubjects)
            if (qstrlen(s.bid) == 7 && s.bid[0] == '2') {
                const QString type = QString::fromLatin1(s.type);
                ins.Add(
                    {Lit(type), QString::number(counts[type]++), Lit(QString::fromLatin1(s.bid))});
            }
    }
    {
        BatchInsert ins(conn, "insert into demo_item (n,iid,iname)");
        int n = 0;
        for (const QStringList& r : ItemRows(year, units))
            if (r[1].size() == 13 && !r[1].startsWith("99"))
                ins.Add({QString::number(n++), Lit(r[1]), Lit(r[3])});
    }
}

int CountRows(TAdoConn* conn, const QString& table)
{
    return TARQuery::Open(conn, "select count(*) from " + table)
        ->Dataset()
        ->Fields(0)
        .AsString()
        .toInt();
}

// Type (i % 10), source ((i / 10) % 5), money kind ((i / 2) % 8) and sub-type ((i / 3) % 3)
// vary independently, so every view the filters offer has indicators from about 400 a year.
// Each is one the entry dialog takes as it is: a subject of its money kind's type, an
// expenditure type the money kind offers, secrecy only where the type may be secret, a unit in
// use, and a document number of its own (no two are the same indicator).
void InsertIndicators(TAdoConn* conn, int year, int from, int to, bool postgres)
{
    const QString y = QString::number(year);
    const QString seq =
        postgres ? QStringLiteral(
                       "(select generate_series(cast(%1 as bigint),cast(%2 as bigint)) as i) n")
                       .arg(from)
                       .arg(to)
                 : QStringLiteral("n");
    const QString with =
        postgres ? QString()
                 : QStringLiteral("with recursive n(i) as (select %1 union all select i+1 from n "
                                  "where i<%2) ")
                       .arg(from)
                       .arg(to);
    const QString date = postgres ? "(date '" + y + "-01-04' + cast(i % 330 as integer))"
                                  : "date('" + y + "-01-04', '+' || (i % 330) || ' days')";
    const int units = CountRows(conn, "demo_unit");
    auto subjects = [conn](const char* type) {
        return QString::number(CountRows(
            conn, QStringLiteral("demo_subject where type='%1'").arg(QLatin1String(type))));
    };
    const QString kind = QStringLiteral("(i / 2) % 8");        // 5: money kind 12, 6: 31, 7: 21
    const QString basic = "(" + kind + " <> 6 and i % 7 < 2)"; // basic expenditure, salary items
    const QString ipid = "case when " + kind +
                         " = 6 then case i % 3 when 0 then '17' when 1 then '18' else '19' end "
                         "when i % 7 < 2 then '11' else '12' end";
    const QString iid = "case when " + basic +
                        " then case i % 3 when 0 then '9990000000001' when 1 then '9970000000001' "
                        "else '9960000000001' end else t.iid end";
    const QString iidName = "case when " + basic + " then '工资福利支出' else t.iname end";
    const QString secret = "case when i % 50 = 0 and not " + basic + " then '0' else '1' end";
    const QString subjectType = "case " + kind + " when 5 then 'YN' when 6 then 'NY' else 'NN' end";
    const QString subjectNumber = "(i * 31) % case " + kind + " when 5 then " + subjects("YN") +
                                  " when 6 then " + subjects("NY") + " else " + subjects("NN") +
                                  " end";
    const int items = CountRows(conn, "demo_item");
    // round: on SQLite the nearest double to the two-decimal amount, as the entry dialog stores
    // it (a sum of doubles may land one step beside it and read as inexact).
    const QString money =
        QStringLiteral("round(((i * 7919) % 9973 + 1) * 100 + (i % 100) / 100.0, 2)");
    const QString sql =
        with +
        "insert into busibudget (datayear,budgid,eid,bkid,mid,ipid,pid,bid,iid,iidname,ekid,vid,"
        "filename,filedate,inputmoney,duemoney,budgmoney,splitmoney,inputdate,userid,replaceflag,"
        "payflag,expflag,impflag,status,burid,deptclass,btype,btypechild,issecret,bsource) "
        "select " +
        y + ", " + (postgres ? "cast(i as varchar)" : "cast(i as text)") +
        ", u.eid, case when (i / 10) % 5 = 0 then '22' else '21' end, "
        "case (i / 2) % 8 when 5 then '12' when 6 then '31' when 7 then '21' else '11' end, " +
        ipid + ", case i % 3 when 1 then '20' else '10' end, s.bid, " + iid + ", " + iidName +
        ", case i % 4 when 0 then '30101' when 1 then '30201' when 2 then '30211' else '31002' "
        "end, 'V' || (i % 10), '市财预〔" +
        y + "〕' || i || '号', " + date + ", " + money + ", " + money + ", round(" + money +
        " + case when i % 4 = 0 then 1000 else 0 end, 2), 0, " + date +
        ", 'admin', '1', '1', '1', '1', '0', u.burid, u.deptclass, "
        "case i % 10 when 0 then '0' when 9 then '2' else '1' end, "
        "case i % 10 when 0 then '0' when 9 then '2' else case when (i / 3) % 3 = 0 then '2' "
        "else '1' end end, " +
        secret + ", '01' from " + seq + " join demo_unit u on u.n = ((i * 7919) / 7) % " +
        QString::number(units) + " join demo_subject s on s.type = " + subjectType +
        " and s.n = " + subjectNumber + " join demo_item t on t.n = (i * 13) % " +
        QString::number(items);
    ExecuteCommand(conn, sql);
}

} // namespace

// Project items by the thousand: groups "3001", "3002" … each with up to 500 items.
void InsertMoreItems(TAdoConn* conn, int year, int items)
{
    const QString y = QString::number(year);
    BatchInsert ins(conn, "insert into pubitem (datayear,iid,piid,iname,leafflag,useflag,issecret,"
                          "itype,pid,ikid)");
    const int groups = (items + 499) / 500;
    for (int g = 1; g <= groups; ++g) {
        const QString group = "3" + Pad(g, 3);
        ins.Add({y, Lit(group), Lit(""), Lit(QStringLiteral("专项项目组%1").arg(g)), Lit("1"),
                 Lit("0"), Lit("1"), Lit("1"), Lit("0"), Lit("")});
        for (int k = 1; k <= 500 && (g - 1) * 500 + k <= items; ++k)
            ins.Add({y, Lit(group + Pad(k, 9)), Lit(group),
                     Lit(QStringLiteral("专项项目%1-%2").arg(g).arg(k)), Lit("0"), Lit("0"),
                     Lit(k % 17 == 0 ? "0" : "1"), Lit("1"), Lit("0"),
                     Lit(k % 3 == 0 ? "02" : "01")});
    }
}

int DemoUnitCount(int indicators)
{
    return std::clamp(indicators / 200, 60, 5000);
}

void FillDemo(TAdoConn* conn, int indicators, const DemoProgress& progress, int yearCount,
              int items)
{
    auto say = [&](const QString& m) {
        if (progress)
            progress(m);
    };
    const bool postgres = conn->Dialect().GetKind() == TSqlDialect::PostgreSQL;
    const QList<Unit> units = BuildUnits(DemoUnitCount(indicators));
    InTransaction(conn, [&] {
        InsertUnits(conn, units);
        InsertCatalogues(conn, kDemoYears[std::size(kDemoYears) - 1],
                         {{"admin", "系统管理员", "101", "02"},
                          {"0001", "张敏", "101004", "02"},
                          {"0002", "李强", "101004001", "02"}});
        for (int year : kDemoYears)
            InsertYearCatalogues(conn, year, units);
        if (items > 0)
            InsertMoreItems(conn, kDemoYears[std::size(kDemoYears) - 1], items);
        say(QStringLiteral("catalogues: %1 units").arg(units.size()));
        CreatePickTables(conn, units, kDemoYears[0]);
        const int all = int(std::size(kDemoYears));
        const int years = std::clamp(yearCount, 1, all);
        int done = 0;
        for (int k = all - years; k < all; ++k) {
            const int count = indicators / years + (k == all - 1 ? indicators % years : 0);
            constexpr int kChunk = 200000;
            for (int from = 1; from <= count; from += kChunk) {
                const int to = std::min(count, from + kChunk - 1);
                InsertIndicators(conn, kDemoYears[k], from, to, postgres);
                done += to - from + 1;
                say(QStringLiteral("indicators: %1 of %2").arg(done).arg(indicators));
            }
        }
        ExecuteCommand(conn, "drop table demo_unit");
        ExecuteCommand(conn, "drop table demo_subject");
        ExecuteCommand(conn, "drop table demo_item");
    });
    ExecuteCommand(conn, "analyze");
}

void FillStarter(TAdoConn* conn, int year)
{
    InTransaction(conn, [&] {
        InsertUnits(conn, {Unit{QStringLiteral("101"), QString(), QStringLiteral("本级"),
                                QStringLiteral("1"), QString(), false}});
        InsertCatalogues(conn, year, {{"admin", "系统管理员", "101", ""}});
    });
}
