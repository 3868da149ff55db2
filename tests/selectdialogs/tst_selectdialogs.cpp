#include "context/untSqlTrace.h"
#include "controls/TTreeView.h"
#include "elements/gunfunElement.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/TestSupport.h"
#include "selectdialogs/gwnSelectIid.h"
#include "support/untDynamicTree.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace
{
QString NodeText(QTreeWidgetItem* node)
{
    return node ? node->text(0) : QStringLiteral("(none)");
}

class Select : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
        SetSqlObserver([this](const SqlTraceEntry& e) { opened << e.Sql; });
    }
    void TearDown() override
    {
        SetSqlObserver({});
        Application->SetModalDriver({});
    }
    // Runs `drive` on the dialog shown modally; its answer is the modal result.
    void Drive(std::function<int(TgfrmSelectElement*)> drive)
    {
        Application->SetModalDriver([drive, this](QDialog* d) {
            ++shown;
            d->show();
            QApplication::setActiveWindow(d);
            QApplication::processEvents();
            const int r = drive(static_cast<TgfrmSelectElement*>(d));
            d->hide();
            return r;
        });
    }
    static QTreeWidgetItem* Find(TTreeView* tree, const QString& prefix)
    {
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->text(0).startsWith(prefix))
                return *it;
        return nullptr;
    }

    TestDatabase db{GetParam(), TestDatabase::Demo, 300};
    MessageRecorder messages;
    QStringList opened;
    int shown = 0;
};
INSTANTIATE_TEST_SUITE_P(Db, Select, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);
} // namespace

TEST_P(Select, UnitDialogShapeLeafOnlyAndDoubleClick)
{
    db.Unit().SetValue(0, "101004002"); // nine characters: the tree starts at "101"
    Drive([&](TgfrmSelectElement* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("请选择预算单位"));
        EXPECT_EQ(d->Controls().btnConfirm->text(), QStringLiteral("确定(&S)"));
        EXPECT_EQ(d->Controls().btnClose->text(), QStringLiteral("关闭(&W)"));
        EXPECT_EQ(d->size(), QSize(384, 374));
        QTreeWidgetItem* top = d->Controls().trvBottom->topLevelItem(0);
        EXPECT_EQ(top->text(0), QStringLiteral("请选择预算单位"));
        EXPECT_EQ(top->childCount(), 1); // the department of the unit's prefix
        EXPECT_TRUE(top->child(0)->text(0).startsWith("101004 "));
        // Depth 3: the second level was loaded and its first unit is selected.
        EXPECT_TRUE(NodeText(d->Controls().trvBottom->currentItem()).startsWith("101004001 "));
        EXPECT_TRUE(d->Controls().trvBottom->hasFocus());
        d->Controls().trvBottom->setCurrentItem(top->child(0));
        d->Controls().btnConfirm->click(); // a department: not a bottom-level unit
        EXPECT_TRUE(d->isVisible());
        QTreeWidgetItem* leaf = Find(d->Controls().trvBottom, "101004003 ");
        const QRect r = d->Controls().trvBottom->visualItemRect(leaf);
        // A double click as the window system delivers it: press, release, double click.
        QTest::mouseClick(d->Controls().trvBottom->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(d->Controls().trvBottom->viewport(), Qt::LeftButton, {}, r.center());
        EXPECT_FALSE(d->isVisible());
        return d->result();
    });
    QString id, name, full;
    EXPECT_TRUE(SelectDept(id, name, full, true, true, 0));
    EXPECT_EQ(id, "101004003");
    EXPECT_FALSE(name.isEmpty());
    EXPECT_EQ(full, name);
    ASSERT_EQ(messages.Messages().size(), 1);
    EXPECT_EQ(messages.Messages()[0].Text, QStringLiteral("请选择底级预算单位"));
    EXPECT_EQ(messages.Messages()[0].Caption, QString());
    EXPECT_EQ(messages.Messages()[0].Icon, MsgIcon::Information);
    // The statements are the described ones, with the connection's concatenation.
    const QString c = db.Def()->Dialect().ConcatOperator();
    EXPECT_TRUE(opened.contains("select a.* from (select Eid as id,EName as name,peid as "
                                "pid,leafflag,Eid" +
                                c + "' '" + c +
                                "EName as tname from "
                                "pubdept p where 1=1  and eid like '101004%' and "
                                "useflag='0') a where a.pid='101' Order by a.id"))
        << opened.join("\n").toStdString();
}

TEST_P(Select, KeyboardOnlyAndCancel)
{
    Drive([&](TgfrmSelectElement* d) {
        QWidget* tree = d->Controls().trvBottom;
        QTest::keyClick(tree, Qt::Key_Down);
        QTest::keyClick(tree, Qt::Key_Plus);
        QTest::keyClick(tree, Qt::Key_Return); // to the next control: 确定
        EXPECT_TRUE(d->Controls().btnConfirm->hasFocus());
        QTest::keyClick(d->Controls().btnConfirm, Qt::Key_Space);
        return d->result();
    });
    QString id = "x", name = "x", full = "x";
    EXPECT_TRUE(SelectSubject(id, name, full, false, true, 0, "12", "11", ""));
    EXPECT_FALSE(id.isEmpty());

    Drive([&](TgfrmSelectElement* d) {
        QTest::keyClick(d->Controls().trvBottom, Qt::Key_Escape, Qt::ShiftModifier);
        return d->result();
    });
    EXPECT_FALSE(SelectSubject(id, name, full, true, true, 0, "12", "11", ""));
    EXPECT_TRUE(id.isEmpty() && name.isEmpty() && full.isEmpty());
}

