// Adding and modifying through the entry dialog from the list window, as an operator does it,
// and several operators adding at once.
#include "basewindows/wnWorkProgress.h"
#include "context/untAdodbIsomer.h"
#include "context/untWorkContext.h"
#include "controls/PBNumEdit.h"
#include "controls/TElementEdit.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "entrydialog/rwnInputEdit.h"
#include "fixtures/ListFixture.h"
#include "listwindow/bwnQuindle.h"
#include "selectdialogs/gwnSelectIid.h"
#include "support/gunNextGridManager.h"
#include "budget/gunBudgetSave.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QThread>
#include <atomic>
#include <functional>
#include <thread>

namespace
{
class Save : public ListFixture
{
protected:
    explicit Save(TestDatabase::Content content = TestDatabase::Schema) : ListFixture(content) {}
    // Answers the entry dialog with `entry` and an item dialog by picking the item.
    void Drive(std::function<void(TrfrmInputEdit*)> entry)
    {
        hostApp.SetModalDriver([this, entry](QDialog* d) {
            d->setWindowModality(Qt::ApplicationModal); // as exec shows it
            d->show();
            QApplication::setActiveWindow(d);
            if (auto* items = qobject_cast<TgfrmSelectIid*>(d)) {
                QTreeWidgetItem* group = items->Controls().trvBottom->topLevelItem(0)->child(0);
                group->setExpanded(true);
                items->Controls().trvBottom->setCurrentItem(group->child(0));
                items->Controls().btnConfirm->click();
                items->hide();
                QApplication::setActiveWindow(current); // back to the dialog that asked
                return items->result();
            }
            if (auto* e = qobject_cast<TrfrmInputEdit*>(d)) {
                ++dialogs;
                current = e;
                entry(e);
            }
            d->hide();
            return d->result();
        });
    }
    // 确定, and the save beside the dialog to its end.
    static void Ok(TrfrmInputEdit* d)
    {
        d->Buttons().btnOK->click();
        EXPECT_TRUE(QTest::qWaitFor([d] { return !d->WorkRunning(); }, 30000));
    }
    static void Choose(QComboBox* c, int index)
    {
        c->setCurrentIndex(index);
        emit c->activated(index);
    }
    static void TypeInto(QWidget* w, const char* keys)
    {
        w->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(w))
            line->selectAll();
        QTest::keyClicks(w, keys);
        QTest::keyClick(w, Qt::Key_Tab);
    }
    QString Row(const QString& columns, const QString& id)
    {
        QStringList values;
        for (const QString& c : columns.split(','))
            values << db.Scalar("select " + c +
                                " from busibudget where datayear=2026 and "
                                "budgid='" +
                                id + "'");
        return values.join('|');
    }
    void RefuseInserts(bool refuse)
    {
        const bool lite = db.GetEngine() == Engine::SQLite;
        if (!refuse) {
            db.Exec(lite ? "drop trigger no_add" : "drop trigger no_add on busibudget");
            return;
        }
        if (lite) {
            db.Exec("create trigger no_add before insert on busibudget begin select "
                    "raise(abort,'read only'); end");
            return;
        }
        db.Exec("create function no_add() returns trigger as $$ begin raise exception "
                "'read only'; end $$ language plpgsql");
        db.Exec("create trigger no_add before insert on busibudget for each row execute "
                "function no_add()");
    }
    int dialogs = 0;
    QWidget* current = nullptr;
};
INSTANTIATE_TEST_SUITE_P(Db, Save, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

class DemoSave : public Save
{
protected:
    DemoSave() : Save(TestDatabase::Demo) {}
};
INSTANTIATE_TEST_SUITE_P(Db, DemoSave, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);
} // namespace

// Each kind of demo indicator the list shows opens for modifying and is saved as it is.
TEST_P(DemoSave, EveryKindOfDemoIndicatorSavesUntouched)
{
    const QString key = "eid,mid,bkid,ipid,bid,iid,btype,btypechild,issecret,filename,budgmoney";
    TbfrmQuindle* w = Open();
    w->Panes().trvList->setCurrentItem(w->Panes().trvList->topLevelItem(0)); // every unit
    QSet<QString> kinds;
    for (int type = 0; type < w->Controls().cobBType->count(); ++type) {
        ListFixture::Choose(w->Controls().cobBType, type);
        ListFixture::Choose(w->Controls().cobbkid, 0); // <全部> where the type offers it
        ListFixture::Choose(w->Controls().cobMid, 0);
        const QStringList ids = Column(w, "budgid");
        for (int r = 0; r + 1 < ids.size(); ++r) {
            Settle(); // the list is read again after each save
            QString kind = QString::number(type);
            for (const char* c : {"bkid", "mid", "ipid", "btypechild", "issecret"})
                kind += '|' + w->Rows().Manager()->GetText(w->Controls().ngdBudget, r, c);
            if (kinds.contains(kind))
                continue;
            kinds.insert(kind);
            const QString before = Row(key, ids[r]);
            Drive([&](TrfrmInputEdit* d) {
                d->Buttons().btnOK->click();
                if (!d->Saved())
                    d->Buttons().btnClose->click();
            });
            w->Controls().ngdBudget->SetSelectedRow(int(Column(w, "budgid").indexOf(ids[r])));
            w->Controls().tbtnMod->trigger();
            EXPECT_EQ(messages->Texts().join('|').toStdString(), "") << kind.toStdString();
            messages->Clear();
            EXPECT_EQ(Row(key, ids[r]), before) << kind.toStdString();
        }
    }
    EXPECT_GE(kinds.size(), 30);
}

