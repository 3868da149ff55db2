// Carrying last year's indicators of the listed scope into the working year.
#include "listwindow/bwnQuindle.h"

#include "context/untWorkContext.h"
#include "listwindow/bwnListCarry.h"
#include "listwindow/bwnQuindleList.h"
#include "platform/untApplication.h"

#include <QComboBox>
#include <QLabel>

void TbfrmQuindle::mnuCarryClick()
{
    if (Filling())
        return;
    TCarryRequest request;
    request.ToYear = WorkingDataYear();
    ListFilter filter = CurrentFilter();
    filter.DataYear = request.ToYear - 1; // what this list shows, a year earlier
    request.IdsSql = ListStatement(filter, DefDialect());
    request.Scope = QStringLiteral("“%1”%2").arg(SelectedUnitName, cobBType->currentText());
    StartCarry(Work(), request, [this, toYear = request.ToYear](const TCarryResult& r) {
        switch (r.Work) {
        case TWorkOutcome::Cancelled:
            labStatus->setText(QStringLiteral("结转已取消，未写入任何指标"));
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
        RunListQuery();
        ShowMessage(QStringLiteral("已结转%L1条指标到%2年。").arg(r.Written).arg(toYear),
                    CaptionInfo(), MsgIcon::Information);
    });
}
