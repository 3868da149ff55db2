#pragma once
// The list statement, the unit tree source and the list's column definitions.

#include "support/gunNextGridManager.h"
#include "context/untSqlDialect.h"

#include <QList>
#include <QString>

// What the indicator list is restricted to.
struct ListFilter {
    int DataYear = 0;
    QString BTypeIndex;     // "0", "1" or "2"
    QString BureauMode;     // "0": indicators carry a bureau
    int BureauScope = 0;    // 1: the operator's own bureau only
    QString OperatorBureau; // the operator's bureau code
    QString MoneyKindCode;  // empty: all
    QString SourceCode;     // empty: all
    bool SubTypeShown = false;
    int SubTypeIndex = 0; // 0 "<全部>", 1 年初预算, 2 调整追加预算
    QString UnitCode;     // eid prefix
    // Narrower scopes a summary's group opens the list on (empty: none).
    QString ExpenseTypeCode; // ipid
    QString SubjectPrefix;   // bid prefix
    QString EntryMonth;      // the month of inputdate, "2026-03"
};

// The list's conditions from " where" on; the column names are those of busibudget and vwBudget
// alike, so a statement over either reads the same indicators.
QString ListWhere(const ListFilter& filter, const TSqlDialect& dialect);
// The list statement over vwBudget.
QString ListStatement(const ListFilter& filter, const TSqlDialect& dialect);
// The unit tree source under the unit prefix; only units entered for others when asked.
QString UnitTreeSource(const QString& prefix, bool entrustedOnly, const TSqlDialect& dialect);
// The 36 columns of the list; the bureau name is shown only when indicators carry a bureau.
QList<TGridFieldDef> ListColumnDefinitions(const QString& bureauMode);
