#include "listwindow/bwnListEntry.h"

#include "basewindows/wnBase.h"
#include "budget/gunBudget.h"
#include "budget/gunBudgetSave.h"
#include "context/untWorkContext.h"
#include "controls/PBNumEdit.h"
#include "controls/TElementEdit.h"
#include "controls/TNextGrid.h"
#include "entrydialog/rwnInputEdit.h"
#include "listwindow/bwnListRows.h"
#include "listwindow/bwnListScope.h"
#include "platform/untApplication.h"
#include "support/gunChoiceCombo.h"
#include "support/gunNextGridManager.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <functional>
#include <memory>
#include <utility>

namespace
{
// Whether the list shows the indicator as it is stored: the dialog starts from the list's cells,
// so an older list would write its old values back over another operator's change.
bool ListedAsStored(const TBudget& s, const std::function<QString(const char*)>& cell,
                    const Currency& listedAmount, bool bureau)
{
    const auto same = [&cell](const char* column, const QString& stored) {
        return cell(column).trimmed() == stored.trimmed();
    };
    return same("eid", s.Eid) && same("bid", s.Bid) && same("iid", s.Iid) &&
           same("filename", s.FileName) && same("mid", s.Mid) && same("bkid", s.Bkid) &&
           same("ipid", s.IPid) && same("issecret", s.IsSecret) &&
           same("btypechild", s.BTypeChild) && (!bureau || same("burid", s.BurId)) &&
           listedAmount == s.BudgMoney;
}

// A stored code read as a list position; -1 (nothing chosen) for a text that is no number.
int PositionOf(const QString& text, int offset)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value - offset : -1;
}
} // namespace

TListEntry::TListEntry(TfrmBase* window, const TListControls& ui, const TListScope& scope,
                       TListRows& rows, std::function<void()> relist)
    : m_window(window), m_ui(ui), m_scope(scope), m_rows(rows), m_relist(std::move(relist))
{
}

void TListEntry::Add()
{
    if (m_scope.SourceCode().isEmpty()) {
        ShowMessage(QStringLiteral("请选中预算来源！"), CaptionInfo(), MsgIcon::Information);
        m_ui.cobbkid->setFocus();
        return;
    }
    if (m_scope.MoneyKindCode().isEmpty()) {
        ShowMessage(QStringLiteral("请选中资金性质！"), CaptionInfo(), MsgIcon::Information);
        m_ui.cobMid->setFocus();
        return;
    }
    if (AddIndicator() == 1)
        m_relist();
}

int TListEntry::AddIndicator()
{
    std::unique_ptr<TrfrmInputEdit> dialog(TfrmBase::Create<TrfrmInputEdit>(m_window));
    TrfrmInputEdit* d = dialog.get();
    const TEntryControls& ui = d->Controls();
    TBudget& record = d->Record();
    const bool subTypes = !m_ui.pnlChild->isHidden();
    d->SetMode(true, m_ui.cobBType->currentText());
    ui.cmbBType->setCurrentIndex(m_ui.cobBType->currentIndex());
    ui.plChild->setVisible(subTypes);
    if (subTypes && m_ui.cobChild->currentIndex() != 0)
        ui.cmbChild->setCurrentIndex(m_ui.cobChild->currentIndex() - 1);
    ui.edtEid->setText(m_scope.UnitName());
    record.Eid = m_scope.UnitCode();
    SelectComboText(ui.cmbmid, m_ui.cobMid->currentText());
    SelectComboText(ui.cmbbkid, m_ui.cobbkid->currentText());
    d->FillIncomePayList(m_scope.MoneyKindCode(), m_scope.SourceCode());
    record.BType = m_scope.BTypeIndex();
    record.BTypeChild = m_scope.BTypeIndex();
    d->Amount().SetMinimum(Currency::FromRaw(-99'999'999'990'000)); // -9,999,999,999 yuan
    d->setWindowTitle(QStringLiteral("增加") + m_ui.cobBType->currentText() +
                      QStringLiteral("信息"));
    Application->ExecModal(d);
    if (d->Saved())
        m_rows.SelectAfterList(record.BudgId);
    return d->Saved() ? 1 : 0;
}

