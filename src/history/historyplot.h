#pragma once

#include "plotdrawing.h"
#include "rundata.h"

#include <QWidget>

#include <optional>

// The plot on the screen: the mouse wheel zooms the time axis around the pointer, dragging pans,
// a double-click fits the whole run; the arrow keys pan, + and - zoom, Home fits. A cursor line
// follows the pointer with the values at that moment, and an event mark shows its row when the
// pointer is on it.
class HistoryPlot : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryPlot(QWidget *parent = nullptr);

    void setData(const RunData *runData);
    // New rows were read: keeps the newest in view when following.
    void dataGrew();
    void setFollowing(bool following);
    bool following() const { return m_following; }

    RunData::Range range() const { return m_range; }
    void setRange(RunData::Range range);
    void fitAll();
    // Zooms by `factor` (above 1 zooms in) around the time at `x`; pans by a share of the view.
    void zoom(double factor, double x);
    void pan(double share);

    // Where each event in view is marked, in widget coordinates.
    QList<std::pair<double, const RunData::Event *>> eventMarks() const;
    // The text the cursor shows at `time`.
    QString cursorText(qint64 time) const;

signals:
    void rangeChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QRectF area() const;

    const RunData *m_data = nullptr;
    RunData::Range m_range{0, 1};
    bool m_following = true;
    std::optional<double> m_cursorX;
    std::optional<QPointF> m_dragFrom;
    RunData::Range m_dragRange{0, 1};
};
