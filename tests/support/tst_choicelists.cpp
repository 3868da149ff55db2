#include "fixtures/TestDatabase.h"
#include "support/gunChoiceCombo.h"

#include <QComboBox>
#include <gtest/gtest.h>

namespace
{
QStringList Items(const QComboBox& c)
{
    QStringList items;
    for (int i = 0; i < c.count(); ++i)
        items << c.itemText(i);
    return items;
}

class ChoiceLists : public ::testing::TestWithParam<Engine>
{
protected:
    void SetUp() override { ASSERT_TRUE(db.Ok()) << db.Error().toStdString(); }
    TestDatabase db{GetParam(), TestDatabase::Demo, 60};
    QComboBox combo;
};
INSTANTIATE_TEST_SUITE_P(Db, ChoiceLists, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

const QString kAll = QStringLiteral("<全部>");
const QString k11 = QStringLiteral("一般公共预算资金"), k12 = QStringLiteral("政府性基金预算资金"),
              k21 = QStringLiteral("财政专户管理资金"),
              k31 = QStringLiteral("国有资本经营预算资金");
} // namespace

TEST_P(ChoiceLists, MoneyKinds)
{
    db.Exec("update pubmoneykind set leafflag='1' where mid='12'");
    EXPECT_EQ(FillMoneyKinds(&combo, true, 1, false, ""), 2);
    EXPECT_EQ(Items(combo), (QStringList{kAll, k11, k31}));
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(ComboCode(&combo), ""); // "<全部>" restricts nothing
    combo.setCurrentIndex(2);
    EXPECT_EQ(ComboCode(&combo), "31"); // every entry keeps its code
    EXPECT_EQ(FillMoneyKinds(&combo, false, 2, false, ""), 2);
    EXPECT_EQ(Items(combo), (QStringList{k21, k11})); // always descending
    EXPECT_EQ(FillMoneyKinds(&combo, false, 0, true, " and mid<>'31' "), 2);
    EXPECT_EQ(Items(combo), (QStringList{k21, k11}));
    EXPECT_EQ(FillMoneyKinds(&combo, false, 3, false, ""), 1);
    EXPECT_EQ(combo.currentText(), k11);
    EXPECT_EQ(FillMoneyKinds(&combo, true, 9, false, ""), 0); // no such list type
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.currentIndex(), -1);
}

TEST_P(ChoiceLists, IncomePayTypesAreOrderedByCode)
{
    EXPECT_EQ(FillIncomePayTypes(&combo, false, 5, "", false), 6);
    EXPECT_EQ(Items(combo), (QStringList{"基本支出", "项目支出", "资本性支出", "费用性支出",
                                         "其它支出", "收入"}));
    EXPECT_EQ(FillIncomePayTypes(&combo, true, 3, "", true), 3);
    EXPECT_EQ(Items(combo), (QStringList{kAll, "其它支出", "费用性支出", "资本性支出"}));
    EXPECT_EQ(FillIncomePayTypes(&combo, false, 2, " and ipid<>'11'", false), 1);
    EXPECT_EQ(Items(combo), QStringList{"项目支出"});
}

TEST_P(ChoiceLists, BudgetKindsDataKindsAndBureaux)
{
    EXPECT_EQ(FillBudgetKinds(&combo, true, 0, ""), 2);
    EXPECT_EQ(Items(combo).first(), kAll);
    EXPECT_EQ(FillBudgetKinds(&combo, false, 2, ""), 1);
    EXPECT_EQ(Items(combo), QStringList{"当年预算"});
    EXPECT_EQ(FillDataKinds(&combo, true, 0, ""), 3);
    EXPECT_EQ(combo.count(), 4);
    EXPECT_EQ(FillDataKinds(&combo, false, 1, ""), 1);
    EXPECT_EQ(FillBureaux(&combo, false, ""), 5); // the budget office has no main view
    EXPECT_FALSE(Items(combo).contains("预算处"));
}

TEST_P(ChoiceLists, FixedListsFollowTheContext)
{
    db.Unit().SetValue(17, "1");
    FillSecrecy(&combo, true);
    EXPECT_EQ(Items(combo), (QStringList{"密", "非密", kAll}));
    EXPECT_EQ(combo.currentIndex(), 1);
    db.Unit().SetValue(17, "0");
    FillSecrecy(&combo, false);
    EXPECT_EQ(combo.currentIndex(), 0);

    db.Params().DefaultBType = 2;
    FillIndicatorTypes(&combo, false, true);
    EXPECT_EQ(Items(combo), (QStringList{"控制数", "预算数", "临时指标"}));
    EXPECT_EQ(combo.currentIndex(), 2);
    FillIndicatorTypes(&combo, false, false);
    EXPECT_EQ(combo.currentText(), "控制数");
    db.Params().DefaultBType = 1;
    FillIndicatorTypes(&combo, true, false);
    EXPECT_EQ(Items(combo), (QStringList{kAll, "控制数", "预算数"}));
    EXPECT_EQ(combo.currentText(), "控制数"); // the index counts "<全部>"
}

TEST_P(ChoiceLists, UnreadableListIsEmptyWithNothingSelected)
{
    FillMoneyKinds(&combo, true, 0, false, "");
    ASSERT_GT(combo.count(), 0);
    db.Def()->Close();
    EXPECT_EQ(FillMoneyKinds(&combo, true, 0, false, ""), 0);
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.currentIndex(), -1);
}
