#include "context/untSqlTrace.h"
#include "fixtures/ListFixture.h"
#include "controls/TNextGrid.h"
#include "controls/TTreeView.h"
#include "listwindow/bwnQuindle.h"

#include <QComboBox>
#include <QFile>
#include <algorithm>
#include <QRadioButton>
#include <gtest/gtest.h>

// A scripted run of the list window: tree, every filter, the radio group, the top node,
// delete and both copies. The statements it runs are fixed, byte for byte and in order
// (recorded in data/; the filters read their codes from the lists, not by name).
TEST_P(ListFixture, ScriptedRunStatements)
{
    QStringList trace;
    SetSqlObserver([&](const SqlTraceEntry& e) { trace << e.Kind + "\t" + e.Sql; });
    TbfrmQuindle* w = Open();
    Settle();
    trace << "--- type";
    Choose(w->cobBType, 0);
    Choose(w->cobBType, 1);
    Settle();
    trace << "--- source";
    Choose(w->cobbkid, 0);
    Choose(w->cobbkid, 1);
    Settle();
    trace << "--- money";
    Choose(w->cobMid, 0);
    Settle();
    trace << "--- child";
    Choose(w->cobChild, 2);
    Choose(w->cobChild, 0);
    Settle();
    trace << "--- radio";
    w->rgpShowEidItems[1]->click();
    Settle();
    trace << "--- top";
    w->trvList->setCurrentItem(w->trvList->topLevelItem(0));
    Settle();
    trace << "--- delete";
    Settle();
    w->ngdBudget->SetCells(0, 0, "True");
    w->tbtnDel->trigger();
    Settle();
    trace << "--- copy";
    Settle();
    w->ngdBudget->SetCells(0, 0, "True");
    w->N4->trigger();
    Settle();
    w->ngdBudget->SetCells(0, 0, "True");
    w->N5->trigger();
    Settle();
    SetSqlObserver({});
    QFile expected(QString(LIST_DATA_DIR "/scripted-run-%1.txt")
                       .arg(GetParam() == Engine::SQLite ? "sqlite" : "pg"));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    const QStringList want = QString::fromUtf8(expected.readAll()).split('\n', Qt::SkipEmptyParts);
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
