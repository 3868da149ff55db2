// The spreadsheet import window on the list's test database: files read, rows checked, written.
#include "fixtures/ListFixture.h"
#include "fixtures/SheetReader.h"

#include "budget/gunBudgetImport.h"
#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "importwindow/bwnMorrowell.h"
#include "listwindow/bwnQuindle.h"
#include "platform/untCodePage.h"
#include "plugin/untShareResRefManager.h"
#include "support/untWorkRunner.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

namespace
{
class Import : public ListFixture
{
protected:
    void SetUp() override
    {
        ListFixture::SetUp();
        RegisterImportWindow();
    }
    // Waits until the window's work (a read and its check, an import) has ended.
    void Wait(TbfrmMorrowell* w)
    {
        EXPECT_TRUE(QTest::qWaitFor([w] { return !w->WorkRunning(); }, 60000));
    }
    TbfrmMorrowell* OpenImport()
    {
        EXPECT_EQ(ShowPlugInWindowImpl("TbfrmMorrowell", &host), 0);
        return static_cast<TbfrmMorrowell*>(ResRefManager()->FindObj("TbfrmMorrowell"));
    }
    QString Write(const char* name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    int Count(int year)
    {
        return db.Scalar(QString("select count(*) from busibudget where datayear=%1").arg(year))
            .toInt();
    }
    // The stored fields an import must carry over, one line per indicator, sorted.
    QStringList Stored(int year, const QString& condition = QString())
    {
        TQueryRef q;
        EXPECT_TRUE(OpenSql(QString("select eid,bid,coalesce(iid,''),mid,bkid,ipid,btype,"
                                    "btypechild,issecret,coalesce(filename,''),budgmoney "
                                    "from busibudget where datayear=%1")
                                    .arg(year) +
                                condition,
                            q));
        QStringList lines;
        for (TARQuery* ds = q->Dataset(); !ds->Eof(); ds->Next()) {
            QStringList f;
            for (int c = 0; c < 10; ++c)
                f << ds->Fields(c).AsString();
            f << ds->Fields(10).AsCurrency().ToSqlText();
            lines << f.join('|');
        }
        lines.sort();
        return lines;
    }
    QTemporaryDir dir;
};
INSTANTIATE_TEST_SUITE_P(Db, Import, ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         EngineName);

QByteArray Csv(const QStringList& lines)
{
    return lines.join("\r\n").toUtf8() + "\r\n";
}
} // namespace

TEST_P(Import, ListExportImportsIntoAnotherYearOnceAndSkippedRowsKeepTheirReasons)
{
    // Indicators the entry dialog could have saved (items where the rules want them).
    db.Exec("update busibudget set iid='1101001000001' where budgid in ('2','5')");
    db.Exec("update busibudget set mid='11' where budgid='2'");
    // Document numbers a spreadsheet would take for formulas.
    db.Exec("update busibudget set filename='=1+1' where budgid='2'");
    db.Exec("update busibudget set filename='@cmd|'' /C calc''!A0' where budgid='5'");
    db.Exec("update busibudget set budgmoney=584600.32 where budgid='5'"); // 584600.3199999999
                                                                           // as a double
    db.Exec("delete from busibudget where datayear=2025");
    db.Exec("insert into pubsubject (datayear,bid,pbid,bname,type) select 2025,bid,pbid,bname,"
            "type from pubsubject where datayear=2026");
    db.Exec("insert into pubitem (datayear,iid,piid,iname,leafflag) select 2025,iid,piid,iname,"
            "leafflag from pubitem where datayear=2026");
    TbfrmQuindle* list = Open();
    ASSERT_NE(list, nullptr);
    const QString file = dir.filePath("2026年预算数.xlsx");
    ASSERT_TRUE(list->Output().ExportList(file));
    Settle();
    const QString csv = dir.filePath("2026年预算数.csv");
    ASSERT_TRUE(list->Output().ExportList(csv));
    Settle();
    CloseWindow(list);
    const QStringList original = Stored(2026, " and eid='101001001' and btype='1'");
    ASSERT_EQ(original.size(), 3);

    db.Context().DataYear = 2025;
    TbfrmMorrowell* w = OpenImport();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->OpenFile(file));
    Wait(w);
    EXPECT_EQ(w->Rows().Count(), 4);
    EXPECT_EQ(w->Reasons().back(), QStringLiteral("合计行")); // the list's totals row
    ASSERT_TRUE(w->ImportRows());
    Wait(w);
    EXPECT_TRUE(messages->Texts().last().startsWith(QStringLiteral("已导入3条预算指标")));
    EXPECT_EQ(Stored(2025), original);
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2025 and memoo="
                        "'导入2026年预算数.xlsx' and inputmoney=budgmoney and userid='0001'")
                  .toInt(),
              3);

    // The same file again, or the list as CSV: everything is there already.
    ASSERT_TRUE(w->OpenFile(csv));
    Wait(w);
    EXPECT_EQ(w->ValidRows(), 0);
    ASSERT_TRUE(w->OpenFile(file));
    Wait(w);
    EXPECT_EQ(w->ValidRows(), 0);
    EXPECT_FALSE(w->Controls().tbtnImport->isEnabled());
    EXPECT_EQ(w->Reasons().front(), QStringLiteral("本单位已经存在相同属性的预算指标"));
    EXPECT_EQ(Count(2025), 3);

    const QString skipped = dir.filePath("skipped.csv");
    w->SaveSkipped(skipped);
    const QList<QStringList> back = ReadCsv(skipped);
    ASSERT_EQ(back.size(), 5);
    EXPECT_EQ(back[0].front(), QStringLiteral("行号"));
    EXPECT_EQ(back[0].back(), QStringLiteral("未导入原因"));
    EXPECT_EQ(back[4].back(), QStringLiteral("合计行"));
    const int number = back[0].indexOf(QStringLiteral("指标文号"));
    ASSERT_GE(number, 0);
    QStringList numbers;
    for (const QStringList& row : back)
        numbers << row.value(number);
    EXPECT_TRUE(numbers.contains("'=1+1")) << numbers.join('|').toStdString();
}

