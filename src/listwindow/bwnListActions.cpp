#include "listwindow/bwnListActions.h"

#include "basewindows/wnBase.h"
#include "budget/gunBudget.h"
#include "budget/gunBudgetHistory.h"
#include "context/untWorkContext.h"
#include "controls/PBNumEdit.h"
#include "controls/TElementEdit.h"
#include "controls/TNextGrid.h"
#include "entrydialog/rwnInputEdit.h"
#include "listwindow/bwnBudgetHistory.h"
#include "listwindow/bwnListBulk.h"
#include "listwindow/bwnListCarry.h"
#include "listwindow/bwnListRows.h"
#include "listwindow/bwnListScope.h"
#include "listwindow/bwnQuindleMarks.h"
#include "platform/untApplication.h"
#include "support/gunChoiceCombo.h"
#include "support/gunNextGridManager.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <memory>
#include <utility>

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

TListActions::TListActions(TfrmBase* window, const TListControls& ui, TListScope& scope,
                           TListRows& rows, std::function<void()> relist)
    : m_window(window), m_ui(ui), m_scope(scope), m_rows(rows), m_relist(std::move(relist))
{
}

void TListActions::Add()
{
    m_scope.ReadCodes();
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

int TListActions::AddIndicator()
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

void TListActions::Modify()
{
    if (ModifyIndicator() == 1)
        m_relist();
}

int TListActions::ModifyIndicator()
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
    if (!TBudgetManage().LoadBudget(record))
        throw TExceptBudgetManage(
            QStringLiteral("无法读取编号为%1的预算指标：%2").arg(record.BudgId, LastDbError()));
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
    if (SysParams().BureauMode == QLatin1String("0")) {
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

void TListActions::Delete()
{
    if (!m_rows.Manager())
        return; // closed: the list is gone
    auto marks = std::make_shared<const TListMarks>(m_ui.ngdBudget, m_rows.Manager()->TotalsFlag());
    if (!marks->AnyMarked()) {
        ShowMessage(QStringLiteral("请选择准备删除的预算指标信息!"), CaptionConfirm(),
                    MsgIcon::Warning);
        return;
    }
    if (SysParams().ConfirmDelete == QLatin1String("1") &&
        ShowMessage(QStringLiteral("是否删除选中数据？"), CaptionInfo(), MsgIcon::Question,
                    MsgButtons::YesNo) != mrYes)
        return;
    StartBulk(
        m_window->Work(), TBulkAction::Delete, WorkingDataYear(),
        [marks](const std::function<bool()>& going) { return marks->MarkedIds(going); },
        [this](const TBulkResult& r) {
            BulkFinished(r, QStringLiteral("数据删除成功。"), QStringLiteral("删除"));
        });
}

void TListActions::MarkAll(bool marked)
{
    if (!m_rows.Manager())
        return; // closed: the list is gone
    TListMarks::MarkAll(m_ui.ngdBudget, marked);
}

void TListActions::CopyAmounts(bool fromEntered)
{
    if (!m_rows.Manager())
        return; // closed: the list is gone
    auto marks = std::make_shared<const TListMarks>(m_ui.ngdBudget, m_rows.Manager()->TotalsFlag());
    if (!marks->AnyMarked()) {
        ShowMessage(QStringLiteral("请选择准备复制金额的预算指标信息!"), CaptionConfirm(),
                    MsgIcon::Warning);
        return;
    }
    // A cell that is not an amount ends the run before anything is written.
    StartBulk(
        m_window->Work(), TBulkAction::CopyAmounts, WorkingDataYear(),
        [marks, fromEntered](const std::function<bool()>& going) {
            return marks->MarkedAmounts(fromEntered, going);
        },
        [this](const TBulkResult& r) {
            BulkFinished(r, QStringLiteral("数据复制金额成功。"), QStringLiteral("复制金额"));
        });
}

// Read again whenever a row went (or the run was stopped), so the list never shows what is no
// longer so; success is reported only when every marked row succeeded.
void TListActions::BulkFinished(const TBulkResult& r, const QString& success, const QString& what)
{
    if (r.Changed())
        m_relist();
    if (r.Work == TWorkOutcome::Failed) {
        ShowMessage(r.Error, CaptionRefuse(), MsgIcon::Error);
    } else if (r.Work == TWorkOutcome::Cancelled) {
        m_ui.labStatus->setText(r.Rows.Written > 0
                                    ? QStringLiteral("%1已取消，此前确认继续的%L2条已写入")
                                          .arg(what)
                                          .arg(r.Rows.Written)
                                    : QStringLiteral("%1已取消，没有写入任何指标").arg(what));
    } else if (r.Rows.Missing > 0) {
        // Rows another operator deleted since the list was read: no success for them.
        ShowMessage(MissingRowsText(r.Rows, what), CaptionInfo(), MsgIcon::Warning);
    } else if (r.Rows.AllOk && SysParams().ShowSuccessMsg == QLatin1String("1")) {
        ShowMessage(success, CaptionInfo(), MsgIcon::Information);
    }
}

void TListActions::Carry()
{
    if (m_rows.Filling())
        return;
    TCarryRequest request;
    request.ToYear = WorkingDataYear();
    ListFilter filter = m_scope.Filter();
    filter.DataYear = request.ToYear - 1; // what this list shows, a year earlier
    request.IdsSql = ListStatement(filter, DefDialect());
    request.Scope = QStringLiteral("“%1”%2").arg(m_scope.UnitName(), m_ui.cobBType->currentText());
    StartCarry(m_window->Work(), request, [this, toYear = request.ToYear](const TCarryResult& r) {
        switch (r.Work) {
        case TWorkOutcome::Cancelled:
            m_ui.labStatus->setText(QStringLiteral("结转已取消，未写入任何指标"));
            return;
        case TWorkOutcome::Failed:
            ShowMessage(r.Error, CaptionRefuse(), MsgIcon::Error);
            return;
        case TWorkOutcome::Done:
            break;
        }
        if (!r.Nothing.isEmpty()) {
            ShowMessage(r.Nothing, CaptionInfo(), MsgIcon::Information);
            return;
        }
        if (r.Declined)
            return;
        m_relist();
        ShowMessage(QStringLiteral("已结转%L1条指标到%2年。").arg(r.Written).arg(toYear),
                    CaptionInfo(), MsgIcon::Information);
    });
}

void TListActions::History()
{
    const int r = m_ui.ngdBudget->SelectedRow();
    TNextGridManager* manager = m_rows.Manager();
    if (r < 0 || !manager)
        return;
    const QString id = manager->GetText(m_ui.ngdBudget, r, QStringLiteral("budgid")).trimmed();
    const QString eid = manager->GetText(m_ui.ngdBudget, r, QStringLiteral("eid")).trimmed();
    if (id.isEmpty() || eid == QStringLiteral("合计"))
        return; // the totals row, or no indicator
    if (!HistoryInstalled()) {
        ShowMessage(HistoryNotSetUpText(), CaptionInfo(), MsgIcon::Information);
        return;
    }
    TfrmBudgetHistory dialog(WorkingDataYear(), id, m_window);
    dialog.exec();
}

void TListActions::Deleted()
{
    if (!HistoryInstalled()) {
        ShowMessage(HistoryNotSetUpText(), CaptionInfo(), MsgIcon::Information);
        return;
    }
    TfrmDeletedBudgets dialog(WorkingDataYear(), m_scope.Filter().UnitCode, m_window);
    dialog.exec();
    if (dialog.Restored())
        m_relist();
}
