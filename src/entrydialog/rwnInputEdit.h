#pragma once
// The indicator entry dialog: one indicator entered or changed, checked and saved.

#include "basewindows/wnBsNormalDialog.h"
#include "budget/gunBudget.h"
#include "entrydialog/rwnAmountEntry.h"
#include "entrydialog/rwnEntryChecks.h"
#include "entrydialog/rwnEntryControls.h"

#include <QString>
#include <memory>
#include <optional>

// Opened by the list window for adding (pre-set from its filters) or modifying (loaded from
// the stored indicator); Saved tells the opener whether to read its list again.
class TrfrmInputEdit : public TfrmBsNormalDialog, private TEntryControls
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TrfrmInputEdit(QObject* owner);
    ~TrfrmInputEdit() override;

    const TEntryControls& Controls() const { return *this; }
    TAmountEntry& Amount() { return *m_amount; }
    TEntryChecks& Checks() { return *m_checks; }

    // Adding (the type's caption names it to the operator) or modifying.
    void SetMode(bool adding, const QString& typeCaption);
    // The record the dialog edits: the opener fills it before showing the dialog and reads it
    // back once Saved.
    TBudget& Record() { return m_budget; }
    bool Saved() const { return m_saved; }
    // For a modification: the indicator as read when the dialog opened. The save is refused
    // when another operator has changed or deleted it since.
    void SetStoredRecord(const TBudget& stored) { m_stored = stored; }
    // The expenditure types allowed for the money kind and source (the opener's codes).
    void FillIncomePayList(const QString& moneyKindCode, const QString& sourceCode);

    // Starts the save beside the dialog (false when it cannot start); the dialog closes with
    // Saved once it is stored, or says why not and stays open.
    bool SaveBudget();

protected:
    void FormCreate() override;
    void FormShow() override;

private:
    void BuildForm();
    void BuildTabOrder();
    void FocusFirstControl();
    void WireHandlers();
    void ApplyItemRule(bool emptyWhenDisabled);
    void ApplySecrecyRule();
    void ListChange();
    void SecrecyChange();
    void ElementLeft(TElementEdit* edit);
    void ElementPick(TElementEdit* edit);
    void btnOKClick();

    std::unique_ptr<TAmountEntry> m_amount;
    std::unique_ptr<TEntryChecks> m_checks;
    bool m_adding = false;
    QString m_typeCaption;
    QString m_moneyKindCode;
    QString m_sourceCode;
    bool m_saved = false;
    TBudget m_budget;
    std::optional<TBudget> m_stored;
};