TEST_P(Import, EachRuleRefusesItsRowAndTheRestIsWrittenExactly)
{
    db.Unit().SetValue(0, "101001001"); // units under 101001 only
    const QString header = "预算编码,科目编码,项目编码,资金性质,预算来源,支出类型,指标金额,"
                           "指标文号,密级";
    const QString file =
        Write("reasons.csv",
              Csv({
                  header,
                  "101001001,2050202,,一般公共预算资金,当年预算,基本支出,\"1,234.50\",A'1,",
                  "第一中学,小学教育,教育信息化,11,21,项目支出,20,\"B \"\"x\"\"\\N\t\n2\",非密",
                  ",,,,,,,,", // empty: left out
                  "999,2050202,,11,21,11,1,,",
                  "101002001,2050202,,11,21,11,1,,",
                  "101001001,2059999,,11,21,11,1,,",
                  "101001001,2050202,1101009999999,11,21,12,1,,",
                  "101001001,2050202,,11,21,12,1,,非密",
                  "101001001,2050202,,99,21,12,1,,",
                  "101001001,2050202,,11,结余,11,1,,",
                  "101001001,2050202,,31,21,11,1,,",
                  "101001001,2050202,,11,21,11,abc,,",
                  "101001001,2050202,,11,21,11,0,,",
                  "101001001,2050202,,11,21,11,-5,,",
                  "101001001,2050202,,11,21,11,1.234,,",
                  "101001001,2050202,,11,21,11,1,,保密",
                  "101001001,2050202,,11,21,11,9,A'1,",
                  "101001001,2050202,,11,21,11,9,,",
                  "合计,,,,,,1255.5,,",
              }));
    TbfrmMorrowell* w = OpenImport();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->OpenFile(file));
    Wait(w);
    const QStringList expected = {
        "",
        "",
        "2026年没有预算单位“999”",
        "2026年没有预算单位“101002001”",
        "2026年没有科目“2059999”",
        "2026年没有项目“1101009999999”",
        "一般预算项目支出必须存在预算项目！",
        "2026年没有资金性质“99”",
        "2026年没有预算来源“结余”",
        "支出类型“基本支出”不适用于资金性质“国有资本经营预算资金”；科目“2050202”不是末级科目，"
        "或不适用于该资金性质和支出类型",
        "指标金额“abc”不是数字",
        "指标金额为零",
        "指标金额不能小于零",
        "指标金额“1.234”超过两位小数",
        "涉密“保密”应为“密”或“非密”",
        "与第2行重复",
        "本单位已经存在相同属性的预算指标",
        "合计行",
    };
    ASSERT_EQ(w->Rows().Count(), expected.size());
    for (int r = 0; r < expected.size(); ++r)
        EXPECT_EQ(w->Reasons()[size_t(r)], expected[r]) << "line " << w->Rows().Lines[size_t(r)];
    EXPECT_EQ(w->Rows().Lines[2], 5); // the empty line is counted, not listed

    w->Controls().cmbFilter->setCurrentIndex(1);
    emit w->Controls().cmbFilter->activated(1);
    Wait(w);
    EXPECT_EQ(w->Controls().ngdPreview->RowCount(), expected.size() - 2);

    // A row made bad by the mapping: no amount column at all.
    w->Controls().cmbFields[size_t(TImportField::Amount)]->setCurrentIndex(0);
    emit w->Controls().cmbFields[size_t(TImportField::Amount)]->activated(0);
    Wait(w);
    EXPECT_EQ(w->ValidRows(), 0);
    EXPECT_TRUE(w->Controls().labStatus->text().contains("没有对应的列：指标金额"));
    w->Controls().cmbFields[size_t(TImportField::Amount)]->setCurrentIndex(7);
    emit w->Controls().cmbFields[size_t(TImportField::Amount)]->activated(7);
    Wait(w);

    messages->Answer(mrYes);
    w->Controls().tbtnImport->trigger();
    Wait(w);
    EXPECT_EQ(db.Scalar("select count(*) from busibudget where datayear=2026 and "
                        "memoo='导入reasons.csv'")
                  .toInt(),
              2);
    EXPECT_EQ(db.Scalar("select filename from busibudget where datayear=2026 and budgid='7'"),
              QStringLiteral("B \"x\"\\N\t\n2")); // written as read, on every path
    EXPECT_EQ(db.Scalar("select inputmoney from busibudget where datayear=2026 and budgid='6'")
                  .toDouble(),
              1234.5);
    EXPECT_EQ(db.Scalar("select filename from busibudget where budgid='6' and datayear=2026"),
              "A'1");
    EXPECT_TRUE(messages->Texts().last().startsWith("已导入2条预算指标，16行未导入"));
}

