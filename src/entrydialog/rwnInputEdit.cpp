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
#include <QTimer>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace
{
// An amount of the edit (in the unit) as exact ten-thousandths of a yuan: ×10000 once per
// unit step, rounded half to even.
Currency YuanOf(long double value, int unit)
{
    const long double raw = value * 10000.0L * (unit == 1 ? 10000.0L : 1.0L);
    const long double rounded = std::nearbyintl(raw);
    if (!(std::fabs(rounded) < 9.2e18L))
        throw Exception(QStringLiteral("金额超出可处理的范围。"));
    return Currency::FromRaw(static_cast<qint64>(rounded));
}

long double InUnit(Currency yuan, int unit)
{
    return static_cast<long double>(yuan.Raw()) / (unit == 1 ? 1e8L : 1e4L);
}

// A bound in yuan as the edit reads its text in the unit: to the fen in 元, to the yuan in 万元
// (toward zero, so the bound itself is in range).
long double BoundInUnit(Currency yuan, int unit)
{
    const qint64 raw = unit == 1 ? yuan.Raw() / 10000 : yuan.Raw() / 100 * 100;
    return std::strtold(Currency::FromRaw(raw).ToSqlText().toLatin1().constData(), nullptr);
}
} // namespace

TrfrmInputEdit::TrfrmInputEdit(QObject* owner) : TfrmBsNormalDialog(owner)
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
    connect(cmbSecret, &QComboBox::activated, this, guard(&TrfrmInputEdit::cmbSecretChange));
    connect(cbUnit, &QComboBox::activated, this, guard(&TrfrmInputEdit::cbUnitChange));
    // Any change of the text, the opener's too, as the form's change event has it.
    connect(edtFileName, &QLineEdit::textChanged, this, guard(&TrfrmInputEdit::edtFileNameChange));
    connect(edtmemo, &QLineEdit::editingFinished, this, guard(&TrfrmInputEdit::edtmemoExit));
    connect(btnOK, &QPushButton::clicked, this, guard(&TrfrmInputEdit::btnOKClick));
    for (TElementEdit* edit : {edtbid, edtiid}) {
        connect(edit, &TElementEdit::Left, this,
                [this, edit] { Guarded(this, [this, edit] { ElementLeft(edit); }); });
        connect(edit, &TElementEdit::PickRequested, this,
                [this, edit] { Guarded(this, [this, edit] { ElementPick(edit); }); });
    }
    // Leaving a list keeps its code in the record.
    connect(cmbbkid, &QComboBox::currentIndexChanged, this,
            [this] { Budget.Bkid = ComboCode(cmbbkid); });
    connect(cmbipid, &QComboBox::currentIndexChanged, this,
            [this] { Budget.IPid = ComboCode(cmbipid); });
    connect(cmbBurId, &QComboBox::currentIndexChanged, this,
            [this] { Budget.BurId = ComboCode(cmbBurId); });
    // Typing a new amount makes it the amount, in the unit in force.
    connect(pbedtMoney, &TPBNumEdit::Typed, this, [this] { m_exactYuan.reset(); });
}

void TrfrmInputEdit::FormCreate()
{
    TfrmBsNormalDialog::FormCreate();
    m_unit = std::clamp(SysParams().DefaultMoneyUnit, 0, 1);
    cbUnit->setCurrentIndex(m_unit);
    pbedtMoney->SetDecimals(2 * m_unit + 2);
    ApplyAmountRange();
    Saved = false;
    Budget = TBudget();
    Budget.DataYear = WorkingDataYear();
    FillIndicatorTypes(cmbBType, false, true);
    FillMoneyKinds(cmbmid, false, 0, false, QString());
    FillBudgetKinds(cmbbkid, false, 0, QString());
    FillSecrecy(cmbSecret, false);
    if (SysParams().BureauMode == QLatin1String("0")) {
        plBureaux->setVisible(SysParams().BureauScope == 0);
        FillBureaux(cmbBurId, false, QString());
    }
}

void TrfrmInputEdit::FillIncomePayList()
{
    int listType = 2; // "11", "12"
    if (MoneyKindCode == QLatin1String("31"))
        listType = 3; // "17", "18", "19"
    else if (IsDeptLevelUnit() && MoneyKindCode == QLatin1String("11") &&
             SourceCode == QLatin1String("21"))
        listType = 1; // "11", "12", "22"
    FillIncomePayTypes(cmbipid, false, listType, QString(), false);
    Budget.IPid = ComboCode(cmbipid);
}

