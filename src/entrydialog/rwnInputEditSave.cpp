// The entry dialog's OK: the checks in their order, the duplicate test and the save.
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

void TrfrmInputEdit::CopyListsToBudget()
{
    Budget.Mid = MoneyKindCode;
    Budget.IPid = ComboCode(cmbipid);
    Budget.Bkid = ComboCode(cmbbkid);
    Budget.IsSecret = QString::number(cmbSecret->currentIndex());
    if (!plChild->isHidden() && cmbChild->currentIndex() >= 0)
        Budget.BTypeChild = QString::number(cmbChild->currentIndex() + 1);
    Budget.FileName = edtFileName->text().trimmed();
}

// A stored secrecy or sub-type that is no number opened with nothing chosen: the operator
// chooses before the indicator is saved (a sub-type that is only shown keeps its value).
bool TrfrmInputEdit::CheckChoices()
{
    for (QComboBox* list : {cmbSecret, cmbChild}) {
        if (list->currentIndex() >= 0 || !list->isEnabled() || !list->isVisibleTo(this))
            continue;
        list->setFocus();
        ShowMessage(QStringLiteral("请选择") + (list == cmbSecret ? Label3 : Label2)->text(),
                    CaptionInfo(), MsgIcon::Information);
        return false;
    }
    return true;
}

bool TrfrmInputEdit::AskFor(TElementEdit* edit)
{
    edit->setFocus();
    ShowMessage(QStringLiteral("请输入") + LabelOf(edit)->text(), CaptionInfo(),
                MsgIcon::Information);
    return false;
}

bool TrfrmInputEdit::CheckElements()
{
    // The unit is supplied by the opener (its edit is always disabled); then subject, item.
    const auto missing = [](const TElementEdit* edit) {
        return edit->isEnabled() && edit->text().trimmed().isEmpty();
    };
    if (missing(edtbid))
        return AskFor(edtbid);
    QString name;
    if (!GetSubjectName(Budget.Bid, name, ComboCode(cmbipid), ComboCode(cmbmid), Budget.DataYear,
                        QString(), true)) {
        edtbid->SetName(QString());
        ShowMessage(LabelOf(edtbid)->text() + QStringLiteral("不正确。"), CaptionInfo(),
                    MsgIcon::Information);
        return false;
    }
    QString ignored; // an empty item is allowed where the item rule asks for none
    if (missing(edtiid) &&
        CheckItemCode(0, Budget.Mid, Budget.IPid, QString(), Budget.IsSecret, Budget.Iid, ignored))
        return AskFor(edtiid);
    return true;
}

bool TrfrmInputEdit::CheckAmount()
{
    const long double shown = pbedtMoney->Value();
    if (!m_exactYuan && (shown < pbedtMoney->MinValue() || shown > pbedtMoney->MaxValue())) {
        pbedtMoney->setFocus(); // a typed amount: the edit's range
        ShowMessage(QStringLiteral("指标金额超出范围（%1～%2%3）。")
                        .arg(pbedtMoney->FormatValue(pbedtMoney->MinValue()),
                             pbedtMoney->FormatValue(pbedtMoney->MaxValue()),
                             cbUnit->currentText()),
                    CaptionInfo(), MsgIcon::Information);
        return false;
    }
    const Currency amount = AmountYuan();
    if (!amount.InRange()) {
        pbedtMoney->setFocus();
        ShowMessage(QStringLiteral("指标") + Currency::RangeText() + QStringLiteral("。"),
                    CaptionInfo(), MsgIcon::Information);
        return false;
    }
    if (amount.Raw() == 0) {
        pbedtMoney->setFocus();
        ShowMessage(QStringLiteral("请输入金额"), CaptionInfo(), MsgIcon::Information);
        return false;
    }
    if (amount.Raw() < 0 && Budget.BTypeChild != QLatin1String("2")) {
        pbedtMoney->setFocus();
        ShowMessage(QStringLiteral("指标金额不能小于零!"), CaptionInfo(), MsgIcon::Information);
        return false;
    }
    return true;
}

bool TrfrmInputEdit::ExistsSameBudget()
{
    return ::ExistsSameBudget(Budget, Budget.DataYear, IsAddMode);
}

bool TrfrmInputEdit::CheckInputFields()
{
    CopyListsToBudget();
    return CheckChoices() && CheckElements() && CheckAmount();
}

bool TrfrmInputEdit::CheckInput()
{
    if (!CheckInputFields())
        return false;
    if (ExistsSameBudget()) {
        ShowMessage(QStringLiteral("本单位已经存在相同属性的预算指标，不能重复录入！"),
                    CaptionRefuse(), MsgIcon::Error);
        return false;
    }
    return true;
}

// Completes the record from the dialog, then tests for a duplicate and inserts or updates it,
// all in one write transaction beside the dialog, so two operators cannot both store the same
// indicator or draw the same id. Waiting for the writers' lock (another operator's import or
// carry) shows the wait with 取消 after a moment; the dialog never freezes.
bool TrfrmInputEdit::SaveBudget()
{
    Budget.BurId.clear();
    if (SysParams().BureauMode == QLatin1String("0"))
        Budget.BurId = SysParams().BureauScope == 1 ? CurrentUserText(7) : ComboCode(cmbBurId);
    CopyListsToBudget();             // as OK checked them
    Budget.BudgMoney = AmountYuan(); // converted once, exact from here on
    Budget.InputMoney = Budget.BudgMoney;
    Budget.UserId = CurrentUserCode();
    struct Save {
        TBudget Record;
        TSaveOutcome Outcome = TSaveOutcome::Saved;
    };
    auto save = std::make_shared<Save>();
    save->Record = Budget; // a failed try leaves the dialog's record as it was
    auto job = [save, adding = IsAddMode, caption = TypeCaption,
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
            Budget = save->Record;
            Saved = true;
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
    if (CheckInputFields())
        SaveBudget();
}
