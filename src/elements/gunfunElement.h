#pragma once

#include <QString>

class QComboBox;

// Fills the combo with the "name" column of the query; "<全部>" first with `withAll`.
// Entry 0 is selected. An empty or failed query leaves the list empty with nothing selected.
int FillComboByQuery(QComboBox* combo, const QString& sql, bool withAll);

int FillMoneyKinds(QComboBox* combo, bool withAll, int listType, bool descending,
                   const QString& extraCondition);
int FillIncomePayTypes(QComboBox* combo, bool withAll, int listType, const QString& extraCondition,
                       bool descending);
int FillBudgetKinds(QComboBox* combo, bool withAll, int listType, const QString& extraCondition);
int FillDataKinds(QComboBox* combo, bool withAll, int dataKindType, const QString& extraCondition);
int FillBureaux(QComboBox* combo, bool withAll, const QString& extraCondition);
void FillSecrecy(QComboBox* combo, bool withAll);
void FillIndicatorTypes(QComboBox* combo, bool withAll, bool withTemporary);

// The entry that means "no restriction".
QString AllEntryText();

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

bool GetSubjectName(const QString& code, QString& name, const QString& incomePayCode,
                    const QString& moneyKindCode, int year, const QString& extraCondition,
                    bool leafOnly);
