#pragma once

#include "rundata.h"

#include <QWidget>

#include <optional>

class Canvas;

// How the whole run is drawn: pressure against the local clock on the left axis, set pressure as
// a stepped line on the same axis, set flow as a stepped line on its own axis at the right,
// shaded gaps where the link was silent or down, and a mark at the top for every event.
namespace PlotDrawing {

struct Tick
{
    qint64 time;
    QString label;
};

QRectF plotArea(const QRectF &bounds);
double xOf(qint64 time, RunData::Range range, const QRectF &area);
qint64 timeAt(double x, RunData::Range range, const QRectF &area);
// Clock labels a readable distance apart, at round times of the log's own clock.
QList<Tick> timeTicks(RunData::Range range, double width, int utcOffset);
void draw(Canvas &canvas, const RunData &data, RunData::Range range, const QRectF &bounds);

} // namespace PlotDrawing

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
