#include "platform/untFocusRing.h"

#include <QApplication>
#include <QFocusFrame>
#include <QPointer>

void ShowFocusRing(QWidget* window)
{
    auto* ring = new QFocusFrame(window);
    ring->setObjectName(QStringLiteral("focusRing"));
    QPalette palette = ring->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Highlight));
    ring->setPalette(palette);
    const QPointer<QFocusFrame> guard(ring);
    QObject::connect(
        qApp, &QApplication::focusChanged, ring, [window, guard](QWidget*, QWidget* now) {
            if (!guard || !now)
                return; // the application lost the focus: the ring stays where it was
            const bool ours = now != window && !now->isWindow() && window->isAncestorOf(now);
            if (ours || guard->widget())
                guard->setWidget(ours ? now : nullptr);
        });
}