// A row another operator stored after the check is left out by the write: it shows, and is saved,
// with the reason a check gives it. Saved rows keep the cells beyond the header's columns.
TEST_P(Import, RowsStoredMeanwhileAreNotImportedAndSavedRowsKeepEveryCell)
{
    const QString file = Write(
        "late.csv", Csv({"预算编码,科目编码,资金性质,预算来源,支出类型,指标金额,指标文号",
                         "101001001,2050202,11,21,11,1,late1", "101001001,2050202,11,21,11,2,late2",
                         "101001001,2050202,11,21,11,abc,late3,x,,y"}));
    TbfrmMorrowell* w = OpenImport();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->OpenFile(file));
    Wait(w);
    ASSERT_EQ(w->ValidRows(), 2);
    db.Exec("insert into busibudget (datayear,budgid,eid,mid,bkid,ipid,bid,btype,btypechild,"
            "filename) values (2026,'900','101001001','11','21','11','2050202','1','1','late1')");
    ASSERT_TRUE(w->ImportRows());
    Wait(w);
    EXPECT_TRUE(messages->Texts().last().endsWith(
        QStringLiteral("另有1行写入时已存在相同的指标，没有重复写入。")));
    const QString stored = QStringLiteral("本单位已经存在相同属性的预算指标");
    EXPECT_EQ(w->Reasons()[0], stored);
    EXPECT_EQ(w->Controls().ngdPreview->Cells(1, 0), stored);
    EXPECT_EQ(w->Controls().ngdPreview->Cells(1, 1), QStringLiteral("已导入"));
    EXPECT_TRUE(w->Controls().tbtnSaveSkipped->isEnabled());

    const QString skipped = dir.filePath("late-skipped.csv");
    w->SaveSkipped(skipped);
    const QList<QStringList> back = ReadCsv(skipped);
    ASSERT_EQ(back.size(), 3);
    EXPECT_EQ(back[0].mid(7), (QStringList{"指标文号", "", "", "", "未导入原因"}));
    EXPECT_EQ(back[1], (QStringList{"2", "101001001", "2050202", "11", "21", "11", "1", "late1", "",
                                    "", "", stored}));
    EXPECT_EQ(back[2].mid(7, 4), (QStringList{"late3", "x", "", "y"}));
    EXPECT_EQ(back[2].back(), QStringLiteral("指标金额“abc”不是数字"));
}

