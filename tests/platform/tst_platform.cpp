#include "fixtures/TestSupport.h"
#include "platform/untApplication.h"
#include "platform/untCodePage.h"
#include "platform/untException.h"
#include "platform/untFileDialog.h"
#include "platform/untIniFile.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QApplication>
#include <QTemporaryDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(Application, HandleExceptionShowsTheMessageInAnErrorBox)
{
    MessageRecorder recorder;
    Application->HandleException(nullptr, Exception(QStringLiteral("创建对象失败！")));
    ASSERT_EQ(recorder.Messages().size(), 1);
    EXPECT_EQ(recorder.Messages()[0].Text, QStringLiteral("创建对象失败！"));
    EXPECT_EQ(recorder.Messages()[0].Icon, MsgIcon::Error);
    EXPECT_EQ(recorder.Messages()[0].Buttons, MsgButtons::Ok);
}

TEST(Application, MessagesAndModalRunsGoThroughTheCurrentApplication)
{
    TApplication other;
    TApplication* saved = Application;
    Application = &other;
    MessageRecorder recorder(&other);
    recorder.Answer(mrNo);
    EXPECT_EQ(ShowMessage("删除？", CaptionConfirm(), MsgIcon::Question, MsgButtons::YesNo), mrNo);
    EXPECT_EQ(recorder.Messages()[0].Caption, QStringLiteral("Vesperwald 7.1-操作确认"));

    QDialog dialog;
    other.SetModalDriver([](QDialog* d) {
        d->done(mrOk);
        return d->result();
    });
    EXPECT_EQ(Application->ExecModal(&dialog), mrOk);
    Application = saved;
}

// A message asked by a modal dialog stands over that dialog: parented to the main window it went
// above it and the dialog behind its opener, as if it had closed.
TEST(Application, AMessageFromAModalDialogStandsOverIt)
{
    TApplication app;
    QWidget main;
    app.SetMainForm(&main);
    main.show();
    QDialog asking(&main);
    asking.setModal(true);
    asking.show();
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        parent = box ? box->parentWidget() : nullptr;
        if (auto* dialog = qobject_cast<QDialog*>(box))
            dialog->done(0);
    });
    app.MessageBox(
        {QStringLiteral("请选择底级预算科目"), QString(), MsgIcon::Information, MsgButtons::Ok});
    EXPECT_EQ(parent, &asking);
}

TEST(Screen, FixedSizeOverridesThePrimaryScreen)
{
    TScreen screen;
    EXPECT_GT(screen.Width(), 0);
    screen.SetSize(1024, 768);
    EXPECT_EQ(screen.Width(), 1024);
    EXPECT_EQ(screen.Height(), 768);
}

TEST(CodePage, ChineseTakesTwoBytesAndRoundTrips)
{
    const QString text = QStringLiteral("预算A１");
    const QByteArray bytes = ToCp936(text);
    EXPECT_EQ(bytes.size(), 7);
    EXPECT_EQ(FromCp936(bytes), text);
    EXPECT_TRUE(IsValidUtf8(text.toUtf8()));
    EXPECT_FALSE(IsValidUtf8(bytes));
}

TEST(IniFile, ReadsUtf8AndGbkFilesAndToleratesJunk)
{
    QTemporaryDir dir;
    const QString body =
        QStringLiteral("junk line\n[列]\nCaption = 单位名称\nwidth=120\nbad=x\nlead=080\n; note\n"
                       "[Other]\nkey=value=with=equals\n");
    for (const QByteArray& bytes : {body.toUtf8(), ToCp936(body)}) {
        const QString path = dir.filePath("t.for");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        TIniFile ini(path);
        EXPECT_TRUE(ini.Exists());
        EXPECT_EQ(ini.ReadSections(), (QStringList{QStringLiteral("列"), "Other"}));
        EXPECT_EQ(ini.ReadString(QStringLiteral("列"), "caption", ""), QStringLiteral("单位名称"));
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("列"), "Width", 0), 120);
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("列"), "bad", -1), -1);
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("列"), "lead", -1), 80); // "080": decimal
        EXPECT_EQ(ini.ReadString("other", "KEY", ""), "value=with=equals");
        EXPECT_EQ(ini.ReadSection("Other"), QStringList{"key"});
    }
    TIniFile missing(dir.filePath("none.for"));
    EXPECT_FALSE(missing.Exists());
    EXPECT_EQ(missing.ReadString("a", "b", "def"), "def");
}

// Saving: a name typed without a suffix takes the suffix of the filter the operator picks.
TEST(FileDialog, SaveSuffixFollowsTheChosenFilter)
{
    TFileDialog dialog(nullptr, QStringLiteral("保存"), QDir::tempPath(),
                       QStringLiteral("Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)"));
    dialog.SetSaveSuffixes({QStringLiteral("xlsx"), QStringLiteral("csv")});
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("xlsx"));
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_TRUE(types);
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down);
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("csv"));
    QTest::keyClick(types, Qt::Key_Up);
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("xlsx"));
}
