// The statements of the store as they are built for an SQL Server connection.
#include "budget/gunBudget.h"
#include "budget/gunBudgetSave.h"
#include "plugin/untPlugInEntry.h"
#include "context/untWorkContext.h"

#include <gtest/gtest.h>

namespace
{
class BudgetSql : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.ConnectionString = "Provider=SQLOLEDB.1;Data Source=office";
        ctx.DbManager = &db;
        SetCurrentWorkContext(&ctx);
    }
    void TearDown() override { SetCurrentWorkContext(nullptr); }

    static TBudget Sample()
    {
        TBudget b;
        b.DataYear = 2008;
        b.BudgId = "57";
        b.Eid = "101001001";
        b.Mid = "11";
        b.Bkid = "21";
        b.IPid = "12";
        b.Pid = "10";
        b.EKid = "30201";
        b.Bid = "2010101";
        b.Iid = "1010010000001";
        b.IIdName = "办公经费";
        b.InputMoney = *Currency::FromText("12.5");
        b.DueMoney = *Currency::FromText("100");
        b.BudgMoney = *Currency::FromText("-3.25");
        b.BType = "1";
        b.BTypeChild = "1";
        return b;
    }
    TDbManager db;
    TWorkContext ctx;
};

const QString kInsertHead =
    " insert into busibudget ( DataYear,BudgId,Eid,Mid,Bkid,IPid,Pid,EKid,Bid,Iid,IIdName, "
    "InputMoney,DueMoney,BudgMoney,SplitMoney, ReplaceFlag,PayFlag,ExpFlag,ImpFlag,Status, "
    "Wid,Vid,UCid,UDid,UMid,UNid,UVid,IniBudgId,CBudgId,PBudgId,Memoo,BurId,BudgetSource,DeptClass,"
    "SplitType,BType,BTypeChild,BSource,IsSecret";
const QString kInsertValues =
    ") values( 2008,'57','101001001','11','21','12','10','30201','2010101',"
    "'1010010000001','办公经费',12.5,100,-3.25,0,'1','1','1','1','0','','','',"
    "'','','','','','','','','','','','','1','1','','1'";
} // namespace

TEST_F(BudgetSql, InsertWithoutOptionalFields)
{
    EXPECT_EQ(TBudgetManage::InsertSql(Sample()), kInsertHead + kInsertValues + ")");
}

TEST_F(BudgetSql, InsertWithDocumentDatesAndCodes)
{
    TBudget b = Sample();
    b.FileName = "财预〔2008〕12号";
    b.FileDate = "2008-03-01";
    b.InputDate = "2008-03-02";
    b.UserId = "0001";
    b.AuditDate = "2008-03-03";
    b.AuditId = "0002";
    EXPECT_EQ(TBudgetManage::InsertSql(b),
              kInsertHead + " ,FileName  ,FileDate  ,InputDate  ,UserId  ,AuditDate  ,AuditId " +
                  kInsertValues +
                  ",'财预〔2008〕12号','2008-03-01','2008-03-02','0001','2008-03-03','0002')");
}

TEST_F(BudgetSql, DateLiteralsFollowTheConnection)
{
    db.ConnectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb";
    TBudget b = Sample();
    b.InputDate = "2008-03-02";
    EXPECT_TRUE(TBudgetManage::InsertSql(b).endsWith(",#2008-03-02#)"));
    EXPECT_TRUE(TBudgetManage::UpdateSql(b, 3).contains(" ,InputDate =#2008-03-02#"));
}