// In a unit with secrets only project-like expenditure may be secret: a row the rule changes
// shows in the preview what will be stored, with the file's word beside it.
TEST_P(Import, PreviewShowsTheSecrecyAsStored)
{
    const QString file =
        Write("secrecy.csv",
              Csv({"预算编码,科目编码,资金性质,预算来源,支出类型,指标金额,指标文号,涉密",
                   "101001001,2050202,11,21,11,1,s1,密", "101001001,2050202,11,21,11,1,s2,非密"}));
    TbfrmMorrowell* w = OpenImport();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->OpenFile(file));
    Wait(w);
    const int column = 2 + int(TImportField::Secrecy);
    EXPECT_EQ(w->Controls().ngdPreview->Cells(column, 0),
              QStringLiteral("非密（按支出类型改，文件为“密”）"));
    EXPECT_EQ(w->Controls().ngdPreview->Cells(column, 1), QStringLiteral("非密"));
    messages->Answer(mrYes);
    ASSERT_TRUE(w->ImportRows());
    Wait(w);
    EXPECT_EQ(db.Scalar("select issecret from busibudget where filename='s1'"), "1");

    // In a unit without secrets a row that leaves it empty takes the unit's default, 密.
    db.Unit().SetValue(17, "0");
    ASSERT_TRUE(w->OpenFile(Write(
        "plain.csv", Csv({"预算编码,科目编码,资金性质,预算来源,支出类型,指标金额,指标文号,涉密",
                          "101001001,2050202,11,21,11,1,s3,"}))));
    Wait(w);
    messages->Answer(mrYes);
    ASSERT_TRUE(w->ImportRows());
    Wait(w);
    EXPECT_EQ(db.Scalar("select issecret from busibudget where filename='s3'"), "0");
}

// A department-level operator's indicators of money kind 11 and source 21 may also be of
// expenditure type 22; with another source they may not.
TEST_P(Import, DepartmentLevelOperatorsAlsoTakeType22)
{
    db.Unit().SetValue(0, "101001");
    db.Params().DeptLevelFlag = "1";
    const QString file = Write(
        "dept.csv", Csv({"预算编码,科目编码,资金性质,预算来源,支出类型,指标金额,指标文号",
                         "101001001,2050202,11,21,22,1,d1", "101001001,2050202,11,22,22,1,d2"}));
    TbfrmMorrowell* w = OpenImport();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->OpenFile(file));
    Wait(w);
    ASSERT_EQ(w->Reasons().size(), 2u);
    // (The subject is a spending one: only the expenditure type's rule is looked at.)
    const QString refused = QStringLiteral("不适用于资金性质");
    EXPECT_FALSE(w->Reasons()[0].contains(refused)) << w->Reasons()[0].toStdString();
    EXPECT_TRUE(w->Reasons()[1].contains(refused)) << w->Reasons()[1].toStdString();
}

