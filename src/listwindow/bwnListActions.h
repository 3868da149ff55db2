#pragma once
// What the operator does to the list's marked rows (delete, copy amounts) and the history of
// its indicators.

#include "listwindow/bwnListControls.h"

#include <QString>
#include <functional>

class TfrmBase;
class TListRows;
class TListScope;
struct TBulkResult;

// The list window's actions on its marked rows and the history of its indicators. Each that
// changes stored indicators reads the list again (`relist`) when something changed.
class TListActions
{
public:
    TListActions(TfrmBase* window, const TListControls& ui, const TListScope& scope,
                 TListRows& rows, std::function<void()> relist);

    // 删除 of the marked rows, after asking when the settings say so.
    void Delete();
    // 全选 / 全清.
    void MarkAll(bool marked);
    // The marked rows' control amounts from their entered (or else their finance) amounts.
    void CopyAmounts(bool fromEntered);
    // 指标历史 of the selected indicator.
    void History();
    // 已删除的指标 of the working year and the listed unit scope, with 恢复.
    void Deleted();

private:
    void BulkFinished(const TBulkResult& r, const QString& success, const QString& what);

    TfrmBase* m_window;
    const TListControls& m_ui;
    const TListScope& m_scope;
    TListRows& m_rows;
    std::function<void()> m_relist;
};
