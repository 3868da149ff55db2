#pragma once
// The indicator list window: unit tree, filters, the list with totals and its actions.

#include "basewindows/wnBsTrvTC.h"
#include "listwindow/bwnListActions.h"
#include "listwindow/bwnListCarry.h"
#include "listwindow/bwnListControls.h"
#include "listwindow/bwnListEntry.h"
#include "listwindow/bwnListOutput.h"
#include "listwindow/bwnListRows.h"
#include "listwindow/bwnListScope.h"

#include <functional>
#include <memory>

class QTreeWidgetItem;
class TListLayout;

// The indicator list window "预算指标录入": builds its controls and wires them to its concerns —
// the scope (unit and filters), the rows (read beside the window), the entry of an indicator
// (add, modify), the actions on marked rows, the carry, the output (export, print, PDF) and
// the layout.
class TbfrmQuindle : public TfrmBsTrvTC, private TListControls
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TbfrmQuindle(QObject* owner);
    ~TbfrmQuindle() override;

    const TListControls& Controls() const { return *this; }
    TListScope& Scope() const { return *m_scope; }
    TListRows& Rows() const { return *m_rows; }
    TListEntry& Entry() const { return *m_entry; }
    TListActions& Actions() const { return *m_actions; }
    TListCarry& Carry() const { return *m_carry; }
    TListOutput& Output() const { return *m_output; }

    // Reads the list of the scope as it stands.
    void RunListQuery();
    // Lists the scope given (a summary's group): its filters and unit are chosen, and its
    // narrower restrictions (expenditure type, subject, month) hold until the operator picks
    // another unit or filter. False (nothing changed) while the window's work runs.
    bool ShowScope(const ListFilter& filter, const QString& unitName, const QString& caption);
    // What 汇总分析 opens, set where the windows are registered: the list's own files do not
    // know the summary window, which opens lists in its turn.
    static void SetSummaryOpener(std::function<void(TbfrmQuindle* list)> opener);

signals:
    void ListRowsArrived(int rowsRead);
    // The list is complete (or could not be read).
    void ListFilled();

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormClose() override;

private:
    void BuildToolBarAndMenus();
    void BuildLeftPanel();
    void BuildFilterPanel();
    void BuildGrid();
    void Wire(QAction* action, std::function<void()> handler);
    void UpdateActionStates();
    void UnitChosen(QTreeWidgetItem* node);
    void ImportInstead();

    std::unique_ptr<TListScope> m_scope;
    std::unique_ptr<TListRows> m_rows;
    std::unique_ptr<TListEntry> m_entry;
    std::unique_ptr<TListActions> m_actions;
    std::unique_ptr<TListCarry> m_carry;
    std::unique_ptr<TListOutput> m_output;
    std::unique_ptr<TListLayout> m_layout;
    bool m_shown = false;
};

// Registers the window class with the plug-in's class registry.
void RegisterListWindow();
// Asks the host for a sibling plug-in's window through its exported ShowAWindow.
void OpenSiblingWindow(const QString& libraryName, const QString& className);