// With bureaux kept, an operator who keeps only their own stores that bureau whatever the file
// says; otherwise the file's 所属处室 is stored.
TEST_P(Import, BureauFromTheOperatorOrFromTheFile)
{
    db.Params().BureauMode = "0";
    TbfrmMorrowell* w = OpenImport();
    ASSERT_NE(w, nullptr);
    const auto import = [&](int scope, const char* name) {
        db.Params().BureauScope = scope;
        const QString file = Write(
            name, Csv({"预算编码,科目编码,资金性质,预算来源,支出类型,指标金额,指标文号,所属处室",
                       QStringLiteral("101001001,2050202,11,21,11,1,%1,行政政法处").arg(name)}));
        ASSERT_TRUE(w->OpenFile(file));
        Wait(w);
        ASSERT_TRUE(w->ImportRows());
        Wait(w);
    };
    import(1, "own.csv");
    import(0, "file.csv");
    EXPECT_EQ(db.Scalar("select burid from busibudget where filename='own.csv'"), "02");
    EXPECT_EQ(db.Scalar("select burid from busibudget where filename='file.csv'"), "01");
}

TEST_P(Import, TenThousandGbkRowsAllOrNothing)
{
    QStringList lines{"单位名称,科目编码,资金性质,预算来源,支出类型,金额,指标文号"};
    for (int i = 0; i < 10000; ++i)
        lines << QString("教育局本级,2050202,一般公共预算资金,当年预算,基本支出,%1,文%2")
                     .arg(i % 500 == 7 ? QString("x") : QString::number(i + 1))
                     .arg(i);
    const QString file = Write("gbk.csv", ToCp936(lines.join("\n")));
    TbfrmMorrowell* w = OpenImport();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->OpenFile(file));
    Wait(w);
    ASSERT_EQ(w->Rows().Count(), 10000);
    EXPECT_EQ(w->ValidRows(), 10000 - 20);
    const int before = Count(2026);

    // A failure half-way writes nothing.
    db.Exec(GetParam() == Engine::SQLite
                ? "create trigger refuse before insert on busibudget when new.filename='文9000' "
                  "begin select raise(abort, 'refused'); end"
                : "create function refuse() returns trigger as $$ begin if new.filename='文9000' "
                  "then raise exception 'refused'; end if; return new; end $$ language plpgsql;"
                  "create trigger refuse before insert on busibudget for each row execute "
                  "function refuse()");
    ASSERT_TRUE(w->ImportRows());
    Wait(w);
    EXPECT_TRUE(messages->Texts().last().contains("refused"))
        << messages->Texts().last().toStdString();
    EXPECT_EQ(Count(2026), before);
    db.Exec(GetParam() == Engine::SQLite ? "drop trigger refuse"
                                         : "drop trigger refuse on busibudget");

    // Cancelled half-way: nothing either.
    TImportChecker checker(2026, "1");
    const TImportMapping mapping = MatchImportColumns(w->Rows().Headers);
    EXPECT_EQ(ImportBudgets(w->Rows(), mapping, checker, w->Reasons(), "预算数", "gbk.csv",
                            [](int done, int) { return done < 5000; }),
              0);
    EXPECT_EQ(Count(2026), before);
    // The checker fills only rows it found valid, of the file and mapping it checked.
    TBudget b;
    EXPECT_TRUE(checker.FillRow(w->Rows(), mapping, 0, b));
    EXPECT_FALSE(checker.FillRow(w->Rows(), mapping, 7, b)); // its amount is "x"
    TImportMapping moved = mapping;
    std::swap(moved[0], moved[1]);
    EXPECT_FALSE(checker.FillRow(w->Rows(), moved, 0, b));

    EXPECT_EQ(db.History("path='导入'"), QStringList()); // none of those two

    // Rows checked apart (this checker has not seen them) are checked again and written whole.
    TImportChecker apart(2026, "1");
    EXPECT_EQ(ImportBudgets(w->Rows(), mapping, apart, w->Reasons(), "预算数", "gbk.csv"),
              10000 - 20);
    EXPECT_EQ(Count(2026), before + 10000 - 20);
    EXPECT_EQ(db.Scalar("select count(*) from busibudgethistory where action='增加' and "
                        "path='导入' and operator='0001'"),
              QString::number(10000 - 20));
    EXPECT_EQ(db.Scalar("select max(budgid) from busibudget where datayear=2026 and filename="
                        "'文9999'"),
              QString::number(5 + 10000 - 20));

    // Closed half-way through a write (the operator cancelling it): nothing written, the
    // window and its thread gone.
    db.Exec("delete from busibudget where datayear=2026 and memoo='导入gbk.csv'");
    QPointer<TbfrmMorrowell> window = w;
    std::atomic<bool> fired{false};
    TWorkRunner::SetStepObserver([&](TWorkRunner*, const QString& phase, int done, int) {
        if (phase.startsWith(QStringLiteral("正在导入")) && done >= 2000 && !fired.exchange(true))
            QMetaObject::invokeMethod(
                window, [window] { window->close(); }, Qt::BlockingQueuedConnection);
    });
    ASSERT_TRUE(w->ImportRows());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window; }, 60000));
    TWorkRunner::SetStepObserver({});
    EXPECT_TRUE(fired);
    EXPECT_EQ(TWorkRunner::LiveThreads(), 0);
    EXPECT_EQ(Count(2026), before);
}

