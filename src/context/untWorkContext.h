#pragma once
// The working context as the library reads it, and SQL on the default connection "Def".

#include "context/untAdodbIsomer.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

// One item of a host record object.
struct TRecordItem {
    QVariant Value; // null, a number or a text
};

// A host record object (operator, unit): an indexed list of items.
class TRecordObject
{
public:
    TRecordItem* Items(int index);
    void SetValue(int index, const QVariant& value) { Items(index)->Value = value; }

private:
    std::vector<std::unique_ptr<TRecordItem>> m_items;
};

// The host's system parameters, as far as the library reads them.
struct TSysParams {
    QString ConfirmDelete;    // "1": ask before deleting
    int DefaultBType = 0;     // index of the default indicator type
    QString ShowSuccessMsg;   // "1": confirm successful deletes and copies
    QString DeptLevelFlag;    // "1": department-level unit rule on
    QString StatusFlag;       // status of a new indicator (with BureauScope)
    QString BureauMode;       // "0": indicators carry a bureau
    int BureauScope = 0;      // 1: the operator's own bureau
    int DefaultMoneyUnit = 0; // 0 yuan, 1 ten thousand yuan
    QString UnitItemsFlag;    // "1": budget items per unit
    QString ItemPidFlag;      // "1": items may be restricted to pid "1"
};

// The host's working context (field order is part of the host interface).
struct TWorkContext {
    qint32 DataYear = 0;
    TDbManager* DbManager = nullptr;
    void* Reserved = nullptr;
    TRecordObject* CurrentUser = nullptr;
    TSysParams* SysParams = nullptr;
    TRecordObject* CurrentUnit = nullptr;
};

// The working context of the current call: the plug-in entry keeps the host's record here
// before any window exists (the host's tools and tests set it directly).
TWorkContext* WorkContext();
TWorkContext* CurrentWorkContext();
void SetCurrentWorkContext(TWorkContext* context);

QString ItemText(TRecordItem* item);
QString CurrentUserCode();
// Item texts of the current unit and operator (empty without one).
QString CurrentUnitText(int index);
QString CurrentUserText(int index);
// The given year, or the working data year for 0.
int WorkingDataYear(int year = 0);
// The system parameters (defaults when the context has none).
TSysParams& SysParams();
QString TodayText();
bool IsDeptLevelUnit();
// False when the unit list cannot be read, so that the tree is shown.
bool HasFewDeptUnits();

using TQueryRef = TIntfPtr<TARQuery>;

// The connection "Def" of the manager (created from its connection string on first use), or
// on a worker thread the connection its TDefConnectionScope gave it.
TAdoConn* GetDefConnection();

// Makes a connection of the calling thread its "Def" while the scope lasts: a worker's own
// connection, so that the functions that run SQL on "Def" run it there (a Qt connection never
// crosses threads).
class TDefConnectionScope
{
public:
    explicit TDefConnectionScope(TAdoConn* conn);
    ~TDefConnectionScope();
    TDefConnectionScope(const TDefConnectionScope&) = delete;
    TDefConnectionScope& operator=(const TDefConnectionScope&) = delete;

private:
    TAdoConn* m_previous;
};
// The dialect of "Def" (the fallback without a connection).
TSqlDialect DefDialect();
// Never raise: false on any error, and `query` keeps what it held; the error's message stays
// on the connection (LastDbError).
bool OpenSql(const QString& sql, TQueryRef& query);
bool ExecSql(const QString& sql);
// The message of the last failed statement on "Def" (a missing connection says so).
QString LastDbError();
// Frees a query nobody else references.
void DropQuery(TARQuery* query);
