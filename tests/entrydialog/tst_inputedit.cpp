// The entry dialog's fields, defaults and element entry, driven by key and mouse events.
#include "context/untWorkContext.h"
#include "controls/PBNumEdit.h"
#include "controls/TElementEdit.h"
#include "entrydialog/rwnInputEdit.h"
#include "fixtures/ListFixture.h"
#include "platform/untClipboard.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QInputMethodEvent>
#include <QTest>
#include <memory>

namespace
{
class InputEdit : public ListFixture
{
protected:
    // An adding dialog as the list window prepares it, shown.
    std::unique_ptr<TrfrmInputEdit> Dialog(const char* money, const char* source)
    {
        Application = &hostApp; // as after the host's call: messages reach its recorder
        Screen = &hostScreen;
        std::unique_ptr<TrfrmInputEdit> d(TfrmBase::Create<TrfrmInputEdit>(nullptr));
        d->SetMode(true, QString());
        d->Record().Eid = "101001001";
        d->FillIncomePayList(money, source);
        d->show();
        QApplication::setActiveWindow(d.get());
        return d;
    }
    static QStringList Items(QComboBox* c)
    {
        QStringList items;
        for (int i = 0; i < c->count(); ++i)
            items << c->itemData(i).toString();
        return items;
    }
    static void Pick(QComboBox* c, const char* code)
    {
        for (int i = 0; i < c->count(); ++i)
            if (c->itemData(i).toString() == code) {
                c->setCurrentIndex(i);
                emit c->activated(i);
            }
    }
};
INSTANTIATE_TEST_SUITE_P(Db, InputEdit, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);
} // namespace

TEST_P(InputEdit, FormAndDefaults)
{
    db.Params().BureauMode = "0";
    db.Params().DefaultMoneyUnit = 1;
    auto d = Dialog("11", "21");
    EXPECT_EQ(d->size(), QSize(449, 325));
    EXPECT_FALSE(d->Controls().cmbBType->isEnabled());
    EXPECT_EQ(Items(d->Controls().cmbBType),
              (QStringList{"0", "1", "2"})); // as the list's, no <全部>
    EXPECT_FALSE(d->Controls().edtEid->isEnabled());
    EXPECT_FALSE(d->Controls().cmbmid->isEnabled());
    EXPECT_FALSE(d->Controls().plBureaux->isHidden());     // bureaux of their own choice
    EXPECT_FALSE(Items(d->Controls().cmbBurId).isEmpty()); // … to choose from
    EXPECT_EQ(d->Controls().cbUnit->currentText(), QStringLiteral("万元"));
    EXPECT_EQ(d->Controls().pbedtMoney->Decimals(), 4);
    EXPECT_EQ(d->Controls().pbedtMoney->text(), "0.0000");
    EXPECT_GT(d->Controls().edtmemo->y(), d->height()); // below the client area
    EXPECT_EQ(d->Controls().cmbSecret->currentText(), QStringLiteral("非密"));
    EXPECT_EQ(Items(d->Controls().cmbmid),
              (QStringList{"11", "12", "21", "31"})); // every money kind
    EXPECT_TRUE(d->Controls().cmbipid->hasFocus());   // the first control that takes input
    // Tab order: unit, money kind, expenditure type, subject, amount, OK …
    EXPECT_EQ(d->Controls().cmbipid->nextInFocusChain(), d->Controls().edtbid);
    EXPECT_EQ(d->Controls().edtbid->nextInFocusChain(), d->Controls().pbedtMoney);
}

