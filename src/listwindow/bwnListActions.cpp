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
    const bool subTypes = !m_ui.pnlChild->isHidden();
    d->IsAddMode = true;
    d->cmbBType->setCurrentIndex(m_ui.cobBType->currentIndex());
    d->plChild->setVisible(subTypes);
    if (subTypes && m_ui.cobChild->currentIndex() != 0)
        d->cmbChild->setCurrentIndex(m_ui.cobChild->currentIndex() - 1);
    d->edtEid->setText(m_scope.UnitName());
    d->Budget.Eid = m_scope.UnitCode();
    SelectComboText(d->cmbmid, m_ui.cobMid->currentText());
    d->MoneyKindCode = m_scope.MoneyKindCode();
    SelectComboText(d->cmbbkid, m_ui.cobbkid->currentText());
    d->SourceCode = m_scope.SourceCode();
    d->FillIncomePayList();
    d->Budget.BType = m_scope.BTypeIndex();
    d->Budget.BTypeChild = m_scope.BTypeIndex();
    d->TypeCaption = m_ui.cobBType->currentText();
    d->SetAmountMinimum(Currency::FromRaw(-99'999'999'990'000)); // -9,999,999,999 yuan
    d->setWindowTitle(QStringLiteral("增加") + m_ui.cobBType->currentText() +
                      QStringLiteral("信息"));
    Application->ExecModal(d);
    if (d->Saved)
        m_rows.SelectAfterList(d->Budget.BudgId);
    return d->Saved ? 1 : 0;
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
    const bool subTypes = !m_ui.pnlChild->isHidden();
    d->plChild->setVisible(subTypes);
    d->MoneyKindCode = cell("mid");
    d->SourceCode = cell("bkid");
    d->FillIncomePayList();
    d->setWindowTitle(QStringLiteral("修改") + m_ui.cobBType->currentText() +
                      QStringLiteral("信息"));
    d->IsAddMode = false;
    d->Budget.BType = m_scope.BTypeIndex();
    d->Budget.BudgId = cell("budgid");
    if (!TBudgetManage().LoadBudget(d->Budget))
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
    d->SetAmountYuan(manager->GetCurrency(m_ui.ngdBudget, r, QStringLiteral("budgmoney")));
    d->Budget.IsSecret = cell("issecret");
    d->cmbSecret->setCurrentIndex(PositionOf(d->Budget.IsSecret, 0));
    d->Budget.BTypeChild = cell("btypechild");
    if (subTypes)
        d->cmbChild->setCurrentIndex(PositionOf(d->Budget.BTypeChild, 1));
    // The update never writes the sub-type: it is shown, not offered.
    d->cmbChild->setEnabled(false);
    Application->ExecModal(d);
    if (d->Saved)
        m_rows.SelectAfterList(d->Budget.BudgId);
    return d->Saved ? 1 : 0;
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
