#include "entrydialog/rwnEntryChecks.h"

#include "budget/gunBudgetSave.h"
#include "budget/gunFunCheck.h"
#include "controls/TElementEdit.h"
#include "elements/gunfunElement.h"
#include "entrydialog/rwnAmountEntry.h"
#include "platform/untApplication.h"
#include "platform/untMessageBox.h"
#include "support/gunChoiceCombo.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

QLabel* LabelOf(const TEntryControls& ui, const TElementEdit* edit)
{
    return edit == ui.edtbid ? ui.lblBid : ui.labiid;
}

TEntryChecks::TEntryChecks(QWidget* dialog, const TEntryControls& ui, TBudget& record,
                           const QString& moneyKindCode, const bool& adding,
                           const TAmountEntry& amount)
    : m_dialog(dialog), m_ui(ui), m_record(record), m_moneyKindCode(moneyKindCode),
      m_adding(adding), m_amount(amount)
{
}

void TEntryChecks::CopyListsToBudget()
{
    m_record.Mid = m_moneyKindCode;
    m_record.IPid = ComboCode(m_ui.cmbipid);
    m_record.Bkid = ComboCode(m_ui.cmbbkid);
    m_record.IsSecret = QString::number(m_ui.cmbSecret->currentIndex());
    if (!m_ui.plChild->isHidden() && m_ui.cmbChild->currentIndex() >= 0)
        m_record.BTypeChild = QString::number(m_ui.cmbChild->currentIndex() + 1);
    m_record.FileName = m_ui.edtFileName->text().trimmed();
}

// A stored secrecy or sub-type that is no number opened with nothing chosen: the operator
// chooses before the indicator is saved (a sub-type that is only shown keeps its value).
bool TEntryChecks::CheckChoices()
{
    for (QComboBox* list : {m_ui.cmbSecret, m_ui.cmbChild}) {
        if (list->currentIndex() >= 0 || !list->isEnabled() || !list->isVisibleTo(m_dialog))
            continue;
        list->setFocus();
        ShowMessage(QStringLiteral("请选择") +
                        (list == m_ui.cmbSecret ? m_ui.Label3 : m_ui.Label2)->text(),
                    CaptionInfo(), MsgIcon::Information);
        return false;
    }
    return true;
}

bool TEntryChecks::AskFor(TElementEdit* edit)
{
    edit->setFocus();
    ShowMessage(QStringLiteral("请输入") + LabelOf(m_ui, edit)->text(), CaptionInfo(),
                MsgIcon::Information);
    return false;
}

bool TEntryChecks::CheckElements()
{
    // The unit is supplied by the opener (its edit is always disabled); then subject, item.
    const auto missing = [](const TElementEdit* edit) {
        return edit->isEnabled() && edit->text().trimmed().isEmpty();
    };
    if (missing(m_ui.edtbid))
        return AskFor(m_ui.edtbid);
    QString name;
    if (!GetSubjectName(m_record.Bid, name, ComboCode(m_ui.cmbipid), ComboCode(m_ui.cmbmid),
                        m_record.DataYear, QString(), true)) {
        m_ui.edtbid->SetName(QString());
        ShowMessage(LabelOf(m_ui, m_ui.edtbid)->text() + QStringLiteral("不正确。"), CaptionInfo(),
                    MsgIcon::Information);
        return false;
    }
    QString ignored; // an empty item is allowed where the item rule asks for none
    if (missing(m_ui.edtiid) && CheckItemCode(0, m_record.Mid, m_record.IPid, QString(),
                                              m_record.IsSecret, m_record.Iid, ignored))
        return AskFor(m_ui.edtiid);
    return true;
}

bool TEntryChecks::ExistsSameBudget() const
{
    return ::ExistsSameBudget(m_record, m_record.DataYear, m_adding);
}

bool TEntryChecks::CheckInputFields()
{
    CopyListsToBudget();
    return CheckChoices() && CheckElements() && m_amount.Check(m_record.BTypeChild);
}

bool TEntryChecks::CheckInput()
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