TEST_P(InputEdit, ExpenditureTypesItemAndSecrecyRules)
{
    EXPECT_EQ(Items(Dialog("31", "21")->Controls().cmbipid), (QStringList{"17", "18", "19"}));
    EXPECT_EQ(Items(Dialog("11", "21")->Controls().cmbipid), (QStringList{"11", "12"}));
    db.Unit().SetValue(0, "101001");
    db.Params().DeptLevelFlag = "1";
    EXPECT_EQ(Items(Dialog("11", "21")->Controls().cmbipid), (QStringList{"11", "12", "22"}));

    db.Unit().SetValue(17, "1"); // a unit with secrets: secrecy only for some types
    auto d = Dialog("11", "21"); // opens on 基本支出: no item, no secrecy to choose
    EXPECT_FALSE(d->Controls().cmbSecret->isEnabled());
    EXPECT_FALSE(d->Controls().edtiid->isEnabled());
    EXPECT_FALSE(d->Controls().labiid->isEnabled());
    Pick(d->Controls().cmbipid, "11");
    EXPECT_FALSE(d->Controls().cmbSecret->isEnabled());
    EXPECT_EQ(d->Controls().cmbSecret->currentText(), QStringLiteral("非密"));
    EXPECT_FALSE(d->Controls().edtiid->isEnabled());
    Pick(d->Controls().cmbipid, "12");
    EXPECT_TRUE(d->Controls().cmbSecret->isEnabled());
    EXPECT_TRUE(d->Controls().edtiid->isEnabled());
    EXPECT_EQ(d->Controls().lblBid->text(), QStringLiteral("功能分类"));
    d->Controls().edtiid->setFocus();
    QTest::keyClicks(d->Controls().edtiid, "1101001000001");
    d->Controls().edtbid->setFocus();
    EXPECT_EQ(d->Controls().edtiid->text(), QStringLiteral("教育信息化"));
    // A secret indicator given a non-secret item: declining the question takes the item back,
    // from the record too.
    auto secret = Dialog("11", "21");
    Pick(secret->Controls().cmbipid, "12");
    secret->Controls().cmbSecret->setCurrentIndex(0);
    messages->Answer(mrNo);
    secret->Controls().edtiid->setFocus();
    QTest::keyClicks(secret->Controls().edtiid, "1101001000001");
    secret->Controls().edtbid->setFocus();
    EXPECT_EQ(messages->Texts().value(0),
              QStringLiteral("当前数据是涉密单，您录入了非涉密预算项目，是否继续？"));
    EXPECT_TRUE(secret->Controls().edtiid->text().isEmpty());
    EXPECT_TRUE(secret->Record().Iid.isEmpty());
    Pick(d->Controls().cmbipid,
         "22"); // income: no items, and the subject is a revenue one from 2007
    EXPECT_EQ(d->Controls().lblBid->text(), QStringLiteral("收入分类"));
    EXPECT_FALSE(d->Controls().edtiid->isEnabled());
    EXPECT_TRUE(d->Controls().edtiid->text().isEmpty());
    EXPECT_TRUE(d->Record().Iid.isEmpty());
    for (const int year : {2006, 2007}) {
        db.Context().DataYear = year;
        auto old = Dialog("11", "21");
        Pick(old->Controls().cmbipid, "22");
        EXPECT_EQ(old->Controls().lblBid->text(),
                  year == 2006 ? QStringLiteral("功能分类") : QStringLiteral("收入分类"));
    }
}