TEST_P(Import, BrokenWorkbooksAreNamedAndNothingIsRead)
{
    QByteArray zip;
    {
        // The start of a real workbook, cut off.
        TbfrmQuindle* list = Open();
        ASSERT_TRUE(list->Output().ExportList(dir.filePath("whole.xlsx")));
        Settle();
        CloseWindow(list);
        QFile f(dir.filePath("whole.xlsx"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        zip = f.readAll().left(600);
    }
    TbfrmMorrowell* w = OpenImport();
    ASSERT_NE(w, nullptr);
    for (const QString& path : {Write("cut.xlsx", zip), Write("text.xlsx", "not a workbook")}) {
        messages->Clear();
        EXPECT_FALSE(w->OpenFile(path));
        ASSERT_EQ(messages->Texts().size(), 1);
        EXPECT_TRUE(messages->Texts().front().contains("无法读取文件"))
            << messages->Texts().front().toStdString();
        EXPECT_EQ(w->Rows().Count(), 0);
        EXPECT_FALSE(w->Controls().tbtnImport->isEnabled());
    }

    const QString good = Write("good.csv", Csv({"预算编码,科目编码,资金性质,预算来源,支出类型,金额",
                                                "101001001,2050202,11,21,11,5"}));
    // A check that fails is said to have failed, also when the filter is changed after it.
    db.Exec("alter table busibudget rename to busibudget_away");
    messages->Clear();
    EXPECT_TRUE(w->OpenFile(good));
    Wait(w);
    ASSERT_EQ(messages->Texts().size(), 1);
    EXPECT_TRUE(messages->Texts().front().startsWith(QStringLiteral("无法读取2026年的预算指标")))
        << messages->Texts().front().toStdString();
    EXPECT_EQ(w->Controls().labStatus->text(), QStringLiteral("检查失败"));
    w->Controls().mnuErrorsOnly->trigger();
    Wait(w);
    EXPECT_EQ(w->Controls().labStatus->text(), QStringLiteral("检查失败"));
    db.Exec("alter table busibudget_away rename to busibudget");

    // A good file on a lost connection: the reason, no statuses, nothing to import.
    db.Def()->Close();
    messages->Clear();
    EXPECT_TRUE(w->OpenFile(good)); // the file is read; its check cannot start
    Wait(w);
    ASSERT_EQ(messages->Texts().size(), 1);
    EXPECT_TRUE(messages->Texts().front().startsWith(QStringLiteral("无法开始检查：")))
        << messages->Texts().front().toStdString();
    EXPECT_TRUE(w->Reasons().empty());
    EXPECT_FALSE(w->Controls().tbtnImport->isEnabled());
}

TEST_P(Import, AmountsAsShownOrRefusedWithTheirTextAndSubTypesFromTheFile)
{
    const QString row = "101001001,2050202,11,%1,11,%2,%3,%4";
    QStringList lines{"预算编码,科目编码,资金性质,预算来源,支出类型,指标金额,指标文号,指标子类型"};
    const QList<QStringList> cases = {
        {"21", "\"12,34\"", "a1", ""}, // a comma that groups nothing
        {"21", "\"1,2,3,4\"", "a2", ""},
        {"21", "\",5\"", "a3", ""},
        {"21", "1.23456", "a4", ""},
        {"21", "0.0000000012", "a7", ""},               // leading zeros are no significant digits
        {"21", "10000000000000", "a5", ""},             // past the range, one digit more
        {"21", "922337203685478", "a6", ""},            // past the 64-bit count
        {"21", "1", QString("x") + QChar(0) + "y", ""}, // cut by a C string
        {"21", "1", QString("x") + QChar(0x7f) + "y", ""},
        {"21", "\"1,234,567.50\"", "b1", ""},
        {"21", "659200.06000000009999", "b2", ""}, // a CSV of the double
        {"21", "9999999999999.99", "b3", ""},
        {"21", QStringLiteral("−5"), "b4", QStringLiteral("调整追加预算")},
        {"22", "7", "b5", QStringLiteral("调整追加预算")}, // the year before's, adjusted
        {"22", "8", "b6", QStringLiteral("结余预算")},
        {"21", "1234.559999999999999", "b7", ""}, // 15 digits carry into the fen
        {"21", "0.99999999999999999", "b8", ""},  // … and into a new first digit
    };
    for (const QStringList& c : cases)
        lines << row.arg(c[0], c[1], c[2], c[3]);
    const QString file = Write("amounts.csv", Csv(lines));
    TbfrmMorrowell* w = OpenImport();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->OpenFile(file));
    Wait(w);
    const QStringList expected = {"指标金额“12,34”不是数字",
                                  "指标金额“1,2,3,4”不是数字",
                                  "指标金额“,5”不是数字",
                                  "指标金额“1.23456”超过两位小数",
                                  "指标金额“0.0000000012”超过两位小数",
                                  "指标金额“10000000000000”金额超出范围",
                                  "指标金额“922337203685478”金额超出范围",
                                  "指标文号含有控制字符",
                                  "指标文号含有控制字符"};
    ASSERT_EQ(w->Rows().Count(), cases.size());
    for (int r = 0; r < cases.size(); ++r)
        EXPECT_TRUE(r < expected.size() ? w->Reasons()[size_t(r)].startsWith(expected[r])
                                        : w->Reasons()[size_t(r)].isEmpty())
            << r << ": " << w->Reasons()[size_t(r)].toStdString();
    ASSERT_TRUE(w->ImportRows());
    Wait(w);
    EXPECT_EQ(Stored(2026, " and filename like 'b%'"),
              (QStringList{"101001001|2050202||11|21|11|1|1|1|b1|1234567.5",
                           "101001001|2050202||11|21|11|1|1|1|b2|659200.06",
                           "101001001|2050202||11|21|11|1|1|1|b3|9999999999999.99",
                           "101001001|2050202||11|21|11|1|1|1|b7|1234.56",
                           "101001001|2050202||11|21|11|1|1|1|b8|1",
                           "101001001|2050202||11|21|11|1|2|1|b4|-5",
                           "101001001|2050202||11|22|11|1|1|1|b6|8",
                           "101001001|2050202||11|22|11|1|2|1|b5|7"}));
    // Read back, the sub-types make the same file a duplicate of itself.
    ASSERT_TRUE(w->OpenFile(file));
    Wait(w);
    EXPECT_EQ(w->ValidRows(), 0);
}

TEST_P(Import, WorkbookRowsKeepTheSheetsNumbers)
{
    // Blank lines, the header on row 3 and rows with gaps, as programs write them.
    const QString path = QStringLiteral(VW_TEST_DATA "/openpyxl/gaps-hidden-first.xlsx");
    TbfrmMorrowell* w = OpenImport();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->OpenFile(path));
    Wait(w);
    EXPECT_EQ(w->Controls().cmbSheet->currentText(), QStringLiteral("指标"));
    EXPECT_EQ(w->Rows().Lines, (std::vector<int>{4, 7, 9}));
    ASSERT_EQ(w->Reasons().size(), 3u);
    EXPECT_TRUE(w->Reasons()[1].contains(QStringLiteral("没有项目“0100000000001”")))
        << w->Reasons()[1].toStdString();
}
