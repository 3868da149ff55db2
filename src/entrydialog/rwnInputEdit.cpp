#include "entrydialog/rwnInputEdit.h"

#include "budget/gunFunCheck.h"
#include "context/untWorkContext.h"
#include "controls/PBNumEdit.h"
#include "controls/TElementEdit.h"
#include "elements/gunfunElement.h"
#include "elements/gunfunElementBase.h"
#include "platform/gunStrDeal.h"
#include "platform/untApplication.h"
#include "platform/untMessageBox.h"
#include "selectdialogs/gwnSelectIid.h"
#include "support/gunChoiceCombo.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace
{
// A full-width character typed last into the document number becomes its half-width one.
void FoldFileName(QLineEdit* edit)
{
    const QString text = edit->text();
    const QString folded = FoldLastFullWidth(OneLineText(text));
    if (folded != text) {
        const int caret = edit->cursorPosition();
        edit->setText(folded);
        edit->setCursorPosition(std::min(caret, int(folded.size())));
    }
}

// The remark refuses the characters the statements cannot carry.
void CheckMemo(QLineEdit* edit)
{
    QString offending;
    if (CheckInputChars(edit->text(), offending))
        return;
    ShowMessage(QStringLiteral("在录入的字符中请不要包含：%1").arg(offending), CaptionInfo(),
                MsgIcon::Information);
    edit->clear();
    edit->setFocus();
}
} // namespace

TrfrmInputEdit::TrfrmInputEdit(QObject* owner)
    : TfrmBsNormalDialog(owner), m_amount(std::make_unique<TAmountEntry>(Controls())),
      m_checks(std::make_unique<TEntryChecks>(this, Controls(), m_budget, m_moneyKindCode, m_adding,
                                              *m_amount))
{
    BuildForm();
    WireHandlers();
}

TrfrmInputEdit::~TrfrmInputEdit() = default;

void TrfrmInputEdit::WireHandlers()
{
    auto guard = [this](auto handler) {
        return [this, handler] { Guarded(this, [this, handler] { (this->*handler)(); }); };
    };
    // The lists react to the operator's choices only.
    for (QComboBox* list : {cmbmid, cmbipid, cmbbkid, cmbBurId})
        connect(list, &QComboBox::activated, this, guard(&TrfrmInputEdit::ListChange));
    connect(cmbSecret, &QComboBox::activated, this, guard(&TrfrmInputEdit::SecrecyChange));
    connect(cbUnit, &QComboBox::activated, this,
            [this] { Guarded(this, [this] { m_amount->UnitChanged(); }); });
    // Any change of the text, the opener's too, as the form's change event has it.
    connect(edtFileName, &QLineEdit::textChanged, this,
            [this] { Guarded(this, [this] { FoldFileName(edtFileName); }); });
    connect(edtmemo, &QLineEdit::editingFinished, this,
            [this] { Guarded(this, [this] { CheckMemo(edtmemo); }); });
    connect(btnOK, &QPushButton::clicked, this, guard(&TrfrmInputEdit::btnOKClick));
    for (TElementEdit* edit : {edtbid, edtiid}) {
        connect(edit, &TElementEdit::Left, this,
                [this, edit] { Guarded(this, [this, edit] { ElementLeft(edit); }); });
        connect(edit, &TElementEdit::PickRequested, this,
                [this, edit] { Guarded(this, [this, edit] { ElementPick(edit); }); });
    }
    // Leaving a list keeps its code in the record.
    connect(cmbbkid, &QComboBox::currentIndexChanged, this,
            [this] { m_budget.Bkid = ComboCode(cmbbkid); });
    connect(cmbipid, &QComboBox::currentIndexChanged, this,
            [this] { m_budget.IPid = ComboCode(cmbipid); });
    connect(cmbBurId, &QComboBox::currentIndexChanged, this,
            [this] { m_budget.BurId = ComboCode(cmbBurId); });
    // Typing a new amount makes it the amount, in the unit in force.
    connect(pbedtMoney, &TPBNumEdit::Typed, this, [this] { m_amount->OperatorTyped(); });
}

void TrfrmInputEdit::FormCreate()
{
    TfrmBsNormalDialog::FormCreate();
    m_amount->Start();
    m_saved = false;
    m_budget = TBudget();
    m_budget.DataYear = WorkingDataYear();
    FillIndicatorTypes(cmbBType, false, true);
    FillMoneyKinds(cmbmid, false, 0, false, QString());
    FillBudgetKinds(cmbbkid, false, 0, QString());
    FillSecrecy(cmbSecret, false);
    if (SysParams().BureauMode == QLatin1String("0")) {
        plBureaux->setVisible(SysParams().BureauScope == 0);
        FillBureaux(cmbBurId, false, QString());
    }
}

void TrfrmInputEdit::SetMode(bool adding, const QString& typeCaption)
{
    m_adding = adding;
    m_typeCaption = typeCaption;
}

