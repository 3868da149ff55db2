#include "context/untSqlTrace.h"
#include "ListFixture.h"

#include "controls/TNextGrid.h"
#include "listwindow/bwnQuindle.h"
#include "support/gunNextGridManager.h"

#include <QComboBox>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include "plugin/untShareResRefManager.h"

namespace
{
const char* const kData[] = {
    "insert into pubdept (eid,peid,ename,leafflag,replaceflag) values ('101','','市本级','1','0')",
    "insert into pubdept (eid,peid,ename,leafflag,replaceflag) values "
    "('101001','101','教育局','1','0')",
    "insert into pubdept (eid,peid,ename,leafflag,replaceflag) values "
    "('101001001','101001','教育局本级','0','0')",
    "insert into pubdept (eid,peid,ename,leafflag,replaceflag) values "
    "('101001002','101001','第一中学','0','1')",
    "insert into pubdept (eid,peid,ename,leafflag,replaceflag) values "
    "('101002','101','财政局','1','0')",
    "insert into pubdept (eid,peid,ename,leafflag,replaceflag) values "
    "('101002001','101002','财政局本级','0','0')",
    "insert into pubmoneykind (mid,mname) values ('11','一般公共预算资金')",
    "insert into pubmoneykind (mid,mname) values ('12','政府性基金预算资金')",
    "insert into pubmoneykind (mid,mname) values ('21','财政专户管理资金')",
    "insert into pubmoneykind (mid,mname) values ('31','国有资本经营预算资金')",
    "insert into pubbudgetkind (bkid,bkname) values ('21','当年预算')",
    "insert into pubbudgetkind (bkid,bkname) values ('22','上年结转')",
    "insert into pubincomepay (ipid,ipname) values ('11','基本支出')",
    "insert into pubincomepay (ipid,ipname) values ('12','项目支出')",
    "insert into pubpaykind (pid,pname) values ('10','直接支付')",
    "insert into pubsubject (datayear,bid,pbid,bname,type) values "
    "(2026,'2050202','20502','小学教育','NN')",
    "insert into pubbureaux (burid,burname) values ('01','行政政法处')",
    "insert into pubbureaux (burid,burname) values ('02','教科文处')",
    "insert into sysparament (paramname,paramvalue) values ('setDefaultBType','1')",
    // id, unit, money kind, source, type, sub-type, input, due, control, bureau, year
    "insert into busibudget "
    "(datayear,budgid,eid,mid,bkid,ipid,pid,bid,btype,btypechild,inputmoney,duemoney,"
    "budgmoney,burid) values "
    "(2026,'1','101001001','11','21','11','10','2050202','1','1',100,90,80,'01')",
    "insert into busibudget "
    "(datayear,budgid,eid,mid,bkid,ipid,pid,bid,btype,btypechild,inputmoney,duemoney,"
    "budgmoney,burid) values "
    "(2026,'2','101001001','12','21','12','10','2050202','1','2',50,40,30,'02')",
    "insert into busibudget "
    "(datayear,budgid,eid,mid,bkid,ipid,pid,bid,btype,btypechild,inputmoney,duemoney,"
    "budgmoney,burid) values "
    "(2026,'3','101001002','11','22','11','10','2050202','1','1',7,7,7,'01')",
    "insert into busibudget "
    "(datayear,budgid,eid,mid,bkid,ipid,pid,bid,btype,btypechild,inputmoney,duemoney,"
    "budgmoney,burid) values "
    "(2026,'4','101002001','11','21','11','10','2050202','0','0',1000,1000,1000,'01')",
    "insert into busibudget "
    "(datayear,budgid,eid,mid,bkid,ipid,pid,bid,btype,btypechild,inputmoney,duemoney,"
    "budgmoney,burid) values "
    "(2026,'5','101001001','11','21','12','10','2050202','1','1',12.5,10.25,0,'02')",
    "insert into busibudget "
    "(datayear,budgid,eid,mid,bkid,ipid,pid,bid,btype,btypechild,inputmoney,duemoney,"
    "budgmoney,burid) values "
    "(2025,'1','101001001','11','21','11','10','2050202','1','1',1,1,1,'01')",
};
} // namespace

void ListFixture::SetUp()
{
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    for (const char* sql : kData)
        db.Exec(QString::fromUtf8(sql));
    RegisterListWindow();
    PlugInInitialize();
    db.Unit().SetValue(0, "101");
    db.Unit().SetValue(3, QStringLiteral("市本级"));
    db.Params().DefaultBType = 1;
    db.Params().ConfirmDelete = "1";
    db.Params().ShowSuccessMsg = "1";
    area = new QMdiArea(&main);
    main.setCentralWidget(area);
    main.resize(1200, 800);
    hostApp.SetMainForm(&main);
    hostApp.SetMdiArea(area);
    hostScreen.SetSize(1200, 800);
    main.show();
    m_savedApp = Application;
    m_savedScreen = Screen;
    host = {&db.Context(), &status, &notifier, &hostApp, &hostScreen};
    messages = std::make_unique<MessageRecorder>(&hostApp);
    SetSqlObserver([this](const SqlTraceEntry& e) {
        if (e.Kind == "open" && e.Sql.contains("from vwBudget"))
            queries << e.Sql;
    });
}

void ListFixture::TearDown()
{
    SetSqlObserver({});
    for (QMdiSubWindow* sub : area->subWindowList())
        sub->widget()->close();
    FlushDeletes();
    messages.reset();
    Application = m_savedApp;
    Screen = m_savedScreen;
}

TbfrmQuindle* ListFixture::Open()
{
    EXPECT_EQ(ShowPlugInWindowImpl("TbfrmQuindle", &host), 0);
    QApplication::processEvents();
    return static_cast<TbfrmQuindle*>(ResRefManager()->FindObj("TbfrmQuindle"));
}

void ListFixture::CloseWindow(TbfrmQuindle* w)
{
    w->tbtnColse->trigger();
    FlushDeletes();
}

QStringList ListFixture::TakeListQueries()
{
    QStringList taken = queries;
    queries.clear();
    return taken;
}

void ListFixture::Choose(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QStringList ListFixture::Column(TbfrmQuindle* w, const char* name) const
{
    QStringList values;
    for (int r = 0; r < w->ngdBudget->RowCount(); ++r)
        values << w->GridManager()->GetText(w->ngdBudget, r, name);
    return values;
}