void TrfrmInputEdit::FormShow()
{
    TfrmBsNormalDialog::FormShow();
    edtEid->setEnabled(false);
    // Typing stops at the column's length; a longer stored number is kept as it is.
    edtFileName->setMaxLength(std::max(kFileNameLength, int(edtFileName->text().size())));
    ApplyItemRule(false);
    ApplySecrecyRule();
    ShowAmount(); // an amount handed in yuan, shown in the unit in force
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

QString TrfrmInputEdit::IncomePayCode() const
{
    return ComboCode(cmbipid);
}

// Items only where the money kind and the expenditure type have them.
void TrfrmInputEdit::ApplyItemRule(bool emptyWhenDisabled)
{
    const QString t = IncomePayCode();
    const bool items = MoneyKindCode != QLatin1String("21") && t != QLatin1String("11") &&
                       t != QLatin1String("22");
    labiid->setEnabled(items);
    edtiid->setEnabled(items);
    if (!items && emptyWhenDisabled) {
        edtiid->SetCode(QString());
        edtiid->SetName(QString());
        Budget.Iid.clear();
    }
}

// A secret unit chooses the secrecy only for the types that may be secret.
void TrfrmInputEdit::ApplySecrecyRule()
{
    if (CurrentUnitText(17) != QLatin1String("1"))
        return;
    const QString t = IncomePayCode();
    const bool choose = t == QLatin1String("12") || t == QLatin1String("17") ||
                        t == QLatin1String("18") || t == QLatin1String("19");
    if (!choose)
        cmbSecret->setCurrentIndex(1); // 非密
    cmbSecret->setEnabled(choose);
}

void TrfrmInputEdit::SetAmountYuan(Currency yuan)
{
    m_exactYuan = yuan;
    ShowAmount();
}

Currency TrfrmInputEdit::AmountYuan() const
{
    return m_exactYuan ? *m_exactYuan : YuanOf(pbedtMoney->Value(), m_unit);
}

void TrfrmInputEdit::SetAmountMinimum(Currency yuan)
{
    m_minimum = yuan;
    ApplyAmountRange();
}

// The edit checks the amount when it is left: the product's range (or the opener's minimum),
// in the unit in force. Out of range it keeps the text for OK to refuse, instead of putting
// the bound there: Enter on the edit or a click on OK would store that bound unseen.
void TrfrmInputEdit::ApplyAmountRange()
{
    pbedtMoney->SetMinValue(-LDBL_MAX);
    pbedtMoney->SetMaxValue(BoundInUnit(Currency::FromRaw(Currency::kLimitRaw), m_unit));
    pbedtMoney->SetMinValue(BoundInUnit(m_minimum, m_unit));
    pbedtMoney->OnInvalidEntry = [](TPBNumEdit* edit) {
        Beep();
        QTimer::singleShot(0, edit, [edit] { edit->setFocus(); });
    };
}

void TrfrmInputEdit::ShowAmount()
{
    if (m_exactYuan)
        pbedtMoney->SetValue(InUnit(*m_exactYuan, m_unit));
}

void TrfrmInputEdit::ListChange()
{
    const QString t = IncomePayCode();
    lblBid->setText(t == QLatin1String("22") && Budget.DataYear >= 2007
                        ? QStringLiteral("收入分类")
                        : QStringLiteral("功能分类"));
    ApplyItemRule(true);
    ApplySecrecyRule();
}

void TrfrmInputEdit::cmbSecretChange()
{
    if (!Budget.Iid.isEmpty() &&
        CheckSecret(Budget.Iid, QString::number(cmbSecret->currentIndex())))
        cmbSecret->setFocus(); // the operator declined: the choice is to be looked at again
}

void TrfrmInputEdit::cbUnitChange()
{
    const int unit = cbUnit->currentIndex();
    if (unit == m_unit || unit < 0)
        return;
    // The amount stays exact: switching units changes only how it is shown.
    const Currency yuan = AmountYuan();
    pbedtMoney->SetDecimals(4);
    SysParams().DefaultMoneyUnit = unit;
    SetSysParam(QStringLiteral("setDefaultUnit"), QString::number(unit));
    m_exactYuan = yuan;
    m_unit = unit;
    pbedtMoney->SetDecimals(2 * unit + 2);
    ApplyAmountRange();
    ShowAmount();
}

void TrfrmInputEdit::edtFileNameChange()
{
    const QString text = edtFileName->text();
    const QString folded = FoldLastFullWidth(text);
    if (folded != text) {
        const int caret = edtFileName->cursorPosition();
        edtFileName->setText(folded);
        edtFileName->setCursorPosition(std::min(caret, int(folded.size())));
    }
}

void TrfrmInputEdit::edtmemoExit()
{
    QString offending;
    if (CheckInputChars(edtmemo->text(), offending))
        return;
    ShowMessage(QStringLiteral("在录入的字符中请不要包含：%1").arg(offending), CaptionInfo(),
                MsgIcon::Information);
    edtmemo->clear();
    edtmemo->setFocus();
}

QLabel* TrfrmInputEdit::LabelOf(TElementEdit* edit) const
{
    return edit == edtbid ? lblBid : labiid;
}

void TrfrmInputEdit::ElementLeft(TElementEdit* edit)
{
    const QString code = edit->Code();
    (edit == edtbid ? Budget.Bid : Budget.Iid) = code;
    if (code.isEmpty()) {
        edit->SetName(QString());
        return;
    }
    QString name;
    const bool found = edit == edtbid
                           ? GetSubjectName(code, name, IncomePayCode(), ComboCode(cmbmid),
                                            Budget.DataYear, QString(), true)
                           : GetItemName(code, name, Budget.DataYear);
    if (!found) {
        // The code stays, here and in the record, for the operator to correct.
        edit->SetName(QString());
        edit->setFocus();
        ShowMessage(LabelOf(edit)->text() + QStringLiteral("不正确。"), CaptionInfo(),
                    MsgIcon::Information);
        return;
    }
    edit->SetName(name);
    if (edit == edtiid && CheckSecret(Budget.Iid, QString::number(cmbSecret->currentIndex()))) {
        // Declined: this item is not taken.
        Budget.Iid.clear();
        edit->SetCode(QString());
        edit->SetName(QString());
        edit->setFocus();
    }
}

void TrfrmInputEdit::ElementPick(TElementEdit* edit)
{
    QString id, name, fullName;
    if (edit == edtbid) {
        const bool typed = Budget.DataYear > 2007;
        SelectSubject(id, name, fullName, true, true, Budget.DataYear,
                      typed ? IncomePayCode() : QString(), typed ? ComboCode(cmbmid) : QString(),
                      QString());
        Budget.Bid = id;
    } else {
        SelectItem(id, name, fullName, Budget.Eid, QStringLiteral("0"), QStringLiteral("0"),
                   Budget.DataYear, QString());
        Budget.Iid = id;
    }
    edit->EditCode(id); // the name follows when the edit is left
}
