#include "listwindow/bwnSummaryChart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace
{
void ClearChart(QChart* chart)
{
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        axis->hide(); // removed alone, its labels and grid stay painted (Qt Charts 6.4)
        chart->removeAxis(axis);
        delete axis;
    }
}

// The group's name without its code where it has one.
QString GroupName(const QString& caption)
{
    return caption.contains(QLatin1Char(' ')) ? caption.section(QLatin1Char(' '), 1) : caption;
}

// A label short enough for an axis.
QString Short(const QString& caption)
{
    const QString name = GroupName(caption);
    return name.size() > 7 ? name.left(6) + QStringLiteral("…") : name;
}

// One label per group, each different: the category axis keeps only the first of equal labels,
// which would leave a bar without its slot (hidden) and put the labels under the wrong bars.
// Names alike in their first characters show their ends too, then a number.
// Round ticks (1, 2 or 5 times a power of ten) over the values, each label with the decimals its
// step needs: an axis of 0 to 2,636,532 reads 0, 500000, … not 659133, 1318266, ….
void NiceRange(QValueAxis* axis, double low, double high)
{
    axis->setRange(low, high > low ? high : low + 1);
    axis->applyNiceNumbers();
    const double step = (axis->max() - axis->min()) / std::max(1, axis->tickCount() - 1);
    const int decimals = step >= 1 ? 0 : std::min(4, int(std::ceil(-std::log10(step))));
    axis->setLabelFormat(QStringLiteral("%.") + QString::number(decimals) + QLatin1Char('f'));
}

QStringList BarLabels(const std::vector<TSummaryRow>& rows)
{
    QStringList labels;
    for (const TSummaryRow& row : rows) {
        QString label = Short(row.Caption);
        const QString name = GroupName(row.Caption);
        if (labels.contains(label) && name.size() > 7)
            label = name.left(3) + QStringLiteral("…") + name.right(3);
        for (int n = 2; labels.contains(label); ++n)
            label = Short(row.Caption) + QStringLiteral("(%1)").arg(n);
        labels << label;
    }
    return labels;
}

void DrawBars(QChart* chart, const std::vector<TSummaryRow>& rows,
              const std::vector<TMoneySum>& running, const QString& amountCaption)
{
    auto* set = new QBarSet(amountCaption);
    const QStringList categories = BarLabels(rows);
    double low = 0, high = 0;
    for (const TSummaryRow& row : rows) {
        const double value = row.Amount.Value() / 10000.0; // 万元
        *set << value;
        low = std::min(low, value);
        high = std::max(high, value);
    }
    auto* bars = new QBarSeries(chart);
    bars->append(set);
    chart->addSeries(bars);
    auto* x = new QBarCategoryAxis(chart);
    x->append(categories);
    // Upright labels beyond four groups: a slanted one reaches left of its slot, and the axis
    // drops the first group's label where it would pass the axis' start.
    x->setLabelsAngle(categories.size() > 4 ? -90 : 0);
    x->setTruncateLabels(false); // the labels are short already; a cut one names nothing
    chart->addAxis(x, Qt::AlignBottom);
    bars->attachAxis(x);
    auto* y = new QValueAxis(chart);
    y->setTitleText(amountCaption + QStringLiteral("（万元）"));
    chart->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(y);
    NiceRange(y, low, high);
    if (running.empty())
        return;
    auto* line = new QLineSeries(chart);
    line->setName(QStringLiteral("累计"));
    double top = 0, bottom = 0;
    for (size_t i = 0; i < running.size(); ++i) {
        const double value = running[i].Value() / 10000.0;
        line->append(double(i), value);
        top = std::max(top, value);
        bottom = std::min(bottom, value);
    }
    chart->addSeries(line);
    auto* along = new QValueAxis(chart);
    along->setRange(-0.5, double(running.size()) - 0.5);
    along->setVisible(false);
    chart->addAxis(along, Qt::AlignTop);
    line->attachAxis(along);
    auto* total = new QValueAxis(chart);
    total->setTitleText(QStringLiteral("累计（万元）"));
    chart->addAxis(total, Qt::AlignRight);
    line->attachAxis(total);
    NiceRange(total, bottom, top);
}

void DrawPie(QChart* chart, const std::vector<TSummaryRow>& rows, const QString& amountCaption)
{
    auto* pie = new QPieSeries(chart);
    int left = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const double value = rows[i].Amount.Value();
        if (value <= 0) {
            ++left;
            continue;
        }
        QPieSlice* slice = pie->append(Short(rows[i].Caption), value);
        slice->setProperty("row", int(i));
    }
    for (QPieSlice* slice : pie->slices())
        slice->setLabel(QStringLiteral("%1 %2%")
                            .arg(slice->label())
                            .arg(slice->percentage() * 100.0, 0, 'f', 1));
    pie->setLabelsVisible(pie->count() <= 16);
    chart->addSeries(pie);
    QString title = amountCaption + QStringLiteral("占比");
    if (left > 0)
        title += QStringLiteral("（%1组为零或负数，不在图中）").arg(left);
    chart->setTitle(title);
}
} // namespace

void DrawSummaryChart(QChart* chart, const std::vector<TSummaryRow>& rows, TSummaryChartKind kind,
                      const std::vector<TMoneySum>& running, const QString& amountCaption)
{
    ClearChart(chart);
    chart->setTitle(QString());
    chart->legend()->setVisible(false);
    if (rows.empty()) // nothing read (a failed or an empty summary): no axes of nothing either
        return;
    if (kind == TSummaryChartKind::Pie)
        DrawPie(chart, rows, amountCaption);
    else
        DrawBars(chart, rows, running, amountCaption);
    chart->legend()->setVisible(kind == TSummaryChartKind::Pie || !running.empty());
}
