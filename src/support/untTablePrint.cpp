#include "support/untTablePrint.h"

#include "platform/untCurrency.h"
#include "platform/untException.h"
#include "sheets/untFileReplacement.h"

#include <QFile>
#include <QFontMetricsF>
#include <QHash>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cerrno>

namespace
{
constexpr double kTableFont = 9;
constexpr double kMinTableFont = 6;
constexpr double kTitleFont = 14;
constexpr double kRowLines = 1.5; // a row is this many lines of its font high

double Points(const QPaintDevice& device, double points)
{
    return points * device.logicalDpiY() / 72.0;
}

// A text's width from the advances of its characters, each measured once (shaping every cell
// of a long list was most of the painting); kerning aside, as a grid's cells have it.
class TAdvances
{
public:
    explicit TAdvances(const QFontMetricsF& metrics) : m_metrics(metrics) {}
    double Width(const QString& text)
    {
        double width = 0;
        for (const QChar c : text) {
            auto it = m_cache.constFind(c.unicode());
            if (it == m_cache.constEnd())
                it = m_cache.insert(c.unicode(), m_metrics.horizontalAdvance(c));
            width += *it;
        }
        return width;
    }
    const QFontMetricsF& Metrics() const { return m_metrics; }

private:
    const QFontMetricsF& m_metrics;
    QHash<char16_t, double> m_cache;
};
} // namespace

struct TTablePainter::Fonts {
    Fonts(const QFont& family, const QPaintDevice& device, double scale)
        : Table(family), Bold(family), Title(family), Text(family)
    {
        Table.setPointSizeF(kTableFont * scale);
        Bold.setPointSizeF(kTableFont * scale);
        Bold.setBold(true);
        Title.setPointSizeF(kTitleFont);
        Title.setBold(true);
        Text.setPointSizeF(kTableFont);
        const QFontMetricsF table(Table, &device);
        CharWidth = table.averageCharWidth();
        TableMetrics = std::make_unique<QFontMetricsF>(Table, &device);
        BoldMetrics = std::make_unique<QFontMetricsF>(Bold, &device);
        TableAdvances = std::make_unique<TAdvances>(*TableMetrics);
        BoldAdvances = std::make_unique<TAdvances>(*BoldMetrics);
        TitleHeight = QFontMetricsF(Title, &device).height() * 1.6;
        TextHeight = QFontMetricsF(Text, &device).height() * 1.6;
    }
    QFont Table, Bold, Title, Text;
    double CharWidth = 0;
    double TitleHeight = 0;
    double TextHeight = 0;
    std::unique_ptr<QFontMetricsF> TableMetrics;
    std::unique_ptr<QFontMetricsF> BoldMetrics;
    std::unique_ptr<TAdvances> TableAdvances;
    std::unique_ptr<TAdvances> BoldAdvances;
};

TTablePainter::TTablePainter(TPrintDocument document) : m_doc(std::move(document)) {}

TPrintLayout TTablePainter::Layout(const QPagedPaintDevice& device) const
{
    const Fonts fonts(m_doc.Font, device, 1.0);
    TPrintMetrics m;
    m.PageWidth = device.width();
    m.PageHeight = device.height();
    m.CharWidth = fonts.CharWidth;
    m.RowHeight = fonts.TableMetrics->height() * kRowLines;
    m.HeadHeight = fonts.TitleHeight + fonts.TextHeight;
    m.FootHeight = fonts.TextHeight;
    m.FontSize = kTableFont;
    m.MinFontSize = kMinTableFont;
    QList<TPrintColumn> columns;
    for (const TExportColumn& c : m_doc.Table.Columns)
        columns.append({c.Width, c.Amount});
    return TPrintLayout(columns, m_doc.KeyColumn, m_doc.Table.Rows, m);
}

int TTablePainter::PageCount(const QPagedPaintDevice& device) const
{
    return Layout(device).PageCount() + (m_doc.Figure.isNull() ? 0 : 1);
}

bool TTablePainter::Paint(QPagedPaintDevice& device, const TPrintProgress& progress, int maxPages,
                          const std::function<void()>& abandon) const
{
    const TPrintLayout layout = Layout(device);
    const Fonts fonts(m_doc.Font, device, layout.Scale());
    QPainter painter;
    if (!painter.begin(&device))
        throw Exception(QStringLiteral("无法开始打印（打印机或文件不能写入）。"));
    const QRectF area(0, 0, device.width(), device.height());
    const int figures = m_doc.Figure.isNull() ? 0 : 1;
    const int pages = layout.PageCount() + figures;
    const int last = maxPages < 0 ? pages : std::min(pages, maxPages);
    for (int page = 0; page < last; ++page) {
        if (page > 0 && !device.newPage())
            throw Exception(QStringLiteral("无法开始新的一页。"));
        if (page < figures)
            PaintFigurePage(painter, fonts, pages, area);
        else
            PaintPage(painter, layout, fonts, page - figures, area);
        if (progress && !progress(page + 1, pages)) {
            if (abandon)
                abandon();
            painter.end();
            return false;
        }
    }
    if (!painter.end())
        throw Exception(QStringLiteral("打印未能完成。"));
    return true;
}

