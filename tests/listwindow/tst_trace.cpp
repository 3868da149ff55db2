#include "context/untSqlTrace.h"
#include "fixtures/ListFixture.h"
#include "controls/PBNumEdit.h"
#include "controls/TElementEdit.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "entrydialog/rwnInputEdit.h"
#include "listwindow/bwnQuindle.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace
{
// The entry dialog answered by `fill` and 确定, the save waited for.
void DriveEntry(TApplication& app, std::function<void(TrfrmInputEdit*)> fill)
{
    app.SetModalDriver([fill](QDialog* d) {
        d->show();
        QApplication::setActiveWindow(d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(d)); // focus moves as typed, not later
        if (auto* e = qobject_cast<TrfrmInputEdit*>(d)) {
            fill(e);
            e->Buttons().btnOK->click();
            EXPECT_TRUE(QTest::qWaitFor([e] { return !e->WorkRunning(); }, 30000));
            EXPECT_TRUE(e->Saved());
        }
        d->hide();
        return d->result();
    });
}

void TypeInto(QWidget* w, const char* keys)
{
    w->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(w))
        line->selectAll();
    QTest::keyClicks(w, keys);
    QTest::keyClick(w, Qt::Key_Tab);
}
} // namespace

// A scripted run of the list window: add and modify, tree, every filter, the radio group, the
// top node, delete, both copies and an export. The statements it runs are fixed, byte for byte and
// in order (recorded in data/; the filters read their codes from the lists, not by name).
TEST_P(ListFixture, ScriptedRunStatements)
{
    QStringList trace;
    SetSqlObserver([&](const SqlTraceEntry& e) { trace << e.Kind + "\t" + e.Sql; });
    TbfrmQuindle* w = Open();
    Settle();
    trace << "--- add";
    DriveEntry(hostApp, [](TrfrmInputEdit* d) {
        d->Controls().cmbipid->setCurrentIndex(1);
        emit d->Controls().cmbipid->activated(1);
        TypeInto(d->Controls().edtbid, "2050202");
        TypeInto(d->Controls().edtiid, "1101001000001");
        TypeInto(d->Controls().pbedtMoney, "3");
        TypeInto(d->Controls().edtFileName, "T-9");
    });
    w->Controls().tbtnAdd->trigger();
    Settle();
    trace << "--- modify";
    DriveEntry(hostApp, [](TrfrmInputEdit* d) { TypeInto(d->Controls().pbedtMoney, "4"); });
    w->Controls().tbtnMod->trigger(); // the indicator just added is the selected row
    Settle();
    trace << "--- type";
    Choose(w->Controls().cobBType, 0);
    Choose(w->Controls().cobBType, 1);
    Settle();
    trace << "--- source";
    Choose(w->Controls().cobbkid, 0);
    Choose(w->Controls().cobbkid, 1);
    Settle();
    trace << "--- money";
    Choose(w->Controls().cobMid, 0);
    Settle();
    trace << "--- child";
    Choose(w->Controls().cobChild, 2);
    Choose(w->Controls().cobChild, 0);
    Settle();
    trace << "--- radio";
    w->Controls().rgpShowEidItems[1]->click();
    Settle();
    trace << "--- top";
    w->Panes().trvList->setCurrentItem(w->Panes().trvList->topLevelItem(0));
    Settle();
    trace << "--- delete";
    Settle();
    w->Controls().ngdBudget->SetCells(0, 0, "True");
    w->Controls().tbtnDel->trigger();
    Settle();
    trace << "--- copy";
    Settle();
    w->Controls().ngdBudget->SetCells(0, 0, "True");
    w->Controls().N4->trigger();
    Settle();
    w->Controls().ngdBudget->SetCells(0, 0, "True");
    w->Controls().N5->trigger();
    Settle();
    trace << "--- export";
    QTemporaryDir dir;
    ASSERT_TRUE(w->Output().ExportList(dir.filePath("list.csv")));
    Settle();
    SetSqlObserver({});
    // Today's date and time stand in the saved rows.
    trace.replaceInStrings(QRegularExpression(R"(\d{4}-\d\d-\d\d( \d\d:\d\d:\d\d(\.\d+)?)?)"),
                           QStringLiteral("<now>"));
    QFile expected(QString(LIST_DATA_DIR "/scripted-run-%1.txt")
                       .arg(GetParam() == Engine::SQLite ? "sqlite" : "pg"));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    QStringList want = QString::fromUtf8(expected.readAll()).split('\n', Qt::SkipEmptyParts);
    // The entry dialog checks a subject or an item when its field is left, which the window
    // system may tell it a little later: within a step those reads count, not their place.
    const auto fieldChecksLast = [](const QStringList& lines) {
        static const QRegularExpression check(QStringLiteral("from pub(subject|item) "),
                                              QRegularExpression::CaseInsensitiveOption);
        QStringList out, checks;
        for (const QString& line : lines + QStringList{QStringLiteral("---")}) {
            if (line.contains(check)) {
                checks << line;
                continue;
            }
            if (line.startsWith("---")) {
                checks.sort();
                out << checks;
                checks.clear();
            }
            out << line;
        }
        out.removeLast();
        return out;
    };
    trace = fieldChecksLast(trace);
    want = fieldChecksLast(want);
    // The list is read beside the window, so within a step its statement may come before or
    // after the window's own: each kind keeps its order, and each step its statements.
    auto list = [](const QString& line) { return line.contains("from vwBudget"); };
    auto steps = [](const QStringList& lines) {
        QStringList counts;
        int n = 0;
        for (const QString& line : lines) {
            if (line.startsWith("---")) {
                counts << QString::number(n);
                n = 0;
            } else {
                ++n;
            }
        }
        return counts << QString::number(n);
    };
    auto only = [](const QStringList& lines, auto keep) {
        QStringList kept;
        for (const QString& line : lines)
            if (keep(line))
                kept << line;
        return kept;
    };
    EXPECT_EQ(only(trace, list), only(want, list));
    const auto other = [&](const QString& line) { return !list(line); };
    const QStringList traceOther = only(trace, other), wantOther = only(want, other);
    for (int i = 0; i < std::max(wantOther.size(), traceOther.size()); ++i)
        ASSERT_EQ(traceOther.value(i), wantOther.value(i)) << "statement " << i;
    EXPECT_EQ(steps(trace), steps(want));
    // A unit click: the money kinds its rule refills, and the list.
    const qsizetype top = trace.indexOf("--- top");
    EXPECT_EQ(trace.indexOf("--- delete") - top - 1, 2);
}