TEST_P(Save, AddModifyDuplicateAndCancel)
{
    db.User().SetValue(0, "0001");
    db.Unit().SetValue(4, "2");
    TbfrmQuindle* w = Open();
    Drive([&](TrfrmInputEdit* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("增加预算数信息"));
        EXPECT_EQ(d->Controls().edtEid->text(), QStringLiteral("教育局本级"));
        EXPECT_EQ(d->Controls().cmbmid->currentText(), QStringLiteral("一般公共预算资金"));
        Choose(d->Controls().cmbipid, 1); // 项目支出: items apply
        TypeInto(d->Controls().edtbid, "2050202");
        EXPECT_EQ(d->Controls().edtbid->text(), QStringLiteral("小学教育"));
        d->Controls().edtiid->setFocus();
        QTest::keyClick(d->Controls().edtiid, Qt::Key_Return,
                        Qt::ControlModifier); // picks from the tree
        EXPECT_EQ(d->Controls().edtiid->text(), "1101001000001")
            << messages->Texts().join('|').toStdString();
        QTest::keyClick(d->Controls().edtiid, Qt::Key_Tab);
        EXPECT_EQ(d->Controls().edtiid->text(), QStringLiteral("教育信息化"));
        Choose(d->Controls().cbUnit, 1); // 万元
        TypeInto(d->Controls().pbedtMoney, "1.5");
        TypeInto(d->Controls().edtFileName, "K-7");
        Ok(d);
        EXPECT_TRUE(d->Saved());
    });
    TakeListQueries();
    w->Controls().tbtnAdd->trigger();
    EXPECT_TRUE(messages->Messages().isEmpty()) << messages->Texts().join('|').toStdString();
    EXPECT_EQ(TakeListQueries().size(), 1); // the list read again
    const int row = int(Column(w, "budgid").indexOf("6"));
    ASSERT_GT(row, 0);
    EXPECT_EQ(w->Controls().ngdBudget->SelectedRow(),
              row); // the list read again stays on the new one
    EXPECT_EQ(Row("eid,mid,bkid,ipid,bid,iid,btype,btypechild,issecret,filename", "6"),
              "101001001|11|21|12|2050202|1101001000001|1|1|1|K-7");
    EXPECT_EQ(Row("budgmoney,inputmoney,duemoney", "6").replace(".0000", ""), "15000|15000|0");
    const QString today = TodayText();
    EXPECT_EQ(Row("inputdate,filedate,auditdate,userid,auditid", "6"),
              today + "|" + today + "|" + today + "|0001|0001");
    EXPECT_EQ(Row("memoo,status,budgetsource,bsource,replaceflag,payflag,impflag,deptclass", "6"),
              QStringLiteral("录入预算数CS|1|2|0|0|1|1|2"));

    // Modify: the amount; the rest as stored. A double click on the row opens it too.
    Drive([&](TrfrmInputEdit* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("修改预算数信息"));
        EXPECT_EQ(d->Controls().pbedtMoney->text(), "1.5000"); // in 万元, the unit in force now
        EXPECT_FALSE(d->Controls().cmbChild->isEnabled());     // the update never stores it
        TypeInto(d->Controls().pbedtMoney, "2");
        Ok(d);
    });
    Settle();
    w->Controls().ngdBudget->SetSelectedRow(row);
    emit w->Controls().ngdBudget->CellDoubleClicked(1, row);
    EXPECT_EQ(dialogs, 2);
    Settle();
    EXPECT_EQ(w->Controls().ngdBudget->SelectedRow(), row);
    EXPECT_EQ(Row("budgmoney,inputmoney", "6").replace(".0000", ""), "20000|20000");

    // The same indicator again is refused, the dialog stays open; cancelling changes nothing.
    Drive([&](TrfrmInputEdit* d) {
        Choose(d->Controls().cmbipid, 1);
        TypeInto(d->Controls().edtbid, "2050202");
        d->Controls().edtiid->setFocus();
        QTest::keyClicks(d->Controls().edtiid, "1101001000001");
        TypeInto(d->Controls().pbedtMoney, "3");
        TypeInto(d->Controls().edtFileName, "K-7");
        Ok(d);
        EXPECT_FALSE(d->Saved());
        EXPECT_TRUE(d->isVisible());
        d->Buttons().btnClose->click();
    });
    messages->Clear();
    TakeListQueries();
    w->Controls().tbtnAdd->trigger();
    ASSERT_EQ(messages->Messages().size(), 1);
    EXPECT_EQ(messages->Texts()[0],
              QStringLiteral("本单位已经存在相同属性的预算指标，不能重复录入！"));
    EXPECT_EQ(messages->Messages()[0].Caption, QStringLiteral("Vesperwald 7.1-终止确认"));
    EXPECT_EQ(messages->Messages()[0].Icon, MsgIcon::Error);
    EXPECT_TRUE(TakeListQueries().isEmpty()); // cancelled: the list as it was
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026"), "6");

    // A type without sub-types: the new indicator takes the type for its sub-type.
    ListFixture::Choose(w->Controls().cobBType, 2);
    Drive([&](TrfrmInputEdit* d) {
        Choose(d->Controls().cmbipid, 0);
        TypeInto(d->Controls().edtbid, "2050202");
        TypeInto(d->Controls().pbedtMoney, "4");
        Ok(d);
        EXPECT_TRUE(d->Saved());
    });
    w->Controls().tbtnAdd->trigger();
    EXPECT_EQ(Row("btype,btypechild", "7"), "2|2");

    // Another operator changes, then deletes, the indicator while it is open here: each save
    // is refused with nothing written, never a silent overwrite or a success.
    Settle();
    messages->Clear();
    Drive([&](TrfrmInputEdit* d) {
        db.Exec("update busibudget set budgmoney=1 where datayear=2026 and budgid='7'");
        TypeInto(d->Controls().pbedtMoney, "5");
        Ok(d);
        EXPECT_EQ(Row("budgmoney", "7").replace(".0000", ""), "1");
        db.Exec("delete from busibudget where datayear=2026 and budgid='7'");
        Ok(d);
        EXPECT_FALSE(d->Saved());
        d->Buttons().btnClose->click();
    });
    w->Controls().ngdBudget->SetSelectedRow(int(Column(w, "budgid").indexOf("7")));
    w->Controls().tbtnMod->trigger();
    EXPECT_EQ(
        messages->Texts(),
        QStringList({QStringLiteral("编号为7的预算指标在您打开之后已被其他操作员修改，没有"
                                    "写入任何数据。请关闭本窗口，重新打开该指标后再修改。"),
                     QStringLiteral("编号为7的预算指标已被其他操作员删除，没有写入任何数据。")}));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where budgid='7'"), "0");

    // The list older than the stored row: no dialog of its old values (whose save would put
    // them back over the other change), but a note and the list read again.
    bool opened = false;
    Drive([&](TrfrmInputEdit* d) {
        opened = true;
        d->Buttons().btnClose->click();
    });
    const auto modify = [&](const QString& id) {
        messages->Clear();
        TakeListQueries();
        w->Controls().ngdBudget->SetSelectedRow(int(Column(w, "budgid").indexOf(id)));
        w->Controls().tbtnMod->trigger();
        Settle();
        EXPECT_FALSE(opened) << id.toStdString();
        EXPECT_FALSE(TakeListQueries().isEmpty()) << id.toStdString();
    };
    modify("7");
    EXPECT_EQ(messages->Texts(),
              QStringList{QStringLiteral("编号为7的预算指标已被其他操作员删除。列表将重新读取。")});
    EXPECT_EQ(Column(w, "budgid").indexOf("7"), -1);
    ListFixture::Choose(w->Controls().cobBType, 1);
    Settle();
    const QString id = Column(w, "budgid").value(0);
    ASSERT_FALSE(id.isEmpty() || id == QStringLiteral("合计"));
    db.Exec("update busibudget set filename='other' where datayear=2026 and budgid='" + id + "'");
    modify(id);
    EXPECT_TRUE(messages->Texts().value(0).startsWith(
        QStringLiteral("编号为%1的预算指标在列表读取之后已被其他操作员修改。").arg(id)))
        << messages->Texts().join('|').toStdString();
    Drive([&](TrfrmInputEdit* d) { // the list read again: its values are the stored ones
        EXPECT_EQ(d->Controls().edtFileName->text(), "other");
        opened = true;
        d->Buttons().btnClose->click();
    });
    w->Controls().ngdBudget->SetSelectedRow(int(Column(w, "budgid").indexOf(id)));
    w->Controls().tbtnMod->trigger();
    EXPECT_TRUE(opened);
}

