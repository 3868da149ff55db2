#include "listwindow/bwnListExport.h"

#include "basewindows/wnWorkProgress.h"
#include "sheets/untSheetFormats.h"

bool StartTableExport(TWindowWork* work, TExportTable table, const QString& path,
                      const QString& sheetName,
                      std::function<void(TWorkOutcome outcome, const QString& error)> done)
{
    const bool workbook = SheetFormatOf(path).Workbook;
    auto job = [table = std::move(table), path, sheetName, workbook](TWorkControl& control) {
        control.Phase(QStringLiteral("正在写入行…"));
        bool packing = false;
        return ExportTable(table, path, sheetName, [&](int written, int rows) {
            if (!workbook || written < rows)
                return control.Progress(written, rows);
            if (!packing) {
                packing = true;
                control.Phase(QStringLiteral("正在打包工作簿…"));
            }
            return !control.Cancelled();
        });
    };
    return work->Run(QStringLiteral("导出"), job, std::move(done));
}
