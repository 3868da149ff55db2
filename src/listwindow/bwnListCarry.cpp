#include "listwindow/bwnListCarry.h"

#include "basewindows/wnBase.h"
#include "basewindows/wnWorkProgress.h"
#include "context/untWorkContext.h"
#include "listwindow/bwnListRows.h"
#include "listwindow/bwnListScope.h"
#include "platform/untApplication.h"
#include "budget/gunBudgetSave.h"
#include "budget/gunCarryForward.h"

#include <QComboBox>
#include <QLabel>
#include <memory>
#include <utility>

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
    if (plan.Alike > 0)
        text += QStringLiteral("\n%L1条与%2年的另一条指标属性相同，只结转其中一条。")
                    .arg(plan.Alike)
                    .arg(plan.FromYear);
    if (!plan.OutOfRange.isEmpty())
        text +=
            (QStringLiteral("\n%L1条的") + Currency::RangeText() + QStringLiteral("，不结转：%2"))
                .arg(plan.OutOfRange.size())
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

QString CarriedText(const TCarryResult& r, int toYear)
{
    QString text = QStringLiteral("已结转%L1条指标到%2年。").arg(r.Written).arg(toYear);
    // Another operator wrote their like after the operator was asked.
    if (r.Written < r.Planned)
        text += QStringLiteral("另有%L1条写入时%2年已有相同的指标，没有重复写入。")
                    .arg(r.Planned - r.Written)
                    .arg(toYear);
    return text;
}

bool StartCarry(TWindowWork* work, const TCarryRequest& request,
                std::function<void(const TCarryResult&)> done)
{
    auto result = std::make_shared<TCarryResult>();
    auto job = [request, result](TWorkControl& control) {
        const int fromYear = request.ToYear - 1;
        control.Phase(QStringLiteral("正在读取%1年的指标…").arg(fromYear));
        const TCarryPlan plan = PlanCarryForward(fromYear, request.ToYear, request.IdsSql);
        if (control.Cancelled())
            return false;
        if (plan.ToCopy.empty()) {
            result->Nothing = QStringLiteral("%1年%2没有可结转到%3年的指标。")
                                  .arg(fromYear)
                                  .arg(request.Scope)
                                  .arg(request.ToYear) +
                              CarryDetails(plan);
            return true;
        }
        const QString question = QStringLiteral("将%1年%2的%L3条指标结转到%4年。")
                                     .arg(fromYear)
                                     .arg(request.Scope)
                                     .arg(plan.ToCopy.size())
                                     .arg(request.ToYear) +
                                 CarryDetails(plan) + QStringLiteral("\n\n是否结转？");
        const int answer =
            control.Ask({question, CaptionConfirm(), MsgIcon::Question, MsgButtons::YesNo});
        if (answer == mrCancel)
            return false; // cancelled while the operator was asked
        if (answer != mrYes) {
            result->Declined = true;
            return true;
        }
        // The writers' lock may be another's for a while: the phase says so until it is ours.
        control.Phase(WaitingToWritePhase());
        const int written = CarryForward(
            plan,
            AfterLockTaken(
                [&] { control.Phase(QStringLiteral("正在写入%1年的指标…").arg(request.ToYear)); },
                [&control](int n, int total) { return control.Progress(n, total); }));
        if (written == 0 && control.Cancelled())
            return false; // rolled back
        result->Planned = int(plan.ToCopy.size());
        result->Written = written;
        return true;
    };
    return work->Run(QStringLiteral("结转上年指标"), job,
                     [result, done = std::move(done)](TWorkOutcome outcome, const QString& error) {
                         result->Work = outcome;
                         result->Error = error;
                         done(*result);
                     });
}

TListCarry::TListCarry(TfrmBase* window, const TListControls& ui, const TListScope& scope,
                       const TListRows& rows, std::function<void()> relist)
    : m_window(window), m_ui(ui), m_scope(scope), m_rows(rows), m_relist(std::move(relist))
{
}

void TListCarry::Start()
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
        ShowMessage(CarriedText(r, toYear), CaptionInfo(), MsgIcon::Information);
    });
}