// Indicator 1 has no document number: the same indicator with an empty one is refused. A
// document number is kept to the column's 200 characters as it is typed.
TEST_P(Save, EmptyDocumentNumberMatchesAMissingOneAndTheNumberFitsItsColumn)
{
    TbfrmQuindle* w = Open();
    Drive([&](TrfrmInputEdit* d) {
        Choose(d->Controls().cmbipid, 0); // 基本支出, as indicator 1
        TypeInto(d->Controls().edtbid, "2050202");
        // The whole check without a save: the entries, then the duplicate test.
        EXPECT_FALSE(d->Checks().CheckInput());
        TypeInto(d->Controls().pbedtMoney, "5");
        EXPECT_FALSE(d->Checks().CheckInput());
        Ok(d);
        EXPECT_FALSE(d->Saved());
        // A pasted text with line breaks and control characters becomes one line.
        d->Controls().edtFileName->setText(QStringLiteral("财预\r\n第二行\t制\x01尾"));
        EXPECT_EQ(d->Controls().edtFileName->text(), QStringLiteral("财预  第二行 制尾"));
        TypeInto(d->Controls().edtFileName, QByteArray(210, 'N').constData());
        EXPECT_EQ(d->Controls().edtFileName->text().size(), 200);
        EXPECT_TRUE(d->Checks().CheckInput());
        Ok(d);
        EXPECT_TRUE(d->Saved());
        EXPECT_FALSE(d->isVisible()); // saved: the dialog closes
    });
    w->Controls().tbtnAdd->trigger();
    const QString duplicate = QStringLiteral("本单位已经存在相同属性的预算指标，不能重复录入！");
    EXPECT_EQ(messages->Texts(), (QStringList{QStringLiteral("请输入金额"), duplicate, duplicate}));
    EXPECT_EQ(db.Scalar("select filename from busibudget where datayear=2026 and budgid='6'"),
              QString(200, 'N'));
    // Indicator 1 itself, unchanged, is no duplicate of itself.
    Drive([&](TrfrmInputEdit* d) {
        Ok(d);
        EXPECT_TRUE(d->Saved());
    });
    w->Controls().ngdBudget->SetSelectedRow(int(Column(w, "budgid").indexOf("1")));
    w->Controls().tbtnMod->trigger();
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(messages->Texts().size(), 3);
}

