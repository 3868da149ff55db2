#include "controls/PBNumEdit.h"
#include "platform/untClipboard.h"
#include "platform/untMessageBox.h"
#include "fixtures/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QLocale>
#include <QPushButton>
#include <QRandomGenerator>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace
{
// A window with the edit and a second control to leave it for; the locale is fixed.
class NumEdit : public ::testing::Test
{
protected:
    void SetUp() override { Build(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(m_saved); }
    void Build(const QLocale& locale)
    {
        QLocale::setDefault(locale);
        window = std::make_unique<QWidget>();
        edit = new TPBNumEdit(window.get());
        other = new QPushButton("x", window.get());
        other->move(0, 40);
        window->show();
        QApplication::setActiveWindow(window.get());
        edit->setFocus();
    }
    // The entry dialog's amount settings.
    void AmountSettings()
    {
        edit->SetMaxLength(17);
        edit->SetMaxValue(9999999999999.0L);
        edit->SetMinValue(-99999999999999.0L);
        edit->SetNumberFormat(TPBNumEdit::TNumberFormat::Thousands);
        edit->SetDecimals(2);
    }
    void Type(const char* keys) { QTest::keyClicks(edit, keys); }
    void Type(const QString& keys) // characters no key of an ASCII keyboard makes
    {
        for (QChar c : keys) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
    }
    void Key(Qt::Key key) { QTest::keyClick(edit, key); }
    void Leave()
    {
        other->setFocus();
        QApplication::processEvents();
    }
    int Beeps() const { return BeepCount() - m_beeps; }
    void SetUpCaret(const QString& text, int caret)
    {
        edit->setText(text);
        edit->setCursorPosition(caret);
        m_beeps = BeepCount();
    }

    QLocale m_saved;
    std::unique_ptr<QWidget> window;
    TPBNumEdit* edit = nullptr;
    QPushButton* other = nullptr;
    int m_beeps = BeepCount();
};
} // namespace

TEST_F(NumEdit, FormatsEveryWay)
{
    edit->SetNumberFormat(TPBNumEdit::TNumberFormat::Thousands);
    edit->SetDecimals(2);
    edit->SetValue(12345.5L);
    EXPECT_EQ(edit->text(), "12,345.50");
    EXPECT_EQ(edit->Value(), 12345.5L);
    edit->SetDecimals(-1);
    EXPECT_EQ(edit->text(), "12,345.5");
    // Never more than 15 significant digits come from the number; the decimals stay.
    edit->SetDecimals(4);
    edit->SetValue(123456789012.34567L);
    EXPECT_EQ(edit->text(), "123,456,789,012.3460");
    edit->SetDecimals(-1);
    EXPECT_EQ(edit->text(), "123,456,789,012.346");
    edit->SetDecimals(4);
    edit->SetNumberFormat(TPBNumEdit::TNumberFormat::Scientific);
    edit->SetDecimals(2);
    edit->SetValue(-0.00012345L);
    EXPECT_EQ(edit->text(), "-1.23E-4");
    edit->SetNumberFormat(TPBNumEdit::TNumberFormat::Engineering);
    edit->SetValue(12345.0L);
    EXPECT_EQ(edit->text(), "12.35E3");
    edit->SetValue(0);
    EXPECT_EQ(edit->text(), "0.00E0");
    // The exponent is the power of ten's third, truncated toward zero, times 3.
    edit->SetValue(0.05L);
    EXPECT_EQ(edit->text(), "0.05E0");
    edit->SetValue(-0.0005L);
    EXPECT_EQ(edit->text(), "-0.50E-3");
    edit->SetDecimals(-1);
    edit->SetValue(-123456.5L);
    EXPECT_EQ(edit->text(), "-123.4565E3");
    edit->SetValue(99512.34567890123L); // two whole digits: twelve decimals
    EXPECT_EQ(edit->text(), "99.512345678901E3");
    edit->SetDecimals(2);
    EXPECT_EQ(edit->Version(), "2.50.00.00");
}

TEST_F(NumEdit, PropertyRules)
{
    edit->SetMaxLength(6);
    edit->SetDecimals(9);
    EXPECT_EQ(edit->Decimals(), 4); // MaxLength − 2
    edit->SetDecimals(-7);
    EXPECT_EQ(edit->Decimals(), -1);
    edit->SetMaxValue(10);
    edit->SetMinValue(20); // would cross: refused
    EXPECT_EQ(edit->MinValue(), 0);
    edit->SetMinValue(-5);
    edit->SetMaxValue(-6);
    EXPECT_EQ(edit->MaxValue(), 10);
    // A text set by the program is never cut by MaxLength.
    edit->SetMaxLength(17);
    edit->SetNumberFormat(TPBNumEdit::TNumberFormat::Thousands);
    edit->SetDecimals(2);
    edit->SetValue(9999999999999.99L);
    EXPECT_EQ(edit->text(), "9,999,999,999,999.99");
}

TEST_F(NumEdit, TypingEachRegion)
{
    edit->SetDecimals(2);
    SetUpCaret("0.00", 0);
    Type("12.345"); // the leading 0 is replaced, decimals overwrite, the third is refused
    EXPECT_EQ(edit->text(), "12.34");
    EXPECT_EQ(Beeps(), 1);
    SetUpCaret("12.34", 3);
    Type("9");
    EXPECT_EQ(edit->text(), "12.94");
    Type("-");
    EXPECT_EQ(edit->text(), "-12.94"); // the sign toggles wherever the caret is
    Type("-");
    EXPECT_EQ(edit->text(), "12.94");
    Type("x");
    EXPECT_EQ(Beeps(), 1);
    SetUpCaret("0.00", 0);
    Type(QStringLiteral("７．５")); // an input method's full-width digits and point
    EXPECT_EQ(edit->text(), "7.50");

    edit->SetDecimals(-1);
    edit->SetNumberFormat(TPBNumEdit::TNumberFormat::Scientific);
    SetUpCaret("1.5", 1);
    Type("e");
    EXPECT_EQ(edit->text(), "1.5E"); // appended at the end
    EXPECT_EQ(edit->Value(), 1.5L);  // an empty exponent counts as 0
    Type("-49");
    EXPECT_EQ(edit->text(), "1.5E-49");
    Type("33");
    EXPECT_EQ(edit->text(), "1.5E-493"); // 4933 is beyond the limit of 4932
    EXPECT_EQ(Beeps(), 1);
    Type("2");
    EXPECT_EQ(edit->text(), "1.5E-4932");
    SetUpCaret("1E", 2);
    Type("0000000"); // six characters of exponent at most
    EXPECT_EQ(edit->text(), "1E000000");
    EXPECT_EQ(Beeps(), 1);
    SetUpCaret("E0", 1);
    Type("5"); // the exponent's lone zero is replaced, also with no number before it
    EXPECT_EQ(edit->text(), "E5");

    edit->SetDecimals(2);
    edit->SetNumberFormat(TPBNumEdit::TNumberFormat::Standard);
    SetUpCaret("", 0);
    Type(".555"); // a number begun with its decimal point keeps to the decimals too
    EXPECT_EQ(edit->text(), ".55");
    EXPECT_EQ(Beeps(), 1);

    edit->SetDecimals(0);
    SetUpCaret("125", 2);
    Type(".");
    EXPECT_EQ(edit->text(), "12.5"); // at the caret
    Leave();
    EXPECT_EQ(edit->text(), "13"); // re-formatted without decimals
}

TEST_F(NumEdit, DeletingKeepsTheNumber)
{
    edit->SetDecimals(2);
    SetUpCaret("12.34", 3);
    Key(Qt::Key_Backspace); // right after the point: the integer digit goes
    EXPECT_EQ(edit->text(), "1.34");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "0.34"); // the only integer digit becomes 0
    EXPECT_EQ(edit->cursorPosition(), 1);
    Key(Qt::Key_Delete); // skips the point: the first decimal goes, a zero refills
    EXPECT_EQ(edit->text(), "0.40");
    SetUpCaret("-5.00", 1);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "5.00");

    edit->SetNumberFormat(TPBNumEdit::TNumberFormat::Thousands);
    SetUpCaret("1,234,567.89", 0);
    edit->setSelection(3, 6); // "34,567"
    Key(Qt::Key_Delete);
    EXPECT_EQ(edit->text(), "12.89"); // key up re-groups what is left
    edit->selectAll();
    Key(Qt::Key_Delete);
    EXPECT_EQ(edit->text(), "0.00");
    SetUpCaret("123.45", 0);
    edit->setSelection(2, 3); // "3.4": the point stays, the decimals refill
    Key(Qt::Key_Delete);
    EXPECT_EQ(edit->text(), "12.50");
}

