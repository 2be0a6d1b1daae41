#pragma once

#include <QPixmap>
#include <QWidget>

// The window's client area: blue, with the backdrop drawn unscaled at its top-left corner.
// Reports mouse presses that land on the bare surface, not on one of its controls.
class Surface : public QWidget
{
    Q_OBJECT
public:
    explicit Surface(QWidget *parent = nullptr);

signals:
    void pressed(Qt::MouseButton button, QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QPixmap m_backdrop;
    qreal m_backdropRatio = 0;
};