TEST_P(Save, AmountRulesAndAFailedInsert)
{
    // Bureaux kept, only the operator's own: saved whatever the bureau list shows (its first).
    db.Params().BureauMode = "0";
    db.Params().BureauScope = 1;
    db.User().SetValue(7, "02");
    TbfrmQuindle* w = Open();
    Drive([&](TrfrmInputEdit* d) {
        Choose(d->Controls().cmbipid, 0); // 基本支出: no item needed
        TypeInto(d->Controls().edtbid, "2050202");
        Ok(d);
        EXPECT_EQ(messages->Texts().value(0), QStringLiteral("请输入金额"));
        EXPECT_TRUE(d->Controls().pbedtMoney->hasFocus());
        // One past the range: kept as typed (not the bound in its place) and refused by OK.
        TypeInto(d->Controls().pbedtMoney, "10000000000000");
        EXPECT_EQ(d->Controls().pbedtMoney->text(), "10,000,000,000,000.00");
        QApplication::processEvents();
        EXPECT_TRUE(d->Controls().pbedtMoney->hasFocus()); // left with a beep: back on it
        d->Controls().edtFileName->setFocus();
        Ok(d);
        EXPECT_EQ(
            messages->Texts().value(1),
            QStringLiteral("指标金额超出范围（-9,999,999,999.00～9,999,999,999,999.99元）。"));
        EXPECT_TRUE(d->Controls().pbedtMoney->hasFocus());
        // The bounds themselves pass the range: the largest meets indicator 1's key, the
        // smallest the sign rule.
        TypeInto(d->Controls().pbedtMoney, "9999999999999.99");
        Ok(d);
        EXPECT_EQ(messages->Texts().value(2),
                  QStringLiteral("本单位已经存在相同属性的预算指标，不能重复录入！"));
        TypeInto(d->Controls().pbedtMoney, "-9999999999");
        d->Controls().edtFileName->setFocus();
        Ok(d);
        EXPECT_EQ(messages->Texts().value(3), QStringLiteral("指标金额不能小于零!"));
        EXPECT_TRUE(d->Controls().pbedtMoney->hasFocus());
        Choose(d->Controls().cmbChild, 1); // 调整追加预算 may be negative
        RefuseInserts(true);
        Ok(d); // the store's message; the dialog stays open
        // The store's message with the database's reason, and what became of the entry.
        EXPECT_TRUE(messages->Texts().value(4).startsWith(QStringLiteral("插入指标数据失败!")));
        EXPECT_TRUE(messages->Texts().value(4).contains("read only"))
            << messages->Texts().value(4).toStdString();
        EXPECT_FALSE(d->Saved());
        EXPECT_TRUE(d->isVisible());
        Choose(d->Controls().cmbChild, 0); // back to 年初预算: the sign rule holds again
        Ok(d);
        EXPECT_EQ(messages->Texts().value(5), QStringLiteral("指标金额不能小于零!"));
        Choose(d->Controls().cmbChild, 1);
        RefuseInserts(false);
        Ok(d); // a later OK repeats the whole sequence
        EXPECT_TRUE(d->Saved());
    });
    w->Controls().tbtnAdd->trigger();
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026 and "
                        "budgmoney<0 and btypechild='2' and burid='02'"),
              "1");
    // The totals row opens nothing.
    w->Controls().ngdBudget->SetSelectedRow(w->Rows().Count() - 1);
    dialogs = 0;
    w->Controls().tbtnMod->trigger();
    EXPECT_EQ(dialogs, 0);

    // An amount stored beyond the range (not through this dialog) is refused by OK as it
    // stands, and nothing is written.
    const QString id =
        db.Scalar("select budgid from busibudget where datayear=2026 and budgmoney<0 and "
                  "btypechild='2' and burid='02'");
    const QString beyond =
        "update busibudget set budgmoney=-10000000000000 where budgid='" + id + "'";
    db.Exec(beyond);
    w->RunListQuery();
    Settle();
    Drive([&](TrfrmInputEdit* d) {
        d->Controls().edtFileName->setFocus();
        Ok(d);
        EXPECT_FALSE(d->Saved());
        EXPECT_TRUE(d->Controls().pbedtMoney->hasFocus());
        d->Buttons().btnClose->click();
    });
    messages->Clear();
    w->Controls().ngdBudget->SetSelectedRow(int(Column(w, "budgid").indexOf(id)));
    w->Controls().tbtnMod->trigger();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(
        messages->Texts(),
        QStringList{QStringLiteral("指标金额超出范围（绝对值不能超过9,999,999,999,999.99元）。")});
    EXPECT_EQ(Row("budgmoney", id).replace(".0000", ""), "-10000000000000");
}

