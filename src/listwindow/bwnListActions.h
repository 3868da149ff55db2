#pragma once
// What the operator does to the list's indicators: add, modify, delete, copy amounts, carry,
// history.

#include "listwindow/bwnListControls.h"

#include <QString>
#include <functional>

class TfrmBase;
class TListRows;
class TListScope;
struct TBulkResult;

// The list window's actions on indicators. Each that changes stored indicators reads the list
// again (`relist`) when something changed.
class TListActions
{
public:
    TListActions(TfrmBase* window, const TListControls& ui, TListScope& scope, TListRows& rows,
                 std::function<void()> relist);

    // 增加: the source and money kind must be chosen.
    void Add();
    // 1 when the entry dialog saved a new indicator.
    int AddIndicator();
    // 修改 of the selected row.
    void Modify();
    // 1 when the entry dialog saved the selected indicator (0 for the totals row or none).
    int ModifyIndicator();
    // 删除 of the marked rows, after asking when the settings say so.
    void Delete();
    // 全选 / 全清.
    void MarkAll(bool marked);
    // The marked rows' control amounts from their entered (or else their finance) amounts.
    void CopyAmounts(bool fromEntered);
    // Carries last year's indicators of the listed scope into the working year, after asking.
    void Carry();
    // 指标历史 of the selected indicator.
    void History();
    // 已删除的指标 of the working year and the listed unit scope, with 恢复.
    void Deleted();

private:
    void BulkFinished(const TBulkResult& r, const QString& success, const QString& what);

    TfrmBase* m_window;
    const TListControls& m_ui;
    TListScope& m_scope;
    TListRows& m_rows;
    std::function<void()> m_relist;
};
