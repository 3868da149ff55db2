#include "TestWindows.h"
#include "plugin/untClassRegist.h"
#include "plugin/untObjectFactory.h"
#include "platform/untObjectStringList.h"

#include <QPointer>
#include <gtest/gtest.h>

TEST(ObjectStringList, FirstMatchWinsWithoutRegardToCase)
{
    TObjectStringList list;
    QObject a, b;
    list.AddObject("Def", &a);
    list.AddObject("DEF", &b);
    EXPECT_EQ(list.IndexOf("def"), 0);
    EXPECT_EQ(list.Objects(list.IndexOf("dEf")), &a);
    EXPECT_EQ(list.IndexOf("none"), -1);
    list.Delete(0);
    EXPECT_EQ(list.Objects(list.IndexOf("def")), &b);
    EXPECT_EQ(list.Count(), 1);
    list.Delete(5); // out of range: nothing happens
    EXPECT_EQ(list.Count(), 1);
}

TEST(ClassRegistry, RegistersAncestorsAndFindsWithoutRegardToCase)
{
    RegisterPlugInClass(&TTestModalForm::staticMetaObject);
    EXPECT_EQ(FindPlugInClass("TTestModalForm"), &TTestModalForm::staticMetaObject);
    EXPECT_EQ(FindPlugInClass("ttestmodalform"), &TTestModalForm::staticMetaObject);
    EXPECT_EQ(FindPlugInClass("TTestForm"), &TTestForm::staticMetaObject);
    EXPECT_EQ(FindPlugInClass("QDialog"), &QDialog::staticMetaObject);
    EXPECT_EQ(FindPlugInClass("QObject"), &QObject::staticMetaObject);
    EXPECT_EQ(FindPlugInClass("TNotThere"), nullptr);
    // A second registration changes nothing and raises nothing.
    EXPECT_NO_THROW(RegisterPlugInClass(&TTestModalForm::staticMetaObject));
}

TEST(ClassRegistry, DuplicateNameInGroupRaisesFilerError)
{
    RegisterPlugInClass(&TDupName::staticMetaObject);
    EXPECT_THROW(RegisterPlugInClass(&TDUPNAME::staticMetaObject), EFilerError);
    EXPECT_EQ(FindPlugInClass("tdupname"), &TDupName::staticMetaObject);
    // The lock was released: the registry still answers.
    EXPECT_EQ(FindPlugInClass("QObject"), &QObject::staticMetaObject);
}

TEST(ObjectFactory, WindowGetsDesignedPositionAndControlGetsParent)
{
    QWidget owner;
    QObject* form = TObjectFactory::CreateObj(&owner, &TTestForm::staticMetaObject);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->property("Position").toInt(), int(poDesigned));
    delete form;

    QObject* control = TObjectFactory::CreateObj(&owner, &TTestControl::staticMetaObject);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(static_cast<QWidget*>(control)->parentWidget(), &owner);
}

TEST(ObjectFactory, FailuresRaiseCreationErrorAndLeaveNothing)
{
    QWidget owner;
    const auto before = owner.children().size();
    auto expectFailure = [&](const QMetaObject* cls) {
        try {
            TObjectFactory::CreateObj(&owner, cls);
            ADD_FAILURE() << "no error for " << cls->className();
        } catch (const TObjectFactionError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("创建对象失败！"));
        }
    };
    expectFailure(&TThrowingForm::staticMetaObject);
    expectFailure(&TPlainObject::staticMetaObject);
    expectFailure(&QWidget::staticMetaObject);
    EXPECT_EQ(owner.children().size(), before);
}
