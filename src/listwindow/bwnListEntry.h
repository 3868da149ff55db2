#pragma once
// Adding and modifying indicators from the list window through the entry dialog.

#include "listwindow/bwnListControls.h"

#include <functional>

class TfrmBase;
class TListRows;
class TListScope;

// Opens the entry dialog pre-set from the list's filters (增加) or loaded from the selected
// indicator (修改); the list is read again (`relist`) after a save, staying on the indicator.
class TListEntry
{
public:
    TListEntry(TfrmBase* window, const TListControls& ui, const TListScope& scope, TListRows& rows,
               std::function<void()> relist);

    // 增加: the source and money kind must be chosen.
    void Add();
    // 1 when the entry dialog saved a new indicator.
    int AddIndicator();
    // 修改 of the selected row.
    void Modify();
    // 1 when the entry dialog saved the selected indicator (0 for the totals row or none).
    int ModifyIndicator();

private:
    TfrmBase* m_window;
    const TListControls& m_ui;
    const TListScope& m_scope;
    TListRows& m_rows;
    std::function<void()> m_relist;
};
