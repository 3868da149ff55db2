#include "basewindows/wnIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace
{
QIcon Draw(const std::function<void(QPainter&)>& paint)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return QIcon(pm);
}

QPen Pen(const QColor& c, qreal w)
{
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}
} // namespace

QIcon IconAdd()
{
    static const QIcon* const icon = new QIcon(Draw([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(46, 139, 87));
        p.drawEllipse(3, 3, 26, 26);
        p.setPen(Pen(Qt::white, 4));
        p.drawLine(16, 9, 16, 23);
        p.drawLine(9, 16, 23, 16);
    }));
    return *icon;
}

QIcon IconModify()
{
    static const QIcon* const icon = new QIcon(Draw([](QPainter& p) {
        p.setPen(Pen(QColor(70, 70, 70), 1.5));
        p.setBrush(QColor(255, 250, 230));
        p.drawRect(4, 4, 18, 24);
        p.setPen(Pen(QColor(30, 90, 200), 4));
        p.drawLine(12, 24, 27, 9);
        p.setPen(Pen(QColor(230, 170, 60), 4));
        p.drawLine(26, 10, 28, 8);
    }));
    return *icon;
}

QIcon IconDelete()
{
    static const QIcon* const icon = new QIcon(Draw([](QPainter& p) {
        p.setPen(Pen(QColor(90, 90, 90), 1.5));
        p.setBrush(QColor(220, 220, 225));
        p.drawRect(8, 9, 16, 19);
        p.drawLine(5, 8, 27, 8);
        p.drawRect(13, 4, 6, 4);
        p.setPen(Pen(QColor(200, 40, 40), 3));
        p.drawLine(12, 13, 20, 24);
        p.drawLine(20, 13, 12, 24);
    }));
    return *icon;
}

QIcon IconExit()
{
    static const QIcon* const icon = new QIcon(Draw([](QPainter& p) {
        p.setPen(Pen(QColor(110, 80, 50), 2));
        p.setBrush(QColor(190, 150, 100));
        p.drawRect(5, 4, 14, 24);
        p.setPen(Pen(QColor(200, 40, 40), 3.5));
        p.drawLine(14, 16, 28, 16);
        p.drawLine(23, 11, 28, 16);
        p.drawLine(23, 21, 28, 16);
    }));
    return *icon;
}

QIcon IconOk()
{
    static const QIcon* const icon = new QIcon(Draw([](QPainter& p) {
        p.setPen(Pen(QColor(30, 140, 60), 5));
        p.drawLine(6, 17, 13, 25);
        p.drawLine(13, 25, 27, 8);
    }));
    return *icon;
}

QIcon IconClose()
{
    static const QIcon* const icon = new QIcon(Draw([](QPainter& p) {
        p.setPen(Pen(QColor(200, 40, 40), 5));
        p.drawLine(8, 8, 24, 24);
        p.drawLine(24, 8, 8, 24);
    }));
    return *icon;
}

QIcon IconUnit()
{
    static const QIcon* const icon = new QIcon(Draw([](QPainter& p) {
        p.setPen(Pen(QColor(120, 90, 40), 1.5));
        p.setBrush(QColor(240, 200, 90));
        QPainterPath path;
        path.moveTo(3, 9);
        path.lineTo(12, 9);
        path.lineTo(15, 12);
        path.lineTo(29, 12);
        path.lineTo(29, 27);
        path.lineTo(3, 27);
        path.closeSubpath();
        p.drawPath(path);
    }));
    return *icon;
}

QIcon IconHide()
{
    static const QIcon* const icon = new QIcon(Draw([](QPainter& p) {
        p.setPen(Pen(QColor(60, 60, 60), 4));
        p.drawLine(20, 7, 11, 16);
        p.drawLine(11, 16, 20, 25);
    }));
    return *icon;
}

namespace
{
// A sheet with lines at `sheetX` and a right-pointing arrow from `arrowFrom` to `arrowTo` at
// height `arrowY`: out of the sheet (export) or into it (import).
QIcon SheetWithArrow(int sheetX, int arrowFrom, int arrowTo, int arrowY)
{
    return Draw([=](QPainter& p) {
        p.setPen(Pen(QColor(40, 110, 60), 1.5));
        p.setBrush(QColor(235, 250, 238));
        p.drawRect(sheetX, 4, 18, 24);
        p.setPen(Pen(QColor(40, 110, 60), 1));
        for (int y = 10; y <= 22; y += 6)
            p.drawLine(sheetX + 3, y, sheetX + 15, y);
        p.setPen(Pen(QColor(30, 90, 200), 3.5));
        p.drawLine(arrowFrom, arrowY, arrowTo, arrowY);
        p.drawLine(arrowTo - 5, arrowY - 5, arrowTo, arrowY);
        p.drawLine(arrowTo - 5, arrowY + 5, arrowTo, arrowY);
    });
}
} // namespace

QIcon IconExport()
{
    static const QIcon* const icon = new QIcon(SheetWithArrow(4, 14, 27, 18));
    return *icon;
}

QIcon IconPrint()
{
    static const QIcon* const icon = new QIcon(Draw([](QPainter& p) {
        p.setPen(Pen(QColor(90, 90, 90), 1.5));
        p.setBrush(Qt::white);
        p.drawRect(9, 3, 14, 10); // the paper going in
        p.setBrush(QColor(120, 130, 150));
        p.drawRoundedRect(3, 12, 26, 11, 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(9, 19, 14, 10); // the page coming out
        p.setPen(Pen(QColor(60, 160, 80), 2));
        p.drawPoint(25, 15);
    }));
    return *icon;
}

QIcon IconImport()
{
    static const QIcon* const icon = new QIcon(SheetWithArrow(10, 3, 16, 16));
    return *icon;
}

QIcon IconOpen()
{
    static const QIcon* const icon = new QIcon(Draw([](QPainter& p) {
        p.setPen(Pen(QColor(150, 110, 20), 1.5));
        p.setBrush(QColor(250, 215, 110));
        QPainterPath folder;
        folder.moveTo(3, 8);
        folder.lineTo(12, 8);
        folder.lineTo(15, 11);
        folder.lineTo(29, 11);
        folder.lineTo(29, 26);
        folder.lineTo(3, 26);
        folder.closeSubpath();
        p.drawPath(folder);
    }));
    return *icon;
}
