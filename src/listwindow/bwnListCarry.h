#pragma once
// Carrying last year's indicators of the listed scope into the working year, beside the list.

#include "listwindow/bwnListControls.h"
#include "support/untWorkRunner.h"

#include <QString>
#include <functional>

class TfrmBase;
class TListRows;
class TListScope;
class TWindowWork;

struct TCarryRequest {
    int ToYear = 0;
    QString IdsSql; // the list's statement over the year before
    QString Scope;  // “unit”type, as the question names it
};

struct TCarryResult {
    TWorkOutcome Work = TWorkOutcome::Done;
    QString Error;
    QString Nothing; // there was nothing to carry: why
    bool Declined = false;
    int Planned = 0; // as the operator was told
    int Written = 0;
};

// What the operator is told of a carry written: with those another wrote meanwhile.
QString CarriedText(const TCarryResult& r, int toYear);

// On the window's work: reads the plan (读取), asks the operator with its figures, and writes
// it in one transaction (写入). A cancel in either phase writes nothing. `done` runs on the
// window's thread; false when the work could not start.
bool StartCarry(TWindowWork* work, const TCarryRequest& request,
                std::function<void(const TCarryResult&)> done);

// 结转上年指标 of the list window: last year's indicators of the scope listed, after asking;
// the list is read again (`relist`) when some were written.
class TListCarry
{
public:
    TListCarry(TfrmBase* window, const TListControls& ui, const TListScope& scope,
               const TListRows& rows, std::function<void()> relist);

    // Asks, then writes beside the window; the outcome is said.
    void Start();

private:
    TfrmBase* m_window;
    const TListControls& m_ui;
    const TListScope& m_scope;
    const TListRows& m_rows;
    std::function<void()> m_relist;
};
