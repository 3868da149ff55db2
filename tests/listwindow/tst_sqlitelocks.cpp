// Several operators' processes on one SQLite file: nothing in the process but SQLite may open
// the database's files, or SQLite's locks silently go (closing any descriptor of a file drops
// all of the process's locks on it) and another process overwrites committed indicators.
#include "budget/gunBudgetSave.h"
#include "context/untConnectionString.h"
#include "fixtures/ListFixture.h"
#include "listwindow/bwnQuindle.h"
#include "platform/untFileDialog.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
class SqliteLocks : public ListFixture
{
protected:
    QString File() const { return ConnectionStringValue(db.ConnectionString(), "Data Source"); }
    QString Folder() const { return QFileInfo(File()).absolutePath(); }

    // This process's POSIX locks on the database and its -wal and -shm, as the kernel lists them.
    QStringList HeldLocks() const
    {
        QSet<QString> inodes;
        for (const char* suffix : {"", "-wal", "-shm"}) {
            struct stat st {
            };
            if (::stat(QFile::encodeName(File() + suffix).constData(), &st) == 0)
                inodes << QString::number(st.st_ino);
        }
        QFile locks("/proc/locks");
        EXPECT_TRUE(locks.open(QIODevice::ReadOnly));
        QStringList held;
        const QString pid = QString::number(::getpid());
        for (const QString& line : QString::fromLatin1(locks.readAll()).split('\n')) {
            const QStringList f = line.simplified().split(' ');
            if (f.size() < 8 || f[1] != "POSIX" || f[4] != pid || line.contains("->"))
                continue;
            if (inodes.contains(f[5].section(':', 2)))
                held << f.mid(3).join(' ');
        }
        held.sort();
        return held;
    }

    // Another process runs the statements without waiting; its output lines.
    static QStringList Probe(const QString& file, const QStringList& statements)
    {
        QProcess p;
        p.start(SQLITE_PROBE, QStringList{file} + statements);
        EXPECT_TRUE(p.waitForFinished(20000));
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    // Lists the folder in the dialog as an operator does: every file shown with its icon and
    // type (all files, as "*" typed in the name field shows them), then the folder typed into
    // the name field, which completes it.
    void Browse(QFileDialog* d, const QString& folder)
    {
        ASSERT_NE(d, nullptr);
        d->show();
        d->setNameFilter("*");
        d->setDirectory(folder);
        auto* model = d->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        const QStringList files = QDir(folder).entryList(QDir::Files);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                for (const QString& name : files)
                    if (!model->index(folder + '/' + name).isValid())
                        return false;
                return true;
            },
            5000))
            << files.join(' ').toStdString();
        for (const QString& name : files) {
            const QModelIndex index = model->index(folder + '/' + name);
            model->data(index, Qt::DecorationRole);
            model->data(index.siblingAtColumn(2), Qt::DisplayRole); // the type column
        }
        auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        QTest::keyClicks(edit, folder + "/te");
        QTest::qWait(300);
        d->hide();
    }
};
INSTANTIATE_TEST_SUITE_P(Lite, SqliteLocks, ::testing::Values(Engine::SQLite), EngineName);
} // namespace

TEST_P(SqliteLocks, FileDialogOnTheDatabaseFolderKeepsItsLocks)
{
    TbfrmQuindle* w = Open();
    ASSERT_EQ(db.Scalar("pragma journal_mode"), "wal");
    db.Exec("BEGIN IMMEDIATE"); // this process holds the writers' lock
    db.Scalar("select count(*) from busibudget");
    const QStringList held = HeldLocks();
    ASSERT_FALSE(held.isEmpty());
    int shown = 0;
    hostApp.SetModalDriver([&](QDialog* d) {
        ++shown;
        Browse(qobject_cast<QFileDialog*>(d), Folder());
        return int(QDialog::Rejected);
    });
    w->Controls().tbtnExport->trigger();
    ASSERT_EQ(shown, 1);
    EXPECT_EQ(HeldLocks(), held);
    // A dialog that starts on the database file itself (the connection dialog does).
    TFileDialog onTheFile(w, "file", File(), "*");
    Browse(&onTheFile, Folder());
    EXPECT_EQ(HeldLocks(), held);
    // Another operator's write waits for this one instead of slipping past it.
    EXPECT_TRUE(Probe(File(), {"BEGIN IMMEDIATE"}).value(0).startsWith("error 5"))
        << Probe(File(), {"BEGIN IMMEDIATE"}).join('\n').toStdString();
    db.Exec("ROLLBACK");
}

