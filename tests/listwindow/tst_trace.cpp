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
    trace << "--- type";
    Choose(w->cobBType, 0);
    Choose(w->cobBType, 1);
    trace << "--- source";
    Choose(w->cobbkid, 0);
    Choose(w->cobbkid, 1);
    trace << "--- money";
    Choose(w->cobMid, 0);
    trace << "--- child";
    Choose(w->cobChild, 2);
    Choose(w->cobChild, 0);
    trace << "--- radio";
    w->rgpShowEidItems[1]->click();
    trace << "--- top";
    w->trvList->setCurrentItem(w->trvList->topLevelItem(0));
    trace << "--- delete";
    w->ngdBudget->SetCells(0, 0, "True");
    w->tbtnDel->trigger();
    trace << "--- copy";
    w->ngdBudget->SetCells(0, 0, "True");
    w->N4->trigger();
    w->ngdBudget->SetCells(0, 0, "True");
    w->N5->trigger();
    SetSqlObserver({});
    QFile expected(QString(LIST_DATA_DIR "/scripted-run-%1.txt")
                       .arg(GetParam() == Engine::SQLite ? "sqlite" : "pg"));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    const QStringList want = QString::fromUtf8(expected.readAll()).split('\n');
    for (int i = 0; i < std::max(want.size(), trace.size()); ++i)
        ASSERT_EQ(trace.value(i), want.value(i)) << "statement " << i;
    // A unit click: the money kinds its rule refills, and the list.
    const qsizetype top = trace.indexOf("--- top");
    EXPECT_EQ(trace.indexOf("--- delete") - top - 1, 2);
}
