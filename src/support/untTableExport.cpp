#include "support/untTableExport.h"

#include "controls/TNextGrid.h"

#include <QHeaderView>
#include <memory>
#include <vector>

TExportTable GridExportTable(const TNextGrid* grid)
{
    TExportTable table;
    std::vector<int> sources;
    const QHeaderView* header = grid->horizontalHeader();
    for (int visual = 0; visual < grid->ColumnCount(); ++visual) {
        const int c = header->logicalIndex(visual);
        const TNxColumn& def = grid->Column(c);
        if (!def.Visible || grid->isColumnHidden(c) || def.Kind == TNxColumnKind::CheckBox)
            continue;
        const double chars = grid->columnWidth(c) / double(grid->fontMetrics().averageCharWidth());
        table.Columns.append({def.Caption, def.Kind == TNxColumnKind::Number, chars, def.Name});
        sources.push_back(c);
    }
    table.Rows = grid->RowCount();
    // The cells as they are now: the table is written on another thread.
    auto cells = std::make_shared<const TGridCells>(grid->Snapshot());
    table.Text = [cells, sources](int row, int col) {
        return cells->ShownText(sources[size_t(col)], row);
    };
    table.Amount = [cells, sources](int row, int col) -> std::optional<Currency> {
        const QString text = cells->ShownText(sources[size_t(col)], row);
        return text.isEmpty() ? std::nullopt : Currency::FromText(text);
    };
    return table;
}