namespace
{
QStringList RunWriters(const QString& connection, const char* mode, int count)
{
    QList<QProcess*> writers;
    for (int i = 0; i < 8; ++i) {
        auto* p = new QProcess;
        p->start(WRITER, {connection, QString::number(i), QString::number(count), mode});
        writers << p;
    }
    QStringList lines;
    for (QProcess* p : writers) {
        p->waitForFinished(120000);
        lines << QString::fromUtf8(p->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        delete p;
    }
    return lines;
}
} // namespace

// Eight operators add at once: every id is drawn once, and a duplicate is stored once.
TEST_P(Save, ConcurrentAddsNeitherCollideNorDuplicate)
{
    QStringList lines = RunWriters(db.ConnectionString(), "distinct", 50);
    EXPECT_EQ(lines.filter("added").size(), 400) << lines.filter("error").join('\n').toStdString();
    EXPECT_EQ(QSet<QString>(lines.begin(), lines.end()).size(), 400); // 400 distinct ids
    lines = RunWriters(db.ConnectionString(), "same", 1);
    EXPECT_EQ(lines.filter("added").size(), 1);
    EXPECT_EQ(lines.filter("duplicate").size(), 7);
    EXPECT_EQ(db.Scalar("select count(distinct budgid) from busibudget where datayear=2026 and "
                        "eid='101001001'"),
              QString::number(3 + 401));
}

// Another operator's write holds the writers' lock: 确定 shows the wait with 取消 (the dialog
// never freezes), and 取消 ends it with nothing saved and the dialog open for another try.
TEST_P(Save, AWaitForTheWritersLockShowsAndCanBeCancelled)
{
    TbfrmQuindle* w = Open();
    TAdoConn other;
    other.SetConnectionString(db.ConnectionString());
    ExecuteCommand(&other, db.GetEngine() == Engine::SQLite
                               ? QString("BEGIN IMMEDIATE")
                               : QString("select pg_advisory_lock(71, 2026)"));
    QString phase;
    Drive([&](TrfrmInputEdit* d) {
        Choose(d->Controls().cmbipid, 0);
        TypeInto(d->Controls().edtbid, "2050202");
        TypeInto(d->Controls().pbedtMoney, "8");
        d->Buttons().btnOK->click();
        auto* progress = d->findChild<TfrmWorkProgress*>();
        ASSERT_TRUE(QTest::qWaitFor([&] { return progress && progress->isVisible(); }, 5000));
        phase = progress->PhaseText();
        EXPECT_FALSE(d->Buttons().btnOK->isEnabled()); // the dialog waits with it
        // A click on the host brings the topmost modal window forward: the wait, not the dialog.
        EXPECT_EQ(QApplication::activeModalWidget(), progress);
        progress->CancelButton()->click();
        EXPECT_TRUE(QTest::qWaitFor([d] { return !d->WorkRunning(); }, 30000));
        EXPECT_FALSE(d->Saved());
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(d->Buttons().btnOK->isEnabled());
    });
    w->Controls().tbtnAdd->trigger();
    ExecuteCommand(&other, db.GetEngine() == Engine::SQLite ? "ROLLBACK" : "select 1");
    EXPECT_EQ(phase, QStringLiteral("等待其他操作员的保存…"));
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026"), "5");
    EXPECT_TRUE(messages->Messages().isEmpty()) << messages->Texts().join('|').toStdString();
}

namespace
{
TBudget NewBudget(const QString& fileName)
{
    TBudget b;
    b.DataYear = 2026;
    b.Eid = "101001001";
    b.Mid = "11";
    b.Bkid = "21";
    b.IPid = "12";
    b.Bid = "2050202";
    b.BType = "1";
    b.BTypeChild = "1";
    b.FileName = fileName;
    b.BudgMoney = b.InputMoney = Currency::FromRaw(10000);
    return b;
}
} // namespace

// Another session holds the writers' lock: a save waits the connection's lock timeout, then
// fails saying that nothing was written; once the lock is free the same save goes through.
TEST_P(Save, WaitForAnotherWriterEndsAndWritesNothing)
{
    TDbManager waitingDb;
    waitingDb.ConnectionString = db.ConnectionString() + ";Lock Timeout=1";
    TWorkContext waiting = db.Context();
    waiting.DbManager = &waitingDb;
    auto holder = std::make_unique<TBudgetWriteTransaction>(
        2026, TWritePath::Entry); // on the fixture's "Def"
    SetCurrentWorkContext(&waiting);
    TBudgetManage store;
    TBudget b = NewBudget("W-1");
    QElapsedTimer waited;
    waited.start();
    try {
        SaveBudgetChecked(store, b, true, QStringLiteral("预算数"));
        ADD_FAILURE() << "saved past another writer's lock";
    } catch (const TExceptBudgetManage& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("其他操作员正在保存预算指标，等了1秒仍未轮到，没有写入任何数据。"
                                 "请稍后再试。"));
    }
    EXPECT_GE(waited.elapsed(), 900);
    holder.reset();
    if (GetParam() == Engine::SQLite) {
        // A start refused after its BEGIN (the writer's record) rolls back and keeps no lock.
        db.Exec("create trigger no_writer before insert on busibudgetwriter begin "
                "select raise(abort, 'no writer'); end");
        EXPECT_THROW(SaveBudgetChecked(store, b, true, QStringLiteral("预算数")),
                     TExceptBudgetManage);
        db.Exec("drop trigger no_writer");
    }
    EXPECT_EQ(SaveBudgetChecked(store, b, true, QStringLiteral("预算数")), TSaveOutcome::Saved);
    SetCurrentWorkContext(&db.Context());
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where filename='W-1'"), "1");
}