// OK names the first choice or entry missing, in the dialog's order, and goes to it.
TEST_P(InputEdit, OkNamesTheFirstMissingChoiceOrEntry)
{
    db.Unit().SetValue(17, "1"); // a unit with secrets
    auto d = Dialog("11", "21");
    Pick(d->Controls().cmbipid, "12");
    d->Controls().cmbSecret->setCurrentIndex(-1); // as a stored secrecy that is no number opens
    const auto ok = [&](QWidget* focus) {
        d->Buttons().btnOK->click();
        EXPECT_TRUE(focus->hasFocus()) << messages->Texts().join('|').toStdString();
    };
    ok(d->Controls().cmbSecret);
    d->Controls().cmbSecret->setCurrentIndex(1); // 非密: project spending needs an item
    ok(d->Controls().edtbid);
    d->Controls().edtbid->setFocus();
    QInputMethodEvent fullWidth; // an input method's digits
    fullWidth.setCommitString(QStringLiteral("２０５０２０２"));
    QApplication::sendEvent(d->Controls().edtbid, &fullWidth);
    QTest::keyClick(d->Controls().edtbid, Qt::Key_Tab);
    ok(d->Controls().edtiid);
    d->Controls().cmbSecret->setCurrentIndex(0); // 涉密: the item may stay empty
    ok(d->Controls().pbedtMoney);
    EXPECT_EQ(messages->Texts(),
              (QStringList{QStringLiteral("请选择涉密标识"), QStringLiteral("请输入功能分类"),
                           QStringLiteral("请输入预算项目"), QStringLiteral("请输入金额")}));
    EXPECT_FALSE(d->Saved());

    // OK pressed in an element edit (Alt+E, Enter) takes the code typed there, as leaving would.
    messages->Clear();
    auto typed = Dialog("11", "21");
    Pick(typed->Controls().cmbipid, "12");
    typed->Controls().edtbid->setFocus();
    QTest::keyClicks(typed->Controls().edtbid, "2050202");
    typed->Buttons().btnOK->click();
    typed->Controls().edtiid->setFocus();
    QTest::keyClicks(typed->Controls().edtiid, "1101001000001");
    typed->Buttons().btnOK->click();
    typed->Controls().edtiid->setFocus();
    QTest::keyClicks(typed->Controls().edtiid, "1");
    typed->Buttons().btnOK->click();
    EXPECT_EQ(messages->Texts(),
              (QStringList{QStringLiteral("请输入预算项目"), QStringLiteral("请输入金额"),
                           QStringLiteral("预算项目不正确。")}));
    EXPECT_TRUE(typed->Controls().edtiid->hasFocus());
    EXPECT_EQ(typed->Record().Bid, "2050202");

    // A subject taken, then the expenditure type changed to income: OK checks it again.
    messages->Clear();
    db.Unit().SetValue(0, "101001");
    db.Params().DeptLevelFlag = "1";
    auto income = Dialog("11", "21");
    Pick(income->Controls().cmbipid, "11");
    income->Controls().edtbid->setFocus();
    QTest::keyClicks(income->Controls().edtbid, "2050202");
    QTest::keyClick(income->Controls().edtbid, Qt::Key_Tab);
    Pick(income->Controls().cmbipid, "22");
    income->Amount().SetYuan(*Currency::FromText("5"));
    income->Buttons().btnOK->click();
    EXPECT_EQ(messages->Texts(), QStringList{QStringLiteral("收入分类不正确。")});
    EXPECT_EQ(income->Controls().edtbid->text(), "2050202"); // the name gone, the code to correct
    EXPECT_FALSE(income->WorkRunning());                     // nothing saved
    // The subjects cannot be read: OK says so, not that the code is wrong.
    messages->Clear();
    Pick(income->Controls().cmbipid, "11");
    db.Exec("alter table pubsubject rename to pubsubject_gone");
    income->Buttons().btnOK->click();
    ASSERT_EQ(messages->Texts().size(), 1);
    EXPECT_TRUE(messages->Texts()[0].startsWith(QStringLiteral("无法读取代码表PubSubject：")))
        << messages->Texts()[0].toStdString();
    EXPECT_FALSE(income->WorkRunning());
}