TEST_F(BudgetSql, UpdateModes)
{
    TBudget b = Sample();
    b.Bkid.clear();
    const QString head =
        " update busibudget  set Eid= '101001001', Mid= '11', Bid= '2010101', Iid= "
        "'1010010000001', IIdName= '办公经费', IsSecret= '1', SplitMoney= 0";
    const QString tail =
        " ,IPid ='12' ,Pid ='10' ,EKid ='30201' , PayFlag= '1' ,ExpFlag= '1' ,ImpFlag= "
        "'1' ,Status= '0' where DataYear=2008 and BudgId= '57'";
    EXPECT_EQ(TBudgetManage::UpdateSql(b, 3), head + ",inputMoney= 12.5,BudgMoney= -3.25" + tail);
    EXPECT_EQ(TBudgetManage::UpdateSql(b, 4), head + ",DueMoney= 100, BudgMoney= -3.25" + tail);
    EXPECT_EQ(TBudgetManage::UpdateSql(b, 7), head + tail);
    EXPECT_EQ(TBudgetManage::UpdateSql(b, 0), head + ",inputMoney= 12.5" + tail);
    EXPECT_EQ(TBudgetManage::UpdateSql(b, 1), head + ",DueMoney= 100" + tail);
    // Every optional piece in its place.
    TBudget full = b;
    int n = 0;
    for (QString* f : {&full.Wid, &full.Vid, &full.UCid, &full.UDid, &full.UMid, &full.UNid,
                       &full.UVid, &full.FileName, &full.UserId, &full.AuditId, &full.SplitId,
                       &full.IniBudgId, &full.CBudgId, &full.PBudgId, &full.Memoo,
                       &full.BudgetSource, &full.BSource, &full.BurId})
        *f = QString::number(++n);
    full.FileDate = "2026-01-02";
    full.InputDate = "2026-01-03";
    full.AuditDate = "2026-01-04";
    full.SplitDate = "2026-01-05";
    EXPECT_EQ(TBudgetManage::UpdateSql(full, 7),
              head +
                  " ,IPid ='12' ,Pid ='10' ,EKid ='30201' ,Wid ='1' ,Vid ='2' ,UCid ='3' ,UDid "
                  "='4' ,UMid ='5' ,UNid ='6' ,UVid ='7' ,FileName ='8' ,FileDate ='2026-01-02' "
                  ",InputDate ='2026-01-03' ,UserId ='9' ,AuditDate ='2026-01-04' ,AuditId ='10' "
                  ",SplitDate ='2026-01-05' ,SplitId ='11' ,IniBudgId ='12' ,CBudgId ='13' "
                  ",PBudgId ='14' , PayFlag= '1' ,ExpFlag= '1' ,ImpFlag= '1' ,Status= '0' "
                  ",Memoo ='15' ,BudgetSource ='16' ,BSource ='17' ,BurId ='18' where "
                  "DataYear=2008 and BudgId= '57'");
    b.Bkid = "22";
    EXPECT_EQ(TBudgetManage::UpdateSql(b, 2), head + ",BudgMoney= -3.25,Bkid ='22'" + tail);
}

TEST_F(BudgetSql, DeletePartialUpdateAndLoad)
{
    TBudget b;
    b.DataYear = 2024;
    b.BudgId = "57";
    EXPECT_EQ(TBudgetManage::UpdateFieldsSql(b, " BudgMoney= 100", ""),
              " update busibudget  set  BudgMoney= 100 where datayear=2024   and BudgId='57'");
    EXPECT_EQ(TBudgetManage::UpdateFieldsSql(b, " BudgMoney= 100", " and eid like '101%'"),
              " update busibudget  set  BudgMoney= 100 where datayear=2024 and eid like '101%'");
    EXPECT_EQ(TBudgetManage::DeleteSql(b, ""),
              " delete from busibudget  where datayear=2024 and BudgId='57'");
    EXPECT_EQ(TBudgetManage::DeleteSql(b, " and eid='101001001'"),
              " delete from busibudget  where datayear=2024 and eid='101001001'");
    EXPECT_EQ(TBudgetManage::LoadSql(b),
              " select *  from busiBudget  where datayear=2024 and budgid='57'");
}

TEST_F(BudgetSql, RecordDefaults)
{
    const TBudget b;
    EXPECT_EQ(b.DataYear, 0);
    EXPECT_EQ(b.ReplaceFlag, "1");
    EXPECT_EQ(b.PayFlag, "1");
    EXPECT_EQ(b.ExpFlag, "1");
    EXPECT_EQ(b.ImpFlag, "1");
    EXPECT_EQ(b.Status, "0");
    EXPECT_EQ(b.BType, "1");
    EXPECT_EQ(b.BTypeChild, "0");
    EXPECT_EQ(b.IsSecret, "1");
    EXPECT_EQ(b.InputMoney.Raw(), 0);
    EXPECT_TRUE(b.BudgId.isEmpty() && b.FileDate.isEmpty() && b.BSource.isEmpty());
}

TEST_F(BudgetSql, DuplicateTestTakesAMissingDocumentNumberForAnEmptyOne)
{
    TBudget b = Sample();
    b.FileName = "K'7";
    const QString head = "select budgid from BusiBudget   where datayear=2008   and BType='1' and "
                         "BTypeChild='1' and bkid='21' and eid='101001001' and mid='11' and "
                         "ipid='12' and bid='2010101' and iid='1010010000001' and ";
    EXPECT_EQ(ExistsSameBudgetSql(b, 2008, true), head + "filename='K''7'");
    EXPECT_EQ(ExistsSameBudgetSql(b, 2008, false), head + "filename='K''7' and budgid<>'57'");
    b.FileName.clear();
    EXPECT_EQ(ExistsSameBudgetSql(b, 2008, false),
              head + "ISNULL(filename,'')='' and budgid<>'57'");
}
