// Exporting the list as shown to a workbook or a CSV file.
#include "listwindow/bwnQuindle.h"

#include "context/untWorkContext.h"
#include "controls/TNextGrid.h"
#include "platform/untApplication.h"
#include "listwindow/bwnListExport.h"
#include "platform/untFileDialog.h"
#include "sheets/untSheetFormats.h"
#include "support/untTableExport.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>

namespace
{
const char* const kFolderKey = "Export/folder";

// A file name without the characters file systems refuse.
QString FileNameOf(QString text)
{
    for (QChar& c : text)
        if (QStringLiteral("\\/:*?\"<>|").contains(c) || c.unicode() < 0x20)
            c = u'_';
    return text;
}
} // namespace

QString TbfrmQuindle::ExportSheetName() const
{
    return QStringLiteral("%1年%2").arg(WorkingDataYear()).arg(cobBType->currentText());
}

QString TbfrmQuindle::ExportProposal() const
{
    const QString folder =
        QSettings().value(QLatin1String(kFolderKey), QDir::homePath()).toString();
    return folder + QLatin1Char('/') +
           FileNameOf(ExportSheetName() + QLatin1Char('-') + SelectedUnitName);
}

void TbfrmQuindle::RememberExportFolder(const QString& path)
{
    // Only a folder that took a file is offered next time.
    QSettings().setValue(QLatin1String(kFolderKey), QFileInfo(path).absolutePath());
}

void TbfrmQuindle::tbtnExportClick()
{
    if (Filling() || ngdBudget->RowCount() == 0)
        return;
    TFileDialog dialog(this, QStringLiteral("导出预算指标"), ExportProposal(), SaveFilters());
    dialog.setObjectName(QStringLiteral("dlgExport"));
    dialog.SetSaveSuffixes(SaveSuffixes());
    const QString path = dialog.Choose();
    if (!path.isEmpty())
        ExportList(path);
}

bool TbfrmQuindle::ExportList(const QString& path)
{
    const int rows = m_rowsRead; // the indicators; the file also holds the totals row
    return StartTableExport(Work(), GridExportTable(ngdBudget), path, ExportSheetName(),
                            [this, rows, path](TWorkOutcome outcome, const QString& error) {
                                switch (outcome) {
                                case TWorkOutcome::Done:
                                    RememberExportFolder(path);
                                    labStatus->setText(
                                        QStringLiteral("已导出 %L1 条指标").arg(rows));
                                    if (SysParams().ShowSuccessMsg == QLatin1String("1"))
                                        ShowMessage(QStringLiteral("已导出%L1条指标到%2。")
                                                        .arg(rows)
                                                        .arg(QDir::toNativeSeparators(path)),
                                                    CaptionInfo(), MsgIcon::Information);
                                    return;
                                case TWorkOutcome::Cancelled:
                                    labStatus->setText(QStringLiteral("导出已取消"));
                                    return;
                                case TWorkOutcome::Failed:
                                    labStatus->setText(QStringLiteral("导出失败"));
                                    ShowMessage(error, CaptionRefuse(), MsgIcon::Error);
                                    return;
                                }
                            });
}