void TrfrmInputEdit::FillIncomePayList(const QString& moneyKindCode, const QString& sourceCode)
{
    m_moneyKindCode = moneyKindCode;
    m_sourceCode = sourceCode;
    int listType = 2; // "11", "12"
    if (m_moneyKindCode == QLatin1String("31"))
        listType = 3; // "17", "18", "19"
    else if (IsDeptLevelUnit() && m_moneyKindCode == QLatin1String("11") &&
             m_sourceCode == QLatin1String("21"))
        listType = 1; // "11", "12", "22"
    FillIncomePayTypes(cmbipid, false, listType, QString(), false);
    m_budget.IPid = ComboCode(cmbipid);
}

void TrfrmInputEdit::FormShow()
{
    TfrmBsNormalDialog::FormShow();
    edtEid->setEnabled(false);
    // Typing stops at the column's length; a longer stored number is kept as it is.
    edtFileName->setMaxLength(std::max(kFileNameLength, int(edtFileName->text().size())));
    ApplyItemRule(false);
    ApplySecrecyRule();
    m_amount->Show(); // an amount handed in yuan, shown in the unit in force
    FocusFirstControl();
}

// The dialog opens on the first control of the tab order that takes input.
void TrfrmInputEdit::FocusFirstControl()
{
    for (QWidget* w = edtEid;; w = w->nextInFocusChain()) {
        if (w->isEnabled() && w->isVisibleTo(this) && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
        if (w->nextInFocusChain() == edtEid)
            return;
    }
}

// Items only where the money kind and the expenditure type have them.
void TrfrmInputEdit::ApplyItemRule(bool emptyWhenDisabled)
{
    const QString t = ComboCode(cmbipid);
    const bool items = m_moneyKindCode != QLatin1String("21") && t != QLatin1String("11") &&
                       t != QLatin1String("22");
    labiid->setEnabled(items);
    edtiid->setEnabled(items);
    if (!items && emptyWhenDisabled) {
        edtiid->SetCode(QString());
        edtiid->SetName(QString());
        m_budget.Iid.clear();
    }
}

// A secret unit chooses the secrecy only for the types that may be secret.
void TrfrmInputEdit::ApplySecrecyRule()
{
    if (CurrentUnitText(17) != QLatin1String("1"))
        return;
    const QString t = ComboCode(cmbipid);
    const bool choose = t == QLatin1String("12") || t == QLatin1String("17") ||
                        t == QLatin1String("18") || t == QLatin1String("19");
    if (!choose)
        cmbSecret->setCurrentIndex(1); // 非密
    cmbSecret->setEnabled(choose);
}

void TrfrmInputEdit::ListChange()
{
    const QString t = ComboCode(cmbipid);
    lblBid->setText(t == QLatin1String("22") && m_budget.DataYear >= 2007
                        ? QStringLiteral("收入分类")
                        : QStringLiteral("功能分类"));
    ApplyItemRule(true);
    ApplySecrecyRule();
}

void TrfrmInputEdit::SecrecyChange()
{
    if (!m_budget.Iid.isEmpty() &&
        CheckSecret(m_budget.Iid, QString::number(cmbSecret->currentIndex())))
        cmbSecret->setFocus(); // the operator declined: the choice is to be looked at again
}

void TrfrmInputEdit::ElementLeft(TElementEdit* edit)
{
    const QString code = edit->Code();
    (edit == edtbid ? m_budget.Bid : m_budget.Iid) = code;
    if (code.isEmpty()) {
        edit->SetName(QString());
        return;
    }
    QString name;
    const bool found = edit == edtbid
                           ? GetSubjectName(code, name, ComboCode(cmbipid), ComboCode(cmbmid),
                                            m_budget.DataYear, QString(), true)
                           : GetItemName(code, name, m_budget.DataYear);
    if (!found) {
        // The code stays, here and in the record, for the operator to correct.
        edit->SetName(QString());
        edit->setFocus();
        ShowMessage(LabelOf(Controls(), edit)->text() + QStringLiteral("不正确。"), CaptionInfo(),
                    MsgIcon::Information);
        return;
    }
    edit->SetName(name);
    if (edit == edtiid && CheckSecret(m_budget.Iid, QString::number(cmbSecret->currentIndex()))) {
        // Declined: this item is not taken.
        m_budget.Iid.clear();
        edit->SetCode(QString());
        edit->SetName(QString());
        edit->setFocus();
    }
}

void TrfrmInputEdit::ElementPick(TElementEdit* edit)
{
    QString id, name, fullName;
    if (edit == edtbid) {
        const bool typed = m_budget.DataYear > 2007;
        SelectSubject(id, name, fullName, true, true, m_budget.DataYear,
                      typed ? ComboCode(cmbipid) : QString(), typed ? ComboCode(cmbmid) : QString(),
                      QString());
        m_budget.Bid = id;
    } else {
        SelectItem(id, name, fullName, m_budget.Eid, QStringLiteral("0"), QStringLiteral("0"),
                   m_budget.DataYear, QString());
        m_budget.Iid = id;
    }
    edit->EditCode(id); // the name follows when the edit is left
}
