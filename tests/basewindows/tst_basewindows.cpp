#include "controls/TTreeView.h"
#include "fixtures/TestDatabase.h"
#include "fixtures/TestSupport.h"
#include "plugin/untClassRegist.h"
#include "platform/untComponent.h"
#include "plugin/untShareResRefManager.h"
#include "basewindows/wnBsNormalDialog.h"
#include "basewindows/wnBsTrvTC.h"
#include "basewindows/wnWorkProgress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFocusFrame>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>

TEST(BaseWindows, ModalFlagsAndEnterAsTab)
{
    std::unique_ptr<TfrmBase> base(TfrmBase::Create<TfrmBase>(nullptr));
    EXPECT_EQ(base->ModalFlagValue(), 1);
    EXPECT_EQ(base->property("ShowModalFlag").toInt(), 1);
    EXPECT_EQ(base->size(), QSize(543, 390));
    std::unique_ptr<TfrmBsCld> child(TfrmBase::Create<TfrmBsCld>(nullptr));
    EXPECT_EQ(child->ModalFlagValue(), 0);
    EXPECT_TRUE(child->testAttribute(Qt::WA_DeleteOnClose));
    std::unique_ptr<TfrmBsNormalDialog> dialog(TfrmBase::Create<TfrmBsNormalDialog>(nullptr));
    EXPECT_EQ(dialog->EnterAsTab(), true);
    EXPECT_EQ(dialog->ModalFlagValue(), 1);
    EXPECT_EQ(dialog->Buttons().btnOK->text(), QStringLiteral("确定(&E)"));
    EXPECT_EQ(dialog->Buttons().btnClose->text(), QStringLiteral("关闭(&X)"));
    EXPECT_EQ(dialog->Buttons().btnOK->geometry(), QRect(224, 160, 75, 25));
    EXPECT_EQ(dialog->Buttons().btnClose->geometry(), QRect(224, 216, 75, 25));
    EXPECT_EQ(dialog->width(), 377);
}

TEST(BaseWindows, CentredOnTheScreenObjectWithIntegerDivision)
{
    TScreen screen;
    screen.SetSize(1024, 768);
    TScreen* saved = Screen;
    Screen = &screen;
    std::unique_ptr<TfrmBase> form(TfrmBase::Create<TfrmBase>(nullptr));
    form->resize(1000, 800);
    form->show();
    EXPECT_EQ(form->pos(), QPoint(12, -16));
    form->hide();
    form->resize(101, 99);
    form->show();
    EXPECT_EQ(form->pos(), QPoint(461, 334));
    Screen = saved;
}

TEST(BaseWindows, EscapeCancelsWhateverTheShiftStateAndEnterMovesOn)
{
    for (Qt::KeyboardModifiers mods : {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier}) {
        std::unique_ptr<TfrmBsDialog> d(TfrmBase::Create<TfrmBsDialog>(nullptr));
        auto* a = new QLineEdit(d.get());
        d->show();
        a->setFocus();
        QTest::keyClick(a, Qt::Key_Escape, mods);
        EXPECT_EQ(d->result(), mrCancel);
        EXPECT_FALSE(d->isVisible());
    }
    std::unique_ptr<TfrmBsDialog> d(TfrmBase::Create<TfrmBsDialog>(nullptr));
    auto* a = new QLineEdit(d.get());
    auto* b = new QLineEdit(d.get());
    b->move(0, 30);
    d->show();
    d->activateWindow();
    a->setFocus();
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_EQ(d->focusWidget(), b);
    // Enter on a focused button clicks it; Ctrl+Enter is no Enter.
    auto* button = new QPushButton("ok", d.get());
    button->setAutoDefault(false);
    button->show();
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(d->focusWidget(), b);
    d->SetEnterAsTab(false);
    QTest::keyClick(b, Qt::Key_Return);
    EXPECT_EQ(d->focusWidget(), b);
    // The focused control of the active window is ringed, however it got the focus.
    QApplication::setActiveWindow(d.get());
    auto* ring = d->findChild<QFocusFrame*>();
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->widget(), b);
    EXPECT_TRUE(ring->isVisible());
    button->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(ring->widget(), button);
}

TEST(BaseWindows, CloseButtonEndsTheModalRunWithCancel)
{
    std::unique_ptr<TfrmBsNormalDialog> d(TfrmBase::Create<TfrmBsNormalDialog>(nullptr));
    Application->SetModalDriver([](QDialog* dialog) {
        static_cast<TfrmBsNormalDialog*>(dialog)->Buttons().btnClose->click();
        return dialog->result();
    });
    EXPECT_EQ(Application->ExecModal(d.get()), mrCancel);
    Application->SetModalDriver({});
}

