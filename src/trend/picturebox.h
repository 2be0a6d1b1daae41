#pragma once

#include <QFrame>
#include <QPointF>
#include <QRectF>

// A white picture box with a sunken border and its own user coordinates, set by setScale() as
// the values at the top-left and bottom-right corners of the drawing area.
class PictureBox : public QFrame
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setScale(QPointF topLeft, QPointF bottomRight);
    QPointF scaleTopLeft() const { return m_topLeft; }
    QPointF scaleBottomRight() const { return m_bottomRight; }

    // Where a point in user coordinates falls in widget pixels.
    QPointF toPixel(QPointF user) const;

private:
    bool m_hasScale = false;
    QPointF m_topLeft;
    QPointF m_bottomRight;
};