// A modification that keeps the duplicate key waits for its indicator's row only (PostgreSQL):
// it goes through while another writer holds the year, and waits out, writing nothing, one that
// holds its row; a modification of the key waits for the year. SQLite: one writer at a time.
TEST_P(Save, AModificationKeepingTheKeyWaitsForItsRowOnly)
{
    const bool lite = GetParam() == Engine::SQLite;
    TBudget b = NewBudget("K-1");
    {
        TBudgetManage store;
        ASSERT_EQ(SaveBudgetChecked(store, b, true, QStringLiteral("预算数")), TSaveOutcome::Saved);
    }
    TDbManager waitingDb;
    waitingDb.ConnectionString = db.ConnectionString() + ";Lock Timeout=1";
    TWorkContext waiting = db.Context();
    waiting.DbManager = &waitingDb;
    SetCurrentWorkContext(&waiting);
    TBudgetManage store;
    const auto modify = [&](qint64 raw, const QString& fileName) {
        TBudget stored;
        stored.DataYear = 2026;
        stored.BudgId = b.BudgId;
        EXPECT_TRUE(store.LoadBudget(stored));
        TBudget changed = stored;
        changed.InputMoney = Currency::FromRaw(raw);
        changed.FileName = fileName;
        try {
            return SaveBudgetChecked(store, changed, false, QStringLiteral("预算数"), &stored) ==
                   TSaveOutcome::Saved;
        } catch (const TExceptBudgetManage& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("其他操作员正在保存预算指标")))
                << e.Message().toStdString();
            return false;
        }
    };
    TAdoConn other;
    other.SetConnectionString(db.ConnectionString());
    ExecuteCommand(&other, lite ? "BEGIN IMMEDIATE" : "select pg_advisory_lock(71, 2026)");
    EXPECT_EQ(modify(20000, "K-1"), !lite);
    EXPECT_FALSE(modify(30000, "K-2"));
    ExecuteCommand(&other, lite ? "ROLLBACK" : "select pg_advisory_unlock(71, 2026)");
    if (!lite) {
        ExecuteCommand(&other, "BEGIN");
        ExecuteCommand(&other,
                       "select budgid from busibudget where budgid='" + b.BudgId + "' for update");
        EXPECT_FALSE(modify(40000, "K-1"));
        ExecuteCommand(&other, "ROLLBACK");
    }
    SetCurrentWorkContext(&db.Context());
    EXPECT_EQ(db.Scalar("select inputmoney from busibudget where filename='K-1'"),
              lite ? "1" : "2");
}

