// Adding and modifying indicators from the list window through the entry dialog.
#include "listwindow/bwnQuindle.h"

#include "context/untWorkContext.h"
#include "controls/PBNumEdit.h"
#include "controls/TElementEdit.h"
#include "controls/TNextGrid.h"
#include "entrydialog/rwnInputEdit.h"
#include "platform/untApplication.h"
#include "support/gunChoiceCombo.h"
#include "support/gunNextGridManager.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <memory>

namespace
{
// A stored code read as a list position; -1 (nothing chosen) for a text that is no number.
int PositionOf(const QString& text, int offset)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value - offset : -1;
}
} // namespace

void TbfrmQuindle::tbtnAddClick()
{
    SourceCode = GetSourceCode();
    if (SourceCode.isEmpty()) {
        ShowMessage(QStringLiteral("请选中预算来源！"), CaptionInfo(), MsgIcon::Information);
        cobbkid->setFocus();
        return;
    }
    MoneyKindCode = ComboCode(cobMid);
    if (MoneyKindCode.isEmpty()) {
        ShowMessage(QStringLiteral("请选中资金性质！"), CaptionInfo(), MsgIcon::Information);
        cobMid->setFocus();
        return;
    }
    if (AddIndicator() == 1)
        RunListQuery();
}

int TbfrmQuindle::AddIndicator()
{
    std::unique_ptr<TrfrmInputEdit> dialog(TfrmBase::Create<TrfrmInputEdit>(this));
    TrfrmInputEdit* d = dialog.get();
    d->IsAddMode = true;
    d->cmbBType->setCurrentIndex(cobBType->currentIndex());
    d->plChild->setVisible(!pnlChild->isHidden());
    if (!pnlChild->isHidden() && cobChild->currentIndex() != 0)
        d->cmbChild->setCurrentIndex(cobChild->currentIndex() - 1);
    d->edtEid->setText(SelectedUnitName);
    d->Budget.Eid = SelectedUnitCode;
    SelectComboText(d->cmbmid, cobMid->currentText());
    d->MoneyKindCode = MoneyKindCode;
    SelectComboText(d->cmbbkid, cobbkid->currentText());
    d->SourceCode = SourceCode;
    d->FillIncomePayList();
    d->Budget.BType = BTypeIndex;
    d->Budget.BTypeChild = BTypeIndex;
    d->TypeCaption = cobBType->currentText();
    d->SetAmountMinimum(Currency::FromRaw(-99'999'999'990'000)); // -9,999,999,999 yuan
    d->setWindowTitle(QStringLiteral("增加") + cobBType->currentText() + QStringLiteral("信息"));
    Application->ExecModal(d);
    if (d->Saved)
        m_selectAfterList = d->Budget.BudgId;
    return d->Saved ? 1 : 0;
}

void TbfrmQuindle::tbtnModClick()
{
    if (ModifyIndicator() == 1)
        RunListQuery();
}

int TbfrmQuindle::ModifyIndicator()
{
    const int r = ngdBudget->SelectedRow();
    if (r < 0 || !m_gridManager)
        return 0;
    auto cell = [this, r](const char* column) {
        return m_gridManager->GetText(ngdBudget, r, QLatin1String(column));
    };
    const QString eid = cell("eid").trimmed();
    if (eid == QStringLiteral("合计") || eid.isEmpty())
        return 0; // the totals row, or no indicator
    std::unique_ptr<TrfrmInputEdit> dialog(TfrmBase::Create<TrfrmInputEdit>(nullptr));
    TrfrmInputEdit* d = dialog.get();
    d->plChild->setVisible(!pnlChild->isHidden());
    d->MoneyKindCode = cell("mid");
    d->SourceCode = cell("bkid");
    d->FillIncomePayList();
    d->setWindowTitle(QStringLiteral("修改") + cobBType->currentText() + QStringLiteral("信息"));
    d->IsAddMode = false;
    d->Budget.BType = BTypeIndex;
    d->Budget.BudgId = cell("budgid");
    if (!m_store->LoadBudget(d->Budget))
        throw TExceptBudgetManage(
            QStringLiteral("无法读取编号为%1的预算指标：%2").arg(d->Budget.BudgId, LastDbError()));
    d->SetStoredRecord(d->Budget);
    d->Budget.Eid = cell("eid");
    d->edtEid->setText(cell("ename"));
    d->Budget.Bid = cell("bid");
    d->edtbid->SetCode(d->Budget.Bid);
    d->edtbid->SetName(cell("bname"));
    d->edtFileName->setText(cell("filename"));
    if (!cell("iid").isEmpty()) {
        d->Budget.Iid = cell("iid");
        d->edtiid->SetCode(d->Budget.Iid);
        d->edtiid->SetName(cell("iname"));
    }
    SelectComboText(d->cmbbkid, cell("bkname"));
    SelectComboText(d->cmbipid, cell("ipname"));
    SelectComboText(d->cmbmid, cell("mname"));
    if (SysParams().BureauMode == QLatin1String("0")) {
        d->Budget.BurId = cell("burid");
        SelectComboText(d->cmbBurId, cell("burname"));
    }
    d->SetAmountYuan(m_gridManager->GetCurrency(ngdBudget, r, QStringLiteral("budgmoney")));
    d->Budget.IsSecret = cell("issecret");
    d->cmbSecret->setCurrentIndex(PositionOf(d->Budget.IsSecret, 0));
    d->Budget.BTypeChild = cell("btypechild");
    if (!pnlChild->isHidden())
        d->cmbChild->setCurrentIndex(PositionOf(d->Budget.BTypeChild, 1));
    // The update never writes the sub-type: it is shown, not offered.
    d->cmbChild->setEnabled(false);
    Application->ExecModal(d);
    if (d->Saved)
        m_selectAfterList = d->Budget.BudgId;
    return d->Saved ? 1 : 0;
}