TEST_P(Select, ItemDialogSearchesAndConfirmsAnyNode)
{
    db.Exec("insert into pubitem (datayear,iid,piid,iname,leafflag,useflag,issecret,itype,pid) "
            "values (2026,'0300000000001','','O''Brien基金项目','0','0','1','1','0')");
    Drive([&](TgfrmSelectElement* base) {
        auto* d = static_cast<TgfrmSelectIid*>(base);
        EXPECT_EQ(d->windowTitle(), QStringLiteral("请选择项目信息"));
        EXPECT_EQ(d->SearchFields().cmbDKId->itemText(0), QStringLiteral("<全部>"));
        QTreeWidgetItem* top = d->Controls().trvBottom->topLevelItem(0);
        EXPECT_EQ(top->text(0), QStringLiteral("请选择预算项目"));
        EXPECT_TRUE(top->isExpanded());
        EXPECT_EQ(top->childCount(), 3); // 01, 02 and the new one
        // A code prefix leaves out items whose parent does not match.
        d->SearchFields().edtIid->setFocus();
        QTest::keyClicks(d->SearchFields().edtIid, "1101");
        QTest::keyClick(d->SearchFields().edtIid, Qt::Key_Tab);
        EXPECT_EQ(d->Controls().trvBottom->topLevelItem(0)->childCount(), 0);
        d->SearchFields().edtIid->clear();
        // A quote finds the name that holds it and changes no statement.
        d->SearchFields().edtIName->setFocus();
        QTest::keyClicks(d->SearchFields().edtIName, "'");
        QTest::keyClick(d->SearchFields().edtIName, Qt::Key_Tab);
        top = d->Controls().trvBottom->topLevelItem(0);
        EXPECT_EQ(top->childCount(), 1);
        EXPECT_TRUE(NodeText(top->child(0)).contains("O'Brien"));
        d->Controls().trvBottom->setCurrentItem(top); // the top node is confirmed too
        d->Controls().btnConfirm->click();
        return d->result();
    });
    QString id = "x", name, full;
    EXPECT_TRUE(SelectItem(id, name, full, "101004001", "0", "0", 0, ""));
    EXPECT_EQ(id, "");
    EXPECT_EQ(name, "^_^");
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_P(Select, ClosedConnectionRaisesAndLeavesNoDialog)
{
    Drive([](TgfrmSelectElement* d) { return d->result(); });
    db.Def()->Close();
    QString id, name, full;
    EXPECT_THROW(SelectDept(id, name, full, true, true, 0), TExceptDynamicTree);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(gfrmSelectElement, nullptr);
}

// The item tree is built before the dialog shows: a tree that cannot be read is reported with
// the database's reason and no dialog appears.
TEST_P(Select, ItemTreeThatCannotBeReadShowsNoDialog)
{
    Drive([](TgfrmSelectElement* d) { return d->result(); });
    db.Exec("alter table pubitem rename to pubitem_gone");
    QString id = "x", name = "x", full = "x";
    try {
        SelectItem(id, name, full, "101004001", "0", "0", 0, "");
        ADD_FAILURE() << "an item tree without its table";
    } catch (const TExceptDynamicTree& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("无法读取预算项目：")))
            << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("pubitem", Qt::CaseInsensitive))
            << e.Message().toStdString();
    }
    EXPECT_EQ(shown, 0);
}

TEST(ItemCondition, ReservedCodesUnitsAndFlags)
{
    TWorkContext ctx;
    TSysParams params;
    ctx.SysParams = &params;
    ctx.DataYear = 2011;
    SetCurrentWorkContext(&ctx);
    EXPECT_EQ(ItemSelectionCondition("101004", "0", "0", 2009, ""),
              " and itype='1' and iid not in ( '9960000000001','9970000000001','9990000000001' "
              ")  and datayear=2009");
    ctx.DataYear = 2010;
    params.UnitItemsFlag = "1";
    params.ItemPidFlag = "1";
    EXPECT_EQ(ItemSelectionCondition("101004", "0", "1", 0, "0"),
              " and itype='1' and iid not in ( '9960000001','9970000001','9990000001' )  and "
              "eid ='101004001'  and pid='1'  and datayear=2010 and issecret ='0' ");
    EXPECT_EQ(ItemSelectionCondition("101004001", "1", "0", 0, ""),
              " and itype='1' and iid  in ( '9960000001','9970000001','9990000001' )  and "
              "datayear=2010");
    EXPECT_TRUE(ItemSelectionCondition("101004001", "0", "0", 0, "")
                    .contains("eid ='101004001' ")); // already ending in 001
    EXPECT_EQ(ItemSelectionCondition("", "2", "0", 0, ""), " and itype='1'  and datayear=2010");
    EXPECT_EQ(ItemSelectionCondition("", "9", "0", 0, ""), " and datayear=2010");
    EXPECT_EQ(ItemTreeSource("01", "1'", "", "", TSqlDialect(TSqlDialect::SqlServer)),
              "select iid as id,piid as pid,leafflag,iname as name,iid+' '+iname as aText,useflag "
              " from vwBudgetItem where  useflag='0'  and IKid ='01'  and iid like '1''%' ");
    SetCurrentWorkContext(nullptr);
}