// A session the server ended (a restart, a terminated backend) is opened anew by the next save;
// when that cannot connect either, or the server refuses the commit, the save says that nothing
// was written.
TEST(LostConnection, TheNextSaveOpensItAnewOrSaysNothingWasWritten)
{
    TestDatabase db(Engine::PostgreSQL);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    TAdoConn admin;
    admin.SetConnectionString(db.ConnectionString());
    const auto endSession = [&] {
        ExecuteCommand(&admin, "select pg_terminate_backend(" +
                                   db.Scalar("select pg_backend_pid()") + ", 10000)");
    };
    endSession();
    TBudgetManage store;
    TBudget b = NewBudget("L-1");
    ASSERT_EQ(SaveBudgetChecked(store, b, true, QStringLiteral("预算数")), TSaveOutcome::Saved);
    endSession(); // after a save too
    b = NewBudget("L-2");
    ASSERT_EQ(SaveBudgetChecked(store, b, true, QStringLiteral("预算数")), TSaveOutcome::Saved);
    endSession(); // a read too: made again on the connection opened anew
    TQueryRef read;
    EXPECT_TRUE(OpenSql("select count(*) from busibudget", read)) << LastDbError().toStdString();

    endSession();
    QString unreachable = db.ConnectionString();
    unreachable.replace(QRegularExpression("Host=[^;]*"), "Host=/nonexistent");
    db.Def()->SetConnectionString(unreachable);
    b = NewBudget("L-3");
    try {
        SaveBudgetChecked(store, b, true, QStringLiteral("预算数"));
        ADD_FAILURE() << "saved without a connection";
    } catch (const TExceptBudgetManage& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("无法开始保存，没有写入任何数据：")))
            << e.Message().toStdString();
    }
    db.Def()->SetConnectionString(db.ConnectionString());

    // Ended while waiting for another's writers' lock: said as a lost connection, not as a
    // failed start.
    ExecuteCommand(&admin, "select pg_advisory_lock(71, 2026)");
    std::atomic<bool> saving{true};
    std::thread killer([&] {
        TAdoConn own; // a connection of this thread's own
        own.SetConnectionString(db.ConnectionString());
        while (saving) {
            ExecuteCommand(&own, "select pg_terminate_backend(pid) from pg_stat_activity where "
                                 "wait_event = 'advisory' and pid <> pg_backend_pid()");
            QThread::msleep(50);
        }
    });
    b = NewBudget("L-5");
    try {
        SaveBudgetChecked(store, b, true, QStringLiteral("预算数"));
        ADD_FAILURE() << "saved while the lock was another's";
    } catch (const TExceptBudgetManage& e) {
        EXPECT_TRUE(
            e.Message().startsWith(QStringLiteral("与数据库的连接已断开，没有写入任何数据")))
            << e.Message().toStdString();
    }
    saving = false;
    killer.join();
    ExecuteCommand(&admin, "select pg_advisory_unlock(71, 2026)");

    // A commit the server refuses on a live connection: nothing written, and said so.
    db.Exec("create function no_commit() returns trigger as $$ begin raise exception 'refused'; "
            "end $$ language plpgsql");
    db.Exec("create constraint trigger no_commit after insert on busibudget deferrable initially "
            "deferred for each row execute function no_commit()");
    b = NewBudget("L-4");
    try {
        SaveBudgetChecked(store, b, true, QStringLiteral("预算数"));
        ADD_FAILURE() << "a refused commit counted as saved";
    } catch (const TExceptBudgetManage& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("保存未能完成，没有写入任何数据：")))
            << e.Message().toStdString();
    }
    EXPECT_EQ(db.Scalar("select string_agg(filename, ',' order by filename) from busibudget"),
              "L-1,L-2");
    // The session opened anew still records the operator; the refused saves left no history.
    const QStringList history = db.History();
    ASSERT_EQ(history.size(), 2);
    EXPECT_TRUE(history[0].endsWith(QStringLiteral(" 增加 录入 0001"))) << history[0].toStdString();
}

