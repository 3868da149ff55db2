#include "ListFixture.h"
#include "TNextGrid.h"
#include "TTreeView.h"
#include "bwnQuindle.h"

#include <QComboBox>
#include <QFile>
#include <QRadioButton>
#include <gtest/gtest.h>

// A scripted run of the list window: tree, every filter, the radio group, the top node,
// delete and both copies. The statements it runs are fixed, byte for byte and in order.
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
    QFile out(QString("/tmp/trace-%1.txt").arg(GetParam() == Engine::SQLite ? "sqlite" : "pg"));
    out.open(QIODevice::WriteOnly);
    out.write(trace.join("\n").toUtf8());
}
