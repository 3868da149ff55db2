// Carrying last year's indicators of the listed scope into the working year.
#include "listwindow/bwnQuindle.h"

#include "budget/gunCarryForward.h"
#include "context/untWorkContext.h"
#include "listwindow/bwnQuindleList.h"
#include "platform/untApplication.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressDialog>

namespace
{
constexpr int kElementsShown = 15;

// What is left out, and why: one line each.
QString CarryDetails(const TCarryPlan& plan)
{
    QString text;
    if (plan.Duplicates > 0)
        text += QStringLiteral("\n%L1条在%2年已有相同的指标，不再结转。")
                    .arg(plan.Duplicates)
                    .arg(plan.ToYear);
    if (!plan.OutOfRange.isEmpty())
        text +=
            QStringLiteral("\n%L1条的金额超出范围（绝对值不能超过%2元），不结转：%3")
                .arg(plan.OutOfRange.size())
                .arg(Currency::FromRaw(Currency::kLimitRaw).Format2())
                .arg(
                    QStringList(plan.OutOfRange.mid(0, kElementsShown)).join(QStringLiteral("、")) +
                    (plan.OutOfRange.size() > kElementsShown ? QStringLiteral("…") : QString()));
    if (plan.Missing > 0) {
        text += QStringLiteral("\n%L1条因以下单位、科目或项目在%2年不存在而不结转：")
                    .arg(plan.Missing)
                    .arg(plan.ToYear);
        for (const QString& e : plan.MissingElements.mid(0, kElementsShown))
            text += QStringLiteral("\n    ") + e;
        if (plan.MissingElements.size() > kElementsShown)
            text += QStringLiteral("\n    …共%1项").arg(plan.MissingElements.size());
    }
    return text;
}
} // namespace

void TbfrmQuindle::mnuCarryClick()
{
    if (Filling())
        return;
    const int toYear = WorkingDataYear();
    ListFilter filter = CurrentFilter();
    filter.DataYear = toYear - 1; // what this list shows, a year earlier
    const QString scope = QStringLiteral("“%1”%2").arg(SelectedUnitName, cobBType->currentText());
    TCarryPlan plan;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        plan = PlanCarryForward(toYear - 1, toYear, ListStatement(filter, DefDialect()));
    }
    if (plan.ToCopy.empty()) {
        ShowMessage(QStringLiteral("%1年%2没有可结转到%3年的指标。")
                            .arg(toYear - 1)
                            .arg(scope)
                            .arg(toYear) +
                        CarryDetails(plan),
                    CaptionInfo(), MsgIcon::Information);
        return;
    }
    const QString question = QStringLiteral("将%1年%2的%L3条指标结转到%4年。")
                                 .arg(toYear - 1)
                                 .arg(scope)
                                 .arg(plan.ToCopy.size())
                                 .arg(toYear) +
                             CarryDetails(plan) + QStringLiteral("\n\n是否结转？");
    if (ShowMessage(question, CaptionConfirm(), MsgIcon::Question, MsgButtons::YesNo) != mrYes)
        return;
    QProgressDialog progress(QStringLiteral("正在结转…"), QStringLiteral("取消"), 0,
                             int(plan.ToCopy.size()), this);
    progress.setObjectName(QStringLiteral("dlgCarryProgress"));
    progress.setWindowTitle(QStringLiteral("结转上年指标"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(300);
    bool cancelled = false;
    const int written = CarryForward(plan, [&](int done, int total) {
        progress.setLabelText(QStringLiteral("正在结转… %L1 / %L2 条").arg(done).arg(total));
        progress.setValue(done);
        QCoreApplication::processEvents();
        cancelled = progress.wasCanceled();
        return !cancelled;
    });
    progress.reset();
    if (cancelled) {
        labStatus->setText(QStringLiteral("结转已取消，未写入任何指标"));
        return;
    }
    RunListQuery();
    ShowMessage(QStringLiteral("已结转%L1条指标到%2年。").arg(written).arg(toYear), CaptionInfo(),
                MsgIcon::Information);
}
