#pragma once
// The entry dialog's amount: typed in 元 or 万元, kept exact in yuan.

#include "entrydialog/rwnEntryControls.h"
#include "platform/untCurrency.h"

#include <optional>

// The amount edit and its unit list. An amount handed in stays exact until the operator types
// another; switching units changes only how it is shown.
class TAmountEntry
{
public:
    explicit TAmountEntry(const TEntryControls& ui);

    // The unit last chosen (the settings') and the edit's range in it.
    void Start();
    void SetYuan(Currency yuan);
    Currency Yuan() const;
    // The least amount the operator may enter (the product's range otherwise).
    void SetMinimum(Currency yuan);
    int UnitInForce() const { return m_unit; }
    // An amount handed in, shown in the unit in force.
    void Show();
    // The operator typed: the text is the amount from now on.
    void OperatorTyped() { m_exactYuan.reset(); }
    // The unit list's choice.
    void UnitChanged();
    // False, with the reason said and the focus on the edit, for no amount, one out of range or
    // a negative one where only an adjustment (`bTypeChild` "2") may be negative.
    bool Check(const QString& bTypeChild) const;

private:
    void ApplyRange();

    const TEntryControls& m_ui;
    int m_unit = 0; // 0 元, 1 万元
    std::optional<Currency> m_exactYuan;
    Currency m_minimum = Currency::FromRaw(-Currency::kLimitRaw);
};
