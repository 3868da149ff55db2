#pragma once
// The entry dialog's checks of 确定, in their order, with the first problem's message.

#include "budget/gunBudget.h"
#include "entrydialog/rwnEntryControls.h"

#include <QString>

class QWidget;
class TAmountEntry;

// The caption of an element edit (功能分类 or 收入分类, 预算项目), as messages name it.
QLabel* LabelOf(const TEntryControls& ui, const TElementEdit* edit);

// Reads the lists into the record and checks it: the choices, the subject and item, the
// amount, and (for CheckInput) that no indicator alike is stored. Each returns false with its
// message shown and the focus on the control to correct.
class TEntryChecks
{
public:
    TEntryChecks(QWidget* dialog, const TEntryControls& ui, TBudget& record,
                 const QString& moneyKindCode, const bool& adding, const TAmountEntry& amount);

    // The codes of the lists, the secrecy, the sub-type and the document number into the
    // record.
    void CopyListsToBudget();
    // Every check but the duplicate test.
    bool CheckInputFields();
    bool CheckInput();
    bool ExistsSameBudget() const;

private:
    bool CheckChoices();
    bool CheckElements();
    bool AskFor(TElementEdit* edit); // "请输入" and its label, focus on it; false

    QWidget* m_dialog;
    const TEntryControls& m_ui;
    TBudget& m_record;
    const QString& m_moneyKindCode;
    const bool& m_adding;
    const TAmountEntry& m_amount;
};
