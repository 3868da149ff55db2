#pragma once
// The summary written out: the table as a workbook or CSV, the chart as PNG or SVG, both printed.

#include "listwindow/bwnSummaryControls.h"
#include "listwindow/bwnSummaryQuery.h"

#include <QSize>
#include <QString>

class QImage;
class TfrmBsCld;
struct TExportTable;
struct TPrintDocument;

// Works on the summary shown (nothing before there is one).
class TSummaryOutput
{
public:
    TSummaryOutput(TfrmBsCld* window, const TSummaryControls& ui, const bool& hasResult,
                   const TSummaryTable& table, const QString& unitName);

    // 导出 and 导出图表: ask for a file, then write to it.
    void ExportTable();
    void ExportChart();
    // Write the table (workbook or CSV) or the chart (PNG or SVG) to the file; false when it
    // could not (the operator has been told why).
    bool ExportTableTo(const QString& path);
    bool ExportChartTo(const QString& path);
    // 打印: the preview of Document().
    void Print();
    // What 打印 prints: the chart on a page of its own, then the table as shown.
    TPrintDocument Document() const;

private:
    TExportTable ShownTable(bool forFile) const;
    QImage ChartImage(QSize size) const;

    TfrmBsCld* m_window;
    const TSummaryControls& m_ui;
    const bool& m_hasResult;
    const TSummaryTable& m_table;
    const QString& m_unitName;
};