TEST_P(InputEdit, ElementEditsTakeCodesAndNameTheirElements)
{
    auto d = Dialog("11", "21");
    Pick(d->Controls().cmbipid, "12");
    d->Controls().edtbid->setFocus();
    QTest::keyClicks(d->Controls().edtbid, "20x5-02");
    EXPECT_EQ(d->Controls().edtbid->text(), "20502"); // letters and signs never get in
    d->Controls().edtbid->selectAll();
    SetClipboardText("20a50b202");
    QTest::keyClick(d->Controls().edtbid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(d->Controls().edtbid->text(), "2050202"); // a paste is filtered alike
    QTest::keyClick(d->Controls().edtbid, Qt::Key_Tab);
    EXPECT_EQ(d->Controls().edtbid->text(), QStringLiteral("小学教育"));
    EXPECT_EQ(d->Record().Bid, "2050202");
    d->Controls().edtbid->setFocus();
    EXPECT_EQ(d->Controls().edtbid->text(), "2050202"); // the code while editing
    d->Controls().edtbid->selectAll();
    QTest::keyClicks(d->Controls().edtbid, "999");
    QTest::keyClick(d->Controls().edtbid, Qt::Key_Tab);
    EXPECT_EQ(messages->Texts(), QStringList{QStringLiteral("功能分类不正确。")});
    EXPECT_TRUE(d->Controls().edtbid->hasFocus());
    EXPECT_EQ(d->Controls().edtbid->text(), "999");
    EXPECT_EQ(d->Record().Bid, "999");
    // A heading is no subject to enter either; OK refuses such a code too, before any other
    // check.
    db.Exec("insert into pubsubject (datayear,bid,pbid,bname,type,leafflag) values "
            "(2026,'20502','205','教育','NN','1')");
    d->Controls().edtbid->selectAll();
    QTest::keyClicks(d->Controls().edtbid, "20502");
    QTest::keyClick(d->Controls().edtbid, Qt::Key_Tab);
    d->Buttons().btnOK->click();
    EXPECT_EQ(messages->Texts(), QStringList(3, QStringLiteral("功能分类不正确。")));
    EXPECT_FALSE(d->Saved());
    d->Controls().edtbid->setFocus();
    d->Controls().edtbid->selectAll();
    QTest::keyClick(d->Controls().edtbid, Qt::Key_Delete); // an empty code leaves in peace

    // Full-width characters of the document number are folded as they are typed.
    d->Controls().edtFileName->setFocus();
    QTest::keyClicks(d->Controls().edtFileName, "A");
    QTest::sendKeyEvent(QTest::Click, d->Controls().edtFileName, Qt::Key_unknown,
                        QStringLiteral("１"), Qt::NoModifier);
    EXPECT_EQ(d->Controls().edtFileName->text(), "A1");
    d->Controls().edtFileName->setText(QStringLiteral("财预〔2026〕１")); // as the opener sets it
    EXPECT_EQ(d->Controls().edtFileName->text(), QStringLiteral("财预〔2026〕1"));
    // A remark with a forbidden character is refused when left. Below the visible area, the
    // remark is not in the Tab chain.
    EXPECT_FALSE(d->Controls().edtmemo->focusPolicy() & Qt::TabFocus);
    d->Controls().edtmemo->setFocus();
    QTest::keyClicks(d->Controls().edtmemo, "a#b");
    QTest::keyClick(d->Controls().edtmemo, Qt::Key_Tab);
    EXPECT_EQ(messages->Texts().last(), QStringLiteral("在录入的字符中请不要包含：#"));
    EXPECT_TRUE(d->Controls().edtmemo->text().isEmpty());
}

TEST_P(InputEdit, SwitchingUnitsKeepsTheExactAmount)
{
    db.Exec("insert into sysparament (paramname,paramvalue) values ('setDefaultUnit','0')");
    auto d = Dialog("11", "21");
    d->Amount().SetYuan(*Currency::FromText("12345.67"));
    EXPECT_EQ(d->Controls().pbedtMoney->text(), "12,345.67");
    d->Controls().cbUnit->setCurrentIndex(1);
    emit d->Controls().cbUnit->activated(1);
    EXPECT_EQ(d->Controls().pbedtMoney->text(), "1.2346");
    EXPECT_EQ(d->Controls().pbedtMoney->FormatValue(d->Controls().pbedtMoney->MaxValue()),
              "999,999,999.9999"); // in 万元
    EXPECT_EQ(db.Scalar("select paramvalue from sysparament where paramname='setDefaultUnit'"),
              "1");
    EXPECT_EQ(db.Params().DefaultMoneyUnit, 1);
    d->Controls().cbUnit->setCurrentIndex(0);
    emit d->Controls().cbUnit->activated(0);
    EXPECT_EQ(d->Controls().pbedtMoney->text(), "12,345.67");
    EXPECT_EQ(d->Amount().Yuan().ToSqlText(), "12345.67");
    // A typed amount is the amount, in the unit in force.
    d->Controls().cbUnit->setCurrentIndex(1);
    emit d->Controls().cbUnit->activated(1);
    d->Controls().pbedtMoney->setFocus();
    d->Controls().pbedtMoney->selectAll();
    QTest::keyClicks(d->Controls().pbedtMoney, "1.5");
    EXPECT_EQ(d->Amount().Yuan().ToSqlText(), "15000");
}
