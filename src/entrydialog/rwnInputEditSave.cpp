// The entry dialog's OK: the checks in their order, then the save with the duplicate test.
#include "entrydialog/rwnInputEdit.h"

#include "basewindows/wnWorkProgress.h"
#include "budget/gunBudgetSave.h"
#include "budget/gunFunCheck.h"
#include "context/untWorkContext.h"
#include "controls/PBNumEdit.h"
#include "controls/TElementEdit.h"
#include "elements/gunfunElement.h"
#include "platform/untApplication.h"
#include "support/gunChoiceCombo.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace
{
// A save that takes longer than this waits for the lock: the wait is shown.
constexpr int kShowWaitAfterMillis = 300;
} // namespace

// Completes the record from the dialog, then tests for a duplicate and inserts or updates it,
// all in one write transaction beside the dialog, so two operators cannot both store the same
// indicator or draw the same id. Waiting for the writers' lock (another operator's import or
// carry) shows the wait with 取消 after a moment; the dialog never freezes.
bool TrfrmInputEdit::SaveBudget()
{
    m_budget.BurId.clear();
    if (SysParams().BureauMode == QLatin1String("0"))
        m_budget.BurId = SysParams().BureauScope == 1 ? CurrentUserText(7) : ComboCode(cmbBurId);
    m_checks->CopyListsToBudget();         // as OK checked them
    m_budget.BudgMoney = m_amount->Yuan(); // converted once, exact from here on
    m_budget.InputMoney = m_budget.BudgMoney;
    m_budget.UserId = CurrentUserCode();
    struct Save {
        TBudget Record;
        TSaveOutcome Outcome = TSaveOutcome::Saved;
    };
    auto save = std::make_shared<Save>();
    save->Record = m_budget; // a failed try leaves the dialog's record as it was
    auto job = [save, adding = m_adding, caption = m_typeCaption,
                stored = m_stored](TWorkControl& control) {
        control.Phase(QStringLiteral("等待其他操作员的保存…"));
        TBudgetManage store;
        save->Outcome =
            SaveBudgetChecked(store, save->Record, adding, caption, stored ? &*stored : nullptr);
        return true;
    };
    return Work()->Run(
        QStringLiteral("保存"), job,
        [this, save](TWorkOutcome outcome, const QString& error) {
            if (outcome == TWorkOutcome::Failed) // the store's message; another try is possible
                ShowMessage(error, CaptionRefuse(), MsgIcon::Error);
            if (outcome != TWorkOutcome::Done)
                return;
            if (save->Outcome == TSaveOutcome::Duplicate) {
                ShowMessage(QStringLiteral("本单位已经存在相同属性的预算指标，不能重复录入！"),
                            CaptionRefuse(), MsgIcon::Error);
                return;
            }
            m_budget = save->Record;
            m_saved = true;
            done(mrOk);
        },
        TWindowWork::Connection::Needed, kShowWaitAfterMillis);
}

void TrfrmInputEdit::btnOKClick()
{
    // Alt+E and Enter press OK without leaving the edit: a code typed last is taken as a click
    // would take it, by leaving its edit (named, or refused with the focus back on it).
    if (auto* edit = qobject_cast<TElementEdit*>(focusWidget()); edit && edit->hasFocus()) {
        btnOK->setFocus(Qt::OtherFocusReason);
        if (!btnOK->hasFocus())
            return;
    }
    // The checks in their order; the duplicate test, last of them, runs with the save inside
    // its write transaction.
    if (m_checks->CheckInputFields())
        SaveBudget();
}
