#pragma once
// Drop-down lists filled from the choice lists; every entry keeps its code beside its text.

#include <QString>

class QComboBox;
struct TChoiceList;

// Fills the combo with the "name" column of the query, each entry carrying its "id";
// "<全部>" (code empty) first with `withAll`; entry 0 selected. An empty or failed query leaves
// the list empty with nothing selected. Returns the number of rows.
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
void FillFixedList(QComboBox* combo, const TChoiceList& list);

// The code of the chosen entry; empty for "<全部>" or when nothing is chosen.
QString ComboCode(const QComboBox* combo);
// Selects the entry with this text (none when it is absent); returns its index or -1.
int SelectComboText(QComboBox* combo, const QString& text);
// Selects the entry with this code (none when it is absent); returns its index or -1.
int SelectComboCode(QComboBox* combo, const QString& code);