double TTablePainter::PaintHead(QPainter& painter, const Fonts& fonts, const QRectF& area) const
{
    double y = area.top();
    painter.setFont(fonts.Title);
    painter.drawText(QRectF(area.left(), y, area.width(), fonts.TitleHeight), Qt::AlignCenter,
                     m_doc.Texts.Title);
    y += fonts.TitleHeight;
    painter.setFont(fonts.Text);
    painter.drawText(QRectF(area.left(), y, area.width(), fonts.TextHeight),
                     Qt::AlignHCenter | Qt::AlignTop, m_doc.Texts.Filters);
    return y + fonts.TextHeight;
}

void TTablePainter::PaintFoot(QPainter& painter, const Fonts& fonts, int number, int pages,
                              const QRectF& area) const
{
    const QRectF foot(area.left(), area.bottom() - fonts.TextHeight, area.width(),
                      fonts.TextHeight);
    painter.setFont(fonts.Text);
    painter.drawText(foot, Qt::AlignLeft | Qt::AlignBottom, PrintFootText(m_doc.Texts));
    painter.drawText(foot, Qt::AlignRight | Qt::AlignBottom, PageNumberText(number, pages));
}

// The figure as large as the page allows between the head and the foot, its shape kept.
void TTablePainter::PaintFigurePage(QPainter& painter, const Fonts& fonts, int pages,
                                    const QRectF& area) const
{
    const double top = PaintHead(painter, fonts, area);
    const QRectF room(area.left(), top, area.width(), area.bottom() - fonts.TextHeight * 1.5 - top);
    const QSizeF size = QSizeF(m_doc.Figure.size()).scaled(room.size(), Qt::KeepAspectRatio);
    const QRectF target(room.left() + (room.width() - size.width()) / 2, room.top(), size.width(),
                        size.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_doc.Figure);
    PaintFoot(painter, fonts, 1, pages, area);
}

void TTablePainter::PaintPage(QPainter& painter, const TPrintLayout& layout, const Fonts& fonts,
                              int page, const QRectF& area) const
{
    const QPaintDevice& device = *painter.device();
    const TPrintLayout::Page p = layout.PageAt(page);
    const std::vector<int>& columns = layout.Groups()[size_t(p.Group)];
    painter.setPen(QPen(Qt::black, Points(device, 0.5)));
    double y = PaintHead(painter, fonts, area);

    double width = 0;
    for (int c : columns)
        width += layout.ColumnWidth(c);
    const double left = area.left() + std::max(0.0, (area.width() - width) / 2);
    const double row = layout.RowHeight();
    const double pad = fonts.CharWidth * 0.6;
    const double top = y;
    // The header row, then the rows of the band.
    painter.fillRect(QRectF(left, y, width, row), QColor(230, 230, 230));
    auto drawRow = [&](int r, bool bold) {
        painter.setFont(bold ? fonts.Bold : fonts.Table);
        TAdvances& advances = bold ? *fonts.BoldAdvances : *fonts.TableAdvances;
        const QFontMetricsF& fm = advances.Metrics();
        const double baseline = y + (row - fm.height()) / 2 + fm.ascent();
        double x = left;
        for (int c : columns) {
            const double w = layout.ColumnWidth(c);
            const TExportColumn& col = m_doc.Table.Columns[c];
            QString text = r < 0 ? col.Caption : m_doc.Table.Text(r, c);
            if (r >= 0 && col.Amount && !text.isEmpty())
                text = FormatAmountText(text); // as the grid shows it: grouped, two decimals
            const double room = w - 2 * pad;
            double width = advances.Width(text);
            if (width > room) {
                text = fm.elidedText(text, Qt::ElideRight, room);
                width = fm.horizontalAdvance(text);
            }
            const bool number = col.Amount || col.Number != TExportNumber::None;
            const double at = r < 0 ? x + (w - width) / 2 : number ? x + w - pad - width : x + pad;
            painter.drawText(QPointF(at, baseline), text);
            x += w;
        }
        y += row;
    };
    drawRow(-1, true);
    const int totals = m_doc.LastRowIsTotals ? m_doc.Table.Rows - 1 : -1;
    for (int r = p.FirstRow; r < p.EndRow; ++r)
        drawRow(r, r == totals);
    // The lines of the grid.
    for (double line = top; line <= y + 0.5; line += row)
        painter.drawLine(QPointF(left, line), QPointF(left + width, line));
    double x = left;
    painter.drawLine(QPointF(x, top), QPointF(x, y));
    for (int c : columns) {
        x += layout.ColumnWidth(c);
        painter.drawLine(QPointF(x, top), QPointF(x, y));
    }

    const int figures = m_doc.Figure.isNull() ? 0 : 1;
    PaintFoot(painter, fonts, figures + page + 1, figures + layout.PageCount(), area);
}

void SetListPageLayout(QPagedPaintDevice& device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
}

bool PrintTablePdf(const TTablePainter& painter, const QString& path,
                   const TPrintProgress& progress)
{
    TFileReplacement target(WritableTarget(path));
    QFile file;
    if (!file.open(target.Descriptor(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        target.Fail(errno);
    {
        QPdfWriter writer(&file);
        SetListPageLayout(writer);
        writer.setTitle(painter.Document().Texts.Title);
        writer.setCreator(QStringLiteral("预算指标录入"));
        if (!painter.Paint(writer, progress))
            return false;
    }
    if (!file.flush() || file.error() != QFileDevice::NoError)
        target.Fail(0, file.errorString());
    file.close();
    target.Commit();
    return true;
}
