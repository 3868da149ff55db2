#pragma once
// Choice-list statements and fixed lists, and the budget-subject rules.

#include <QList>
#include <QString>

// One entry of a choice list: what the operator sees and the code behind it.
struct TChoice {
    QString Name;
    QString Code;
};
// A fixed list with the entry the context selects (-1: none).
struct TChoiceList {
    QList<TChoice> Entries;
    int Selected = -1;
};

// The entry that means "no restriction" (its code is empty).
QString AllEntryText();

// The statements of the choice lists (columns id and name; leaf elements only).
QString MoneyKindsSql(int listType, bool descending, const QString& extraCondition);
QString IncomePayTypesSql(int listType, const QString& extraCondition, bool descending);
QString BudgetKindsSql(int listType, const QString& extraCondition);
QString DataKindsSql(int dataKindType, const QString& extraCondition);
QString BureauxSql(const QString& extraCondition);
// The rows of such a statement in query order; false when it cannot be opened.
bool ReadChoices(const QString& sql, QList<TChoice>& choices);

// Secrecy "密"/"非密" (codes "0"/"1"), "<全部>" last; "非密" selected for a unit whose flag is "1".
TChoiceList SecrecyChoices(bool withAll);
// 控制数/预算数[/临时指标] (codes "0"/"1"/"2") with the default type selected.
TChoiceList IndicatorTypeChoices(bool withAll, bool withTemporary);

bool SubjectTypesExist(int year);
QString SubjectTypeCondition(const QString& moneyKindCode);

struct SubjectSource {
    QString Table;
    int Year = 0;
    QString ExtraCondition;
};
// The subject table text (PubSubject, or the derived table of typed leaves and their
// ancestors) with its year and extra condition, for the selection dialog.
SubjectSource SubjectSelectionSource(int year, const QString& incomePayCode,
                                     const QString& moneyKindCode, bool inUse,
                                     const QString& extraCondition);

class TSqlDialect;
// The derived table of the typed leaf subjects of a year and all their ancestors.
QString SubjectDerivedTable(int year, const QString& moneyKindCode, bool inUse,
                            const TSqlDialect& d);

// The condition of the budget-item selection: item kind by mode ("0" ordinary items without
// the reserved salary codes of the working year, "1" only those, "2" every item), the unit's
// items when items are per unit, the pid flag, the year (0: working year) and the secrecy.
QString ItemSelectionCondition(const QString& unitCode, const QString& mode, const QString& pidFlag,
                               int year, const QString& secrecy);
// The tree source of the item dialog over vwBudgetItem (items per unit) or PubItem, narrowed
// by the data kind's code, a code prefix and a part of the name (each when not empty).
QString ItemTreeSource(const QString& dataKindCode, const QString& codePrefix,
                       const QString& namePart, const QString& filter, const TSqlDialect& d);

bool GetSubjectName(const QString& code, QString& name, const QString& incomePayCode,
                    const QString& moneyKindCode, int year, const QString& extraCondition,
                    bool leafOnly);
