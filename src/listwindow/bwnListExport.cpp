#include "listwindow/bwnListExport.h"

#include "basewindows/wnWorkProgress.h"
#include "context/untWorkContext.h"
#include "platform/untApplication.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>

namespace
{
const char* const kFolderKey = "Export/folder";
} // namespace

QString ExportFolder()
{
    return QSettings().value(QLatin1String(kFolderKey), QDir::homePath()).toString();
}

void RememberExportFolder(const QString& filePath)
{
    QSettings().setValue(QLatin1String(kFolderKey), QFileInfo(filePath).absolutePath());
}

void ShowFileOutcome(QLabel* status, TWorkOutcome outcome, const QString& error,
                     const QString& path, const TFileOutcomeTexts& texts)
{
    switch (outcome) {
    case TWorkOutcome::Done:
        RememberExportFolder(path);
        status->setText(texts.Done);
        if (!texts.DoneMessage.isEmpty() && SysParams().ShowSuccessMsg == QLatin1String("1"))
            ShowMessage(texts.DoneMessage, CaptionInfo(), MsgIcon::Information);
        return;
    case TWorkOutcome::Cancelled:
        status->setText(texts.Cancelled);
        return;
    case TWorkOutcome::Failed:
        status->setText(texts.Failed);
        ShowMessage(error, CaptionRefuse(), MsgIcon::Error);
        return;
    }
}

bool StartTableExport(TWindowWork* work, TExportTable table, const QString& path,
                      const QString& sheetName,
                      std::function<void(TWorkOutcome outcome, const QString& error)> done)
{
    auto job = [table = std::move(table), path, sheetName](TWorkControl& control) {
        control.Phase(QStringLiteral("正在写入行…"));
        return ExportTable(table, path, sheetName,
                           [&](int written, int rows) { return control.Progress(written, rows); });
    };
    return work->Run(QStringLiteral("导出"), job, std::move(done));
}