TEST_F(NumEdit, ThousandsFollowTheTyping)
{
    edit->SetNumberFormat(TPBNumEdit::TNumberFormat::Thousands);
    edit->SetDecimals(2);
    SetUpCaret("123.00", 3);
    Type("4");
    EXPECT_EQ(edit->text(), "1,234.00");
    EXPECT_EQ(edit->cursorPosition(), 5); // still right before the point
    SetUpCaret("1,234.00", 1);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "234.00");
    EXPECT_EQ(edit->cursorPosition(), 0);
}

TEST_F(NumEdit, ClipboardAndEnter)
{
    edit->SetNumberFormat(TPBNumEdit::TNumberFormat::Thousands);
    edit->SetDecimals(2);
    edit->SetValue(1234.5L);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(ClipboardText(), "1234.50");
    // A paste is the number pasted or nothing: never what is left of it once the filter dropped
    // a character (a full-width point dropped made 123．45 into 12,345.00).
    SetUpCaret("0.00", 0);
    for (const char* refused : {"7a8", "1.2.3", "1,2,3", "0.005", "12-3", "1234,567", ",123"}) {
        SetClipboardText(QString::fromLatin1(refused));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), "0.00") << refused;
    }
    EXPECT_EQ(Beeps(), 7);
    SetClipboardText(QStringLiteral("-123,456"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "-123,456.00");
    SetClipboardText(QStringLiteral("１２３．４５"));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "123.45");
    SetClipboardText(QStringLiteral("-1,234,567.8"));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "-1,234,567.80");
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(ClipboardText(), "-1234567.80");
    EXPECT_EQ(edit->text(), "0.00");
    EXPECT_EQ(Beeps(), 7);

    // Enter presses the window's default buttons and comes back; without one it beeps.
    Key(Qt::Key_Return);
    EXPECT_EQ(Beeps(), 8);
    int clicks = 0;
    auto* ok = new QPushButton("ok", window.get());
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, [&] { ++clicks; });
    Key(Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->selectedText(), edit->text());
}

