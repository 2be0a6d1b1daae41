#include "picturebox.h"

#include <QPainter>
#include <QResizeEvent>

PictureBox::PictureBox(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, palette().color(QPalette::ButtonText));
    setPalette(colours);
    setFocusPolicy(Qt::StrongFocus);
}

void PictureBox::setScale(QPointF topLeft, QPointF bottomRight)
{
    m_topLeft = topLeft;
    m_bottomRight = bottomRight;
}

QPointF PictureBox::toPixel(QPointF user) const
{
    const QRectF area(contentsRect());
    const double x = area.left() + (user.x() - m_topLeft.x()) * area.width() /
                                       (m_bottomRight.x() - m_topLeft.x());
    const double y = area.top() + (user.y() - m_topLeft.y()) * area.height() /
                                      (m_bottomRight.y() - m_topLeft.y());
    return QPointF(x, y);
}

void PictureBox::Line(QPointF from, QPointF to, std::optional<QColor> colour)
{
    fitDrawing();
    QPainter painter(&m_drawing);
    painter.setPen(QPen(colour.value_or(palette().color(QPalette::WindowText)), 1, Qt::SolidLine));
    // The image starts where the drawing area does.
    const QPointF origin = QRectF(contentsRect()).topLeft();
    painter.drawLine(toPixel(from) - origin, toPixel(to) - origin);
    update(contentsRect());
}

void PictureBox::Cls()
{
    fitDrawing();
    m_drawing.fill(Qt::white);
    update(contentsRect());
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    fitDrawing();
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), m_drawing);
    painter.end();
    QFrame::paintEvent(event); // the border
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    fitDrawing();
    QFrame::resizeEvent(event);
}

const QImage &PictureBox::drawing() const
{
    fitDrawing();
    return m_drawing;
}

void PictureBox::fitDrawing() const
{
    if (m_drawing.size() == contentsRect().size())
        return;
    QImage resized(contentsRect().size(), QImage::Format_RGB32);
    resized.fill(Qt::white);
    if (!m_drawing.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, m_drawing);
    }
    m_drawing = resized;
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked();
    QFrame::mouseDoubleClickEvent(event);
}
