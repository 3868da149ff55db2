#pragma once
// The SQL trace: every statement opened or executed, with its outcome.

#include <QString>
#include <functional>

// One traced statement. Connection is the registry's name of the connection ("Def").
struct SqlTraceEntry {
    QString Connection;
    QString Kind; // open | exec
    bool Ok;
    QString Error;
    QString Sql;
    bool Cancelled = false; // stopped on request before its end (Ok stays true)
};
using SqlObserver = std::function<void(const SqlTraceEntry&)>;

// An in-process observer (tests count and compare statements with it).
void SetSqlObserver(SqlObserver observer);
// Hands the entry to the observer and appends it to the file named by VESPERWALD_SQL_TRACE as
// "<ISO time>\t<connection>\t<open|exec>\t<ok|cancelled|error: message>\t<sql>".
void TraceSql(const SqlTraceEntry& entry);
// Whether an observer or a trace file takes entries (costly details can be left out otherwise).
bool SqlTraceWanted();
