#include "picturebox.h"

PictureBox::PictureBox(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setAutoFillBackground(true);
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
    m_hasScale = true;
}

QPointF PictureBox::toPixel(QPointF user) const
{
    const QRectF area = contentsRect();
    if (!m_hasScale) // twips, 15 to the pixel, until a scale is set
        return area.topLeft() + user / 15.0;
    const double x = area.left() + (user.x() - m_topLeft.x()) * area.width() /
                                       (m_bottomRight.x() - m_topLeft.x());
    const double y = area.top() + (user.y() - m_topLeft.y()) * area.height() /
                                      (m_bottomRight.y() - m_topLeft.y());
    return QPointF(x, y);
}
