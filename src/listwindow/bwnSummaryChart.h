#pragma once
// Drawing a summary's groups: bars with the running total, or a pie of the shares.

#include "listwindow/bwnSummaryQuery.h"

#include <vector>

class QChart;
class QString;

enum class TSummaryChartKind { Bars, Pie };

// Replaces what the chart shows by the rows (ChartRows' groups and "其他"). Bars carry each
// row's index as their category; with `running` a line of the running total goes over them on an
// axis of its own. A pie holds the rows with a positive amount, each slice carrying its row's
// index in the property "row"; the others are named in the title.
void DrawSummaryChart(QChart* chart, const std::vector<TSummaryRow>& rows, TSummaryChartKind kind,
                      const std::vector<TMoneySum>& running, const QString& amountCaption);
