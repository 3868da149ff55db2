#include "listwindow/bwnListExport.h"

#include "basewindows/wnWorkProgress.h"

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