// A keeps a read transaction open and browses; B adds an indicator and quits; A adds one; B
// comes back, adds another and quits; A quits: all three stay, with distinct ids.
TEST_P(SqliteLocks, AnOperatorWhoQuitsMeanwhileTakesNoIndicatorAlong)
{
    TbfrmQuindle* w = Open();
    db.Exec("BEGIN");
    db.Scalar("select count(*) from busibudget");
    hostApp.SetModalDriver([&](QDialog* d) {
        Browse(qobject_cast<QFileDialog*>(d), Folder());
        return int(QDialog::Rejected);
    });
    w->Controls().tbtnExport->trigger();

    const auto otherAdds = [&](const char* who) {
        QProcess other;
        other.start(WRITER, {db.ConnectionString(), who, "1", "distinct"});
        EXPECT_TRUE(other.waitForFinished(60000));
        const QString line = QString::fromUtf8(other.readAllStandardOutput()).trimmed();
        EXPECT_TRUE(line.startsWith("added ")) << line.toStdString();
        return line.mid(6);
    };
    QStringList ids{otherAdds("B")};
    db.Exec("COMMIT");

    TBudgetManage store;
    TBudget b;
    b.DataYear = 2026;
    b.Eid = "101001001";
    b.Mid = "11";
    b.Bkid = "21";
    b.IPid = "12";
    b.Bid = "2050202";
    b.BType = "1";
    b.BTypeChild = "1";
    b.FileName = "A-1";
    b.BudgMoney = b.InputMoney = Currency::FromRaw(10000);
    ASSERT_EQ(SaveBudgetChecked(store, b, true, QStringLiteral("预算数")), TSaveOutcome::Saved);
    ids << b.BudgId << otherAdds("C");
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), 3) << ids.join(' ').toStdString();

    CloseWindow(w);
    db.Def()->Close(); // A quits
    EXPECT_EQ(Probe(File(), {"PRAGMA integrity_check",
                             "select count(distinct budgid) from busibudget where datayear=2026 "
                             "and budgid in ('" +
                                 ids.join("','") + "')"}),
              (QStringList{"ok", "3"}));
}

// Saving onto the open database file is refused at once, never first offered as a replacement.
TEST_P(SqliteLocks, SavingOntoTheDatabaseFileIsRefusedBeforeAnyQuestion)
{
    TbfrmQuindle* w = Open();
    MessageRecorder messages;
    hostApp.SetModalDriver([&](QDialog* d) {
        auto* dialog = qobject_cast<QFileDialog*>(d);
        dialog->selectFile(File());
        return int(QDialog::Accepted);
    });
    TFileDialog save(w, "save", Folder(), "*");
    save.SetSaveSuffixes({"db"});
    EXPECT_TRUE(save.Choose().isEmpty());
    ASSERT_EQ(messages.Texts().size(), 1);
    EXPECT_TRUE(messages.Texts()[0].endsWith(QStringLiteral("这是正在使用的数据库文件。")))
        << messages.Texts()[0].toStdString();
    // A typed name with a quote is refused, not written as the part after it.
    hostApp.SetModalDriver([&](QDialog* d) {
        d->findChild<QLineEdit*>("fileNameEdit")->setText(QStringLiteral("a\"b.csv"));
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(save.Choose().isEmpty());
    ASSERT_EQ(messages.Texts().size(), 2);
    EXPECT_EQ(messages.Texts()[1], QStringLiteral("文件名a\"b.csv含有双引号，不能使用。"));
}