// The duplicate rule applied again under the writers' lock by the writer of many rows: what the
// year holds already (stored by another operator since the rows were checked) and a repeat
// within the same call are not written twice.
TEST_P(Save, ManyRowsSkipWhatTheYearHoldsAndTheirOwnRepeats)
{
    TBudgetManage store;
    TBudget stored = NewBudget("M-1");
    ASSERT_EQ(SaveBudgetChecked(store, stored, true, QStringLiteral("预算数")),
              TSaveOutcome::Saved);
    std::vector<int> leftOut;
    const int written = InsertNewBudgets(
        2026, TWritePath::Import, 4,
        [](int i, TBudget& b) {
            b = NewBudget(i < 2 ? "M-1" : "M-2");
            CompleteNewBudgetFields(b, QStringLiteral("预算数"));
            return true;
        },
        {}, &leftOut);
    EXPECT_EQ(written, 1);
    EXPECT_EQ(leftOut, (std::vector<int>{0, 1, 3})); // the stored key twice, the repeat
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where filename like 'M-%'"), "2");
    // A row that cannot be written refuses the whole write, said as such (not as a wait).
    try {
        InsertNewBudgets(2026, TWritePath::Import, 1, [](int, TBudget& b) {
            b = NewBudget(QStringLiteral("M-3") + QChar(0));
            CompleteNewBudgetFields(b, QStringLiteral("预算数"));
            return true;
        });
        ADD_FAILURE() << "written";
    } catch (const TExceptBudgetManage& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("写入未能完成，没有写入任何数据：")))
            << e.Message().toStdString();
    }
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where filename like 'M-%'"), "2");
    // Under the lock the stored keys are read for the rows' own units and subjects: a stored
    // duplicate among many others is still found.
    EXPECT_EQ(InsertNewBudgets(2026, TWritePath::Import, 202,
                               [](int i, TBudget& b) {
                                   b = NewBudget("M-1");
                                   if (i > 0) // the first row's unit has no other row
                                       b.Eid = QString::number(101001100 + i);
                                   CompleteNewBudgetFields(b, QStringLiteral("预算数"));
                                   return true;
                               }),
              201);
    db.Exec("delete from busibudget where filename='M-1' and eid<>'101001001'");
    // A document number stored as missing is the empty one of a row written now.
    db.Exec("insert into busibudget (datayear,budgid,eid,mid,bkid,ipid,bid,btype,btypechild) "
            "values (2026,'900','101001001','11','21','12','2050202','1','1')");
    EXPECT_EQ(InsertNewBudgets(2026, TWritePath::Import, 1,
                               [](int, TBudget& b) {
                                   b = NewBudget("");
                                   CompleteNewBudgetFields(b, QStringLiteral("预算数"));
                                   return true;
                               }),
              0);
    db.Exec("delete from busibudget where budgid='900'");
    const QString id = db.Scalar("select budgid from busibudget where filename='M-2'");
    EXPECT_EQ(db.History("budgid='" + id + "' or budgid='" + stored.BudgId + "'"),
              (QStringList{"2026/" + stored.BudgId + QStringLiteral(" 增加 录入 0001"),
                           "2026/" + id + QStringLiteral(" 增加 导入 0001")}));
    // A new indicator waits (status 0) only where status flags are kept and the operator sees
    // only the own bureau's indicators.
    db.Params().StatusFlag = "0";
    for (const int scope : {0, 1}) {
        db.Params().BureauScope = scope;
        TBudget b;
        CompleteNewBudgetFields(b, QStringLiteral("预算数"));
        EXPECT_EQ(b.Status, scope == 1 ? "0" : "1") << scope;
    }
}
