// The list plug-in's windows, registered together: the list opens the summary through the
// opener set here, the summary opens lists directly.
#include "listwindow/bwnQuindle.h"
#include "listwindow/bwnSummary.h"

#include "plugin/untClassRegist.h"
#include "plugin/untPlugInEntry.h"
#include "plugin/untShareResRefManager.h"

#include <QRadioButton>

void RegisterListWindow()
{
    RegisterPlugInClass(&TbfrmQuindle::staticMetaObject);
    RegisterSummaryWindow();
    TbfrmQuindle::SetSummaryOpener([](TbfrmQuindle* list) {
        const ListFilter scope = list->Scope().Filter();
        const bool entrustedOnly = list->Controls().rgpShowEidItems[0]->isChecked();
        auto* summary = qobject_cast<TbfrmSummary*>(
            ResRefManager()->GetObj(QStringLiteral("TbfrmSummary"), true)); // opened or focused
        if (summary)
            summary->StartFrom(scope, list->Scope().UnitName(), entrustedOnly);
    });
}
