#include "support/gunChoiceCombo.h"

#include "elements/gunfunElement.h"

#include <QComboBox>
#include <QSignalBlocker>

int FillComboByQuery(QComboBox* combo, const QString& sql, bool withAll)
{
    QList<TChoice> choices;
    const bool opened = ReadChoices(sql, choices);
    const QSignalBlocker block(combo); // a fill is no change of the operator's
    combo->clear();
    if (!opened || choices.isEmpty())
        return 0;
    if (withAll)
        combo->addItem(AllEntryText(), QString());
    for (const TChoice& c : choices)
        combo->addItem(c.Name, c.Code);
    combo->setCurrentIndex(0);
    return int(choices.size());
}

int FillMoneyKinds(QComboBox* combo, bool withAll, int listType, bool descending,
                   const QString& extraCondition)
{
    return FillComboByQuery(combo, MoneyKindsSql(listType, descending, extraCondition), withAll);
}

int FillIncomePayTypes(QComboBox* combo, bool withAll, int listType, const QString& extraCondition,
                       bool descending)
{
    return FillComboByQuery(combo, IncomePayTypesSql(listType, extraCondition, descending),
                            withAll);
}

int FillBudgetKinds(QComboBox* combo, bool withAll, int listType, const QString& extraCondition)
{
    return FillComboByQuery(combo, BudgetKindsSql(listType, extraCondition), withAll);
}

int FillDataKinds(QComboBox* combo, bool withAll, int dataKindType, const QString& extraCondition)
{
    return FillComboByQuery(combo, DataKindsSql(dataKindType, extraCondition), withAll);
}

int FillBureaux(QComboBox* combo, bool withAll, const QString& extraCondition)
{
    return FillComboByQuery(combo, BureauxSql(extraCondition), withAll);
}

void FillFixedList(QComboBox* combo, const TChoiceList& list)
{
    const QSignalBlocker block(combo);
    combo->clear();
    for (const TChoice& c : list.Entries)
        combo->addItem(c.Name, c.Code);
    combo->setCurrentIndex(list.Selected);
}

void FillSecrecy(QComboBox* combo, bool withAll)
{
    FillFixedList(combo, SecrecyChoices(withAll));
}

void FillIndicatorTypes(QComboBox* combo, bool withAll, bool withTemporary)
{
    FillFixedList(combo, IndicatorTypeChoices(withAll, withTemporary));
}

QString ComboCode(const QComboBox* combo)
{
    return combo->currentIndex() < 0 ? QString() : combo->currentData().toString();
}

int SelectComboText(QComboBox* combo, const QString& text)
{
    const int index = combo->findText(text, Qt::MatchExactly);
    combo->setCurrentIndex(index);
    return index;
}

int SelectComboCode(QComboBox* combo, const QString& code)
{
    int index = -1;
    for (int i = 0; i < combo->count() && index < 0; ++i)
        if (combo->itemData(i).toString() == code)
            index = i;
    combo->setCurrentIndex(index);
    return index;
}
