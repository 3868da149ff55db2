#pragma once
// The host's working context, read from the database.

#include "context/untWorkContext.h"

#include <QString>

struct HostOptions {
    QString Connection;
    int Year = 0; // 0: the database's CurrentYear parameter, else this year
    QString User; // empty: "admin"
    QString Unit; // empty: the operator's own unit
};

// A data year given on the command line: four digits, or false with the reason.
bool ParseDataYear(const QString& text, int* year, QString* error);

// The working context the host owns and hands to the plug-in.
class HostContext
{
public:
    HostContext();
    HostContext(const HostContext&) = delete;
    HostContext& operator=(const HostContext&) = delete;

    // Connects, checks the schema and reads parameters, operator and unit.
    // False with a message for the operator when any of it fails.
    bool Load(const HostOptions& options, QString* error);

    TWorkContext* Context() { return &m_context; }
    TDbManager& DbManager() { return m_db; }
    TSysParams& SysParams() { return m_params; }
    QString UserName() const { return m_userName; }
    QString UnitName() const { return m_unitName; }
    // The database as the status bar names it: the engine and, for SQLite, its journal mode.
    QString DatabaseText();
    // What the operator must be told about the connection's guarantees, once (empty: nothing).
    QString TakeNotice();

private:
    bool LoadParams(TAdoConn* conn, const HostOptions& options, QString* error);
    bool LoadUser(TAdoConn* conn, const QString& user, QString* error);
    bool LoadUnit(TAdoConn* conn, const QString& unit, QString* error);

    TDbManager m_db;
    TSysParams m_params;
    TRecordObject m_user;
    TRecordObject m_unit;
    TWorkContext m_context;
    QString m_userName;
    QString m_unitName;
};
