#pragma once
// New ids, system-parameter writes, item-code and secrecy checks.

#include <QString>

// The next free number of a numeric-text column ("1" when there is none).
// Raises TExceptBudgetManage when it cannot be read: an invented number could collide.
QString GetNextNumber(const QString& table, const QString& column, const QString& condition);
QString GetNewBudgId();
bool SetSysParam(const QString& name, const QString& value);
// True when the secrecy differs from the item's and the operator declined to go on.
bool CheckSecret(const QString& itemCode, const QString& secrecy);
// True when the combination breaks a rule; `message` then says why.
bool CheckItemCode(int kind, const QString& moneyKind, const QString& incomePay,
                   const QString& payKind, const QString& secrecy, const QString& itemCode,
                   QString& message);
