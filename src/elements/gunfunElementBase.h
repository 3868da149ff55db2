#pragma once
// Element kinds, their tree sources, and code/name lookups.

#include <QString>

// One kind of budget element: its catalogue table and columns.
struct ElementKind {
    enum Match { Equal, Contains };
    enum Condition { NoCondition, UnitPrefix, Year };
    const char* Key;
    Match MatchMode;
    const char* Caption;
    const char* IdColumn;
    const char* ParentColumn;
    const char* NameColumn;
    Condition KindCondition;
    int PreselectDepth;
    bool UnitTop; // TopId is the current unit's code without its last six characters
};

// The kind whose key the lower-cased table name equals (or contains); null when none.
const ElementKind* FindElementKind(const QString& tableName);

// " select <column> from <table> where 1=1[ and <condition>]"; the first field of the first row
// (false when there is none). A table that cannot be read raises Exception with the reason.
bool LookupValue(const QString& table, const QString& column, const QString& condition,
                 QString& value);

struct ElementSource {
    QString Source;
    QString Caption;
    QString TopId;
    int PreselectDepth = 0;
};

// The tree source of an element kind (columns id, name, pid, leafflag, tname); false when the
// table name is not an element kind. A year of 0 adds no year condition.
bool ElementTreeSource(const QString& tableName, bool inUse, int year,
                       const QString& extraCondition, ElementSource& out);

bool GetDeptName(const QString& code, QString& name);
bool GetBudgetKindId(const QString& name, QString& code);
bool GetMoneyKindId(const QString& name, QString& code);
bool GetIncomePayId(const QString& name, QString& code);
bool GetItemName(const QString& code, QString& name, int year);
// "1" unless the item has a row in that year.
void GetItemSecrecy(const QString& code, int year, QString& secrecy);
bool GetDataKindId(const QString& name, const QString& type, QString& code);
bool GetBureauId(const QString& name, QString& code);
