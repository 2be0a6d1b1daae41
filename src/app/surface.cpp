#include "surface.h"

#include <QMouseEvent>
#include <QPainter>

Surface::Surface(QWidget *parent)
    : QWidget(parent)
    , m_backdrop(QStringLiteral(":/images/backdrop.png"))
{
    setObjectName(QStringLiteral("Surface"));
}

void Surface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
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
