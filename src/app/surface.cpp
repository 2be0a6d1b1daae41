#include "surface.h"

#include "language.h"
#include "picture.h"

#include <QMouseEvent>
#include <QPainter>

Surface::Surface(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Surface"));
}

void Surface::paintEvent(QPaintEvent *)
{
    // Loaded on the first paint, so the window is on screen without waiting for it, and again
    // on a screen of another scale.
    if (m_backdrop.isNull() || m_backdropRatio != devicePixelRatioF()) {
        m_backdropRatio = devicePixelRatioF();
        // The backdrop carries two captions, drawn in each language.
        m_backdrop = loadPicture(Languages::current() == Language::English
                                     ? QStringLiteral(":/images/backdrop_en.png")
                                     : QStringLiteral(":/images/backdrop.bmp"),
                                 m_backdropRatio);
    }
    QPainter painter(this);
    // At 125 % or 150 % the 2x picture is drawn smaller: filtered, not with dropped pixels.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillRect(rect(), QColor(0, 0, 255));
    painter.drawPixmap(QPoint(0, 0), m_backdrop);
}

void Surface::mousePressEvent(QMouseEvent *event)
{
    // Labels pass their presses on to us; only a press where no control stands is ours.
    if (!childAt(event->position().toPoint()))
        emit pressed(event->button(), event->globalPosition().toPoint());
    event->accept();
}
