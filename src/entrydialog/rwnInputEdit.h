#pragma once
// The indicator entry dialog: one indicator entered or changed, checked and saved.

#include "basewindows/wnBsNormalDialog.h"
#include "budget/gunBudget.h"

#include <QString>
#include <memory>
#include <optional>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class TElementEdit;
class TPBNumEdit;

// Opened by the list window for adding (pre-set from its filters) or modifying (loaded from
// the stored indicator); Saved tells the opener whether to read its list again.
class TrfrmInputEdit : public TfrmBsNormalDialog
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TrfrmInputEdit(QObject* owner);
    ~TrfrmInputEdit() override;

    // Controls
    QLabel* Label4;
    QComboBox* cmbBType;
    QFrame* plChild;
    QLabel* Label2;
    QComboBox* cmbChild;
    QLabel* labEid;
    QLineEdit* edtEid;
    QLabel* labmid;
    QComboBox* cmbmid;
    QLabel* labbkid;
    QComboBox* cmbbkid;
    QLabel* labipid;
    QComboBox* cmbipid;
    QLabel* Label3;
    QComboBox* cmbSecret;
    QLabel* lblFileName;
    QLineEdit* edtFileName;
    QFrame* plBureaux;
    QLabel* lblBurId;
    QComboBox* cmbBurId;
    QLabel* lblBid;
    TElementEdit* edtbid;
    QLabel* labiid;
    TElementEdit* edtiid;
    QLabel* labMoney;
    TPBNumEdit* pbedtMoney;
    QComboBox* cbUnit;
    QLabel* Label20;
    QLineEdit* edtmemo;

    // State the opener sets and reads
    bool IsAddMode = false;
    QString TypeCaption;
    QString MoneyKindCode;
    QString SourceCode;
    bool Saved = false;
    TBudget Budget;
    int UnitInForce() const { return m_unit; }
    // For a modification: the indicator as read when the dialog opened. The save is refused
    // when another operator has changed or deleted it since.
    void SetStoredRecord(const TBudget& stored) { m_stored = stored; }

    // Fills the expenditure types allowed for MoneyKindCode and SourceCode.
    void FillIncomePayList();
    // The amount in yuan, kept exact until the operator types another one.
    void SetAmountYuan(Currency yuan);
    Currency AmountYuan() const;
    // The least amount the operator may enter (the product's range otherwise).
    void SetAmountMinimum(Currency yuan);

    // Handlers
    void ListChange();
    void cmbSecretChange();
    void cbUnitChange();
    void edtFileNameChange();
    void edtmemoExit();
    void ElementLeft(TElementEdit* edit);
    void ElementPick(TElementEdit* edit);
    void btnOKClick();

    // The checks of OK (false with its message shown at the first problem). CheckInputFields is
    // CheckInput without its last step, the duplicate test.
    bool CheckInputFields();
    bool CheckInput();
    bool ExistsSameBudget();
    // Starts the save beside the dialog (false when it cannot start); the dialog closes with
    // Saved once it is stored, or says why not and stays open.
    bool SaveBudget();

protected:
    void FormCreate() override;
    void FormShow() override;

private:
    std::optional<TBudget> m_stored;
    void BuildForm();
    void BuildTabOrder();
    void FocusFirstControl();
    void WireHandlers();
    QString IncomePayCode() const;
    void ApplyItemRule(bool emptyWhenDisabled);
    void ApplySecrecyRule();
    void ShowAmount();
    void ApplyAmountRange();
    // The element edits and the amount in form order, with the first problem's message.
    bool CheckElements();
    bool AskFor(TElementEdit* edit); // "请输入" and its label, focus on it; false
    bool CheckAmount();
    bool CheckChoices();
    void CopyListsToBudget();
    QLabel* LabelOf(TElementEdit* edit) const;

    int m_unit = 0; // 0 元, 1 万元
    std::optional<Currency> m_exactYuan;
    Currency m_minimum = Currency::FromRaw(-Currency::kLimitRaw);
};
