#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QPointF>

#include <optional>

// A white picture box with a sunken border and user coordinates, set by setScale() as the values
// at the top-left and bottom-right corners of the drawing area. What is drawn goes into a backing
// image, so it survives the window being covered, minimised and restored.
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

    // A straight line between two points in user coordinates, in `colour` or the foreground
    // colour; parts outside the box are cut off.
    void Line(QPointF from, QPointF to, std::optional<QColor> colour = std::nullopt);
    // Erases all drawing.
    void Cls();

    // The drawing area as drawn so far.
    const QImage &drawing() const;

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Keeps the backing image the size of the drawing area, which a hidden widget learns of
    // only when it is first shown.
    void fitDrawing() const;

    // Until a scale is set, (0, 0) to (1, 1) spans the drawing area.
    QPointF m_topLeft{0, 0};
    QPointF m_bottomRight{1, 1};
    mutable QImage m_drawing;
};