TEST(BaseWindows, TreeLayoutHasEveryPanel)
{
    std::unique_ptr<TfrmBsTrvTC> w(TfrmBase::Create<TfrmBsTrvTC>(nullptr));
    for (const char* name : {"pnlBottom", "pnlLeft", "trvList", "Splitter1", "pnlNo", "pnlBTop",
                             "pnlRightTop", "pnlTopMessage", "Splitter2", "pnlBBotton",
                             "pnlRightBottom", "pnlBottonMessage", "tblChildMain", "ctblChild"})
        EXPECT_NE(w->findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(w->Panes().pnlTopMessage->height(), 23);
    EXPECT_EQ(w->Panes().trvList->indentation(), 19);
    EXPECT_EQ(w->Panes().Splitter1->widget(0), w->Panes().pnlLeft);
}

TEST(BaseWindows, MdiChildMergesMenusAndIsFreedAndUnregisteredOnClose)
{
    RegisterPlugInClass(&TfrmBsTrvTC::staticMetaObject);
    EXPECT_EQ(FindPlugInClass("tfrmbase"), &TfrmBase::staticMetaObject);
    EXPECT_EQ(FindPlugInClass("TfrmBsCld"), &TfrmBsCld::staticMetaObject);

    QMainWindow main;
    auto* area = new QMdiArea(&main);
    main.setCentralWidget(area);
    main.menuBar()->addMenu("系统");
    Application->SetMainForm(&main);
    Application->SetMdiArea(area);
    main.show();

    TResRefManager manager;
    QPointer<QObject> w = manager.GetObj("TfrmBsTrvTC", false);
    ASSERT_TRUE(w);
    auto* form = static_cast<TfrmBsTrvTC*>(w.data());
    EXPECT_EQ(form->ModalFlagValue(), 0);
    ASSERT_NE(form->SubWindow(), nullptr);
    EXPECT_EQ(area->subWindowList().size(), 1);
    ShowForm(form);
    QApplication::processEvents();
    EXPECT_EQ(area->activeSubWindow(), form->SubWindow());
    EXPECT_TRUE(main.menuBar()->actions().contains(form->Bars().mitemOption->menuAction()));
    EXPECT_EQ(main.menuBar()->actions().size(), 3);

    form->close();
    FlushDeletes();
    EXPECT_FALSE(w);
    EXPECT_EQ(manager.Count(), 0);
    EXPECT_EQ(manager.RefCount(), 0);
    EXPECT_EQ(area->subWindowList().size(), 0);
    EXPECT_EQ(main.menuBar()->actions().size(), 1);
    Application->SetMainForm(nullptr);
    Application->SetMdiArea(nullptr);
}

// Work disables the client area: the control that had the focus must not hand it to another
// child window, which would become the active one and come forward.
TEST(BaseWindows, WorkKeepsTheFocusAndTheActiveChildWindow)
{
    TestDatabase db(Engine::SQLite, TestDatabase::Empty);
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    QMainWindow main;
    auto* area = new QMdiArea(&main);
    main.setCentralWidget(area);
    Application->SetMainForm(&main);
    Application->SetMdiArea(area);
    main.show();
    QApplication::setActiveWindow(&main);
    std::unique_ptr<TfrmBsTrvTC> behind(TfrmBase::Create<TfrmBsTrvTC>(nullptr));
    std::unique_ptr<TfrmBsTrvTC> front(TfrmBase::Create<TfrmBsTrvTC>(nullptr));
    ShowForm(behind.get());
    ShowForm(front.get());
    QApplication::processEvents();
    TTreeView* tree = front->Panes().trvList;
    tree->setFocus();
    ASSERT_EQ(area->activeSubWindow(), front->SubWindow());
    ASSERT_EQ(QApplication::focusWidget(), tree);

    std::atomic<bool> release{false};
    bool ended = false;
    ASSERT_TRUE(front->Work()->Run(
        "work",
        [&release](TWorkControl&) {
            while (!release)
                QThread::msleep(5);
            return true;
        },
        [&ended](TWorkOutcome, const QString&) { ended = true; },
        TWindowWork::Connection::NotNeeded, 60000));
    QApplication::processEvents();
    EXPECT_FALSE(tree->isEnabled());
    // The host is activated again (after a file dialog, say): its focus goes where it was left.
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(&main);
    QApplication::processEvents();
    EXPECT_EQ(area->activeSubWindow(), front->SubWindow());
    release = true;
    EXPECT_TRUE(QTest::qWaitFor([&ended] { return ended; }, 10000));
    EXPECT_EQ(area->activeSubWindow(), front->SubWindow());
    EXPECT_EQ(QApplication::focusWidget(), tree); // back where it was
    front.reset();
    behind.reset();
    Application->SetMainForm(nullptr);
    Application->SetMdiArea(nullptr);
}

// Work that ends while the operator is asked whether to cancel it and close: the question,
// now out of date, ends by itself as 否 and the window stays, its work's end told.
TEST(BaseWindows, AQuestionToCancelEndedWorkEndsItself)
{
    TestDatabase db(Engine::SQLite, TestDatabase::Empty); // the runner copies its connection
    ASSERT_TRUE(db.Ok()) << db.Error().toStdString();
    std::unique_ptr<TfrmBase> window(TfrmBase::Create<TfrmBase>(nullptr));
    window->show();
    std::atomic<bool> release{false};
    TWorkOutcome told = TWorkOutcome::Failed;
    ASSERT_TRUE(window->Work()->Run(
        "work",
        [&release](TWorkControl&) {
            while (!release)
                QThread::msleep(5);
            return true;
        },
        [&told](TWorkOutcome outcome, const QString&) { told = outcome; },
        TWindowWork::Connection::NotNeeded, 60000));
    bool asked = false;
    QTimer::singleShot(100, [&] {
        asked = ShownMessages() == 1 && !EndShownMessage(1, mrNo); // the question, alone
        release = true;                                            // and the work ends meanwhile
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(window->Work()->AskToClose(), TWindowWork::CloseAnswer::Stay);
    EXPECT_LT(clock.elapsed(), 2500); // not left for the operator to answer
    EXPECT_TRUE(asked);
    EXPECT_EQ(told, TWorkOutcome::Done);
    EXPECT_EQ(ShownMessages(), 0);
    EXPECT_FALSE(EndShownMessage(0, mrNo)); // none left to end
    EXPECT_FALSE(window->WorkRunning());
}