void TListEntry::Modify()
{
    if (ModifyIndicator() == 1)
        m_relist();
}

int TListEntry::ModifyIndicator()
{
    const int r = m_ui.ngdBudget->SelectedRow();
    TNextGridManager* manager = m_rows.Manager();
    if (r < 0 || !manager)
        return 0;
    auto cell = [this, manager, r](const char* column) {
        return manager->GetText(m_ui.ngdBudget, r, QLatin1String(column));
    };
    const QString eid = cell("eid").trimmed();
    if (eid == QStringLiteral("合计") || eid.isEmpty())
        return 0; // the totals row, or no indicator
    std::unique_ptr<TrfrmInputEdit> dialog(TfrmBase::Create<TrfrmInputEdit>(nullptr));
    TrfrmInputEdit* d = dialog.get();
    const TEntryControls& ui = d->Controls();
    TBudget& record = d->Record();
    const bool subTypes = !m_ui.pnlChild->isHidden();
    ui.plChild->setVisible(subTypes);
    d->FillIncomePayList(cell("mid"), cell("bkid"));
    d->setWindowTitle(QStringLiteral("修改") + m_ui.cobBType->currentText() +
                      QStringLiteral("信息"));
    d->SetMode(false, QString());
    record.BType = m_scope.BTypeIndex();
    record.BudgId = cell("budgid");
    TBudgetManage store;
    const bool bureau = SysParams().BureauMode == QLatin1String("0");
    if (!LoadStoredBudget(store, record, QStringLiteral("无法读取编号为%1的预算指标：%2"))) {
        ShowMessage(QStringLiteral("编号为%1的预算指标已被其他操作员删除。列表将重新读取。")
                        .arg(record.BudgId),
                    CaptionInfo(), MsgIcon::Warning);
        return 1; // read the list again
    }
    if (!ListedAsStored(record, cell,
                        manager->GetCurrency(m_ui.ngdBudget, r, QStringLiteral("budgmoney")),
                        bureau)) {
        ShowMessage(QStringLiteral("编号为%1的预算指标在列表读取之后已被其他操作员修改。列表将重新"
                                   "读取，请在新的列表中再修改它。")
                        .arg(record.BudgId),
                    CaptionInfo(), MsgIcon::Warning);
        return 1;
    }
    d->SetStoredRecord(record);
    record.Eid = cell("eid");
    ui.edtEid->setText(cell("ename"));
    record.Bid = cell("bid");
    ui.edtbid->SetCode(record.Bid);
    ui.edtbid->SetName(cell("bname"));
    ui.edtFileName->setText(cell("filename"));
    if (!cell("iid").isEmpty()) {
        record.Iid = cell("iid");
        ui.edtiid->SetCode(record.Iid);
        ui.edtiid->SetName(cell("iname"));
    }
    SelectComboText(ui.cmbbkid, cell("bkname"));
    SelectComboText(ui.cmbipid, cell("ipname"));
    SelectComboText(ui.cmbmid, cell("mname"));
    if (bureau) {
        record.BurId = cell("burid");
        SelectComboText(ui.cmbBurId, cell("burname"));
    }
    d->Amount().SetYuan(manager->GetCurrency(m_ui.ngdBudget, r, QStringLiteral("budgmoney")));
    record.IsSecret = cell("issecret");
    ui.cmbSecret->setCurrentIndex(PositionOf(record.IsSecret, 0));
    record.BTypeChild = cell("btypechild");
    if (subTypes)
        ui.cmbChild->setCurrentIndex(PositionOf(record.BTypeChild, 1));
    // The update never writes the sub-type: it is shown, not offered.
    ui.cmbChild->setEnabled(false);
    Application->ExecModal(d);
    if (d->Saved())
        m_rows.SelectAfterList(record.BudgId);
    return d->Saved() ? 1 : 0;
}