TEST_F(NumEdit, LeavingChecksTheRange)
{
    edit->SetMaxValue(100);
    edit->SetDecimals(0);
    edit->SetValue(150);
    int exits = 0;
    QObject::connect(edit, &TPBNumEdit::Exited, [&] { ++exits; });
    const int beeps = BeepCount();
    Leave();
    QApplication::processEvents();
    EXPECT_EQ(edit->text(), "100");
    EXPECT_EQ(BeepCount() - beeps, 1);
    EXPECT_TRUE(edit->hasFocus()); // taken back
    EXPECT_EQ(exits, 0);
    int reported = 0;
    edit->OnInvalidEntry = [&](TPBNumEdit*) { ++reported; };
    edit->SetValue(-3);
    Leave();
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(edit->text(), "-3"); // the handler decides
    edit->SetValue(50);
    edit->setFocus();
    Leave();
    EXPECT_EQ(exits, 1);
}

TEST_F(NumEdit, OtherSeparatorsComeFromTheLocale)
{
    for (const QLocale& locale :
         {QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::French, QLocale::France)}) {
        Build(locale);
        AmountSettings();
        const QChar dec = locale.decimalPoint().at(0), group = locale.groupSeparator().at(0);
        SetUpCaret(edit->FormatValue(0), 0);
        Type("1234");
        QTest::keyClick(edit, dec.toLatin1());
        Type("5");
        EXPECT_EQ(edit->text(), "1" + QString(group) + "234" + QString(dec) + "50");
        EXPECT_EQ(edit->Value(), 1234.5L);
        Type(".");
        EXPECT_EQ(Beeps(), 1); // "." is no separator here
    }
}

// The entry dialog's amount, typed as a person would.
TEST_F(NumEdit, AmountAsTheEntryDialogUsesIt)
{
    AmountSettings();
    edit->setFocus();
    edit->selectAll();
    m_beeps = BeepCount();
    const struct {
        const char* keys;
        const char* text;
        long double value;
        int beeps;
    } steps[] = {{"1", "1.00", 1, 0},
                 {"234", "1,234.00", 1234, 0},
                 {"567", "1,234,567.00", 1234567, 0},
                 {".89", "1,234,567.89", 1234567.89L, 0},
                 {"1", "1,234,567.89", 1234567.89L, 1},
                 {"-", "-1,234,567.89", -1234567.89L, 1}};
    for (const auto& s : steps) {
        Type(s.keys);
        EXPECT_EQ(edit->text(), s.text) << s.keys;
        EXPECT_EQ(edit->Value(), s.value) << s.keys;
        EXPECT_EQ(Beeps(), s.beeps) << s.keys;
    }
    SetClipboardText("123");
    edit->setCursorPosition(1);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "-1,231,234,567.89");
    EXPECT_EQ(edit->Value(), -1231234567.89L);
    EXPECT_EQ(Beeps(), 1);
}

// Whatever is typed, deleted or pasted, the text stays a number and its formatting is stable.
TEST_F(NumEdit, RandomWalkKeepsANumber)
{
    QRandomGenerator random(20261207);
    const char keys[] = "0123456789.-eE,x ";
    const TPBNumEdit::TNumberFormat formats[] = {
        TPBNumEdit::TNumberFormat::Standard, TPBNumEdit::TNumberFormat::Thousands,
        TPBNumEdit::TNumberFormat::Scientific, TPBNumEdit::TNumberFormat::Engineering};
    int steps = 0;
    TPBNumEdit probe;
    for (auto format : formats) {
        for (int decimals : {-1, 0, 2, 4}) {
            edit->SetNumberFormat(format);
            edit->SetDecimals(decimals);
            edit->SetValue(0);
            edit->setFocus();
            for (int i = 0; i < 6250; ++i, ++steps) {
                const int action = random.bounded(100);
                const int len = int(edit->text().size());
                if (action < 60) {
                    QTest::keyClick(edit, keys[random.bounded(int(sizeof keys) - 1)]);
                } else if (action < 80) {
                    const int from = random.bounded(len + 1);
                    edit->setCursorPosition(from);
                    if (random.bounded(2))
                        edit->setSelection(from, random.bounded(len - from + 1));
                    Key(random.bounded(2) ? Qt::Key_Delete : Qt::Key_Backspace);
                } else if (action < 90) {
                    QString paste;
                    for (int k = random.bounded(6); k > 0; --k)
                        paste += QLatin1Char(keys[random.bounded(int(sizeof keys) - 1)]);
                    SetClipboardText(paste);
                    edit->setCursorPosition(random.bounded(len + 1));
                    edit->PasteFromClipboard();
                } else if (action < 95) {
                    Leave();
                    edit->setFocus();
                } else {
                    edit->setCursorPosition(random.bounded(len + 1));
                }
                // The text reads as a number; so does its formatted form, and formatting that
                // again reads back the same number.
                long double value = 0;
                ASSERT_NO_THROW(value = edit->Value()) << edit->text().toStdString();
                const QString formatted = edit->FormatValue(value);
                probe.SetNumberFormat(format);
                probe.SetDecimals(decimals);
                probe.setText(formatted);
                long double shown = 0;
                ASSERT_NO_THROW(shown = probe.Value()) << formatted.toStdString();
                probe.setText(probe.FormatValue(shown));
                ASSERT_EQ(probe.Value(), shown) << edit->text().toStdString();
            }
        }
    }
    EXPECT_EQ(steps, 100000);
}
