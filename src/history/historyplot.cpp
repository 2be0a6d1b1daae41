#include "historyplot.h"

#include "canvas.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

QString formatValue(float value, int decimals)
{
    return std::isnan(value) ? QStringLiteral("—") : QString::number(value, 'f', decimals);
}

} // namespace

HistoryPlot::HistoryPlot(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(480, 260);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void HistoryPlot::setData(const RunData *runData)
{
    m_data = runData;
    fitAll();
}

void HistoryPlot::dataGrew()
{
    if (m_following && m_data && !m_data->isEmpty()) {
        const qint64 span = m_range.to - m_range.from;
        const bool wasWhole = m_range.from <= m_data->firstTime;
        m_range.to = std::max(m_data->lastTime, m_range.from + 1);
        m_range.from = wasWhole ? m_data->firstTime : m_range.to - span;
        emit rangeChanged();
    }
    update();
}

void HistoryPlot::setFollowing(bool following)
{
    m_following = following;
    dataGrew();
}

void HistoryPlot::setRange(RunData::Range range)
{
    m_range = {range.from, std::max(range.to, range.from + 1)};
    emit rangeChanged();
    update();
}

void HistoryPlot::fitAll()
{
    if (m_data && !m_data->isEmpty())
        setRange(m_data->whole());
    else
        update();
}

void HistoryPlot::zoom(double factor, double x)
{
    const QRectF plot = area();
    const qint64 pivot = PlotDrawing::timeAt(x, m_range, plot);
    const double span = double(m_range.to - m_range.from) / factor;
    const double share = (x - plot.left()) / std::max(plot.width(), 1.0);
    // Never narrower than a second: the labels go no finer.
    const qint64 width = std::max<qint64>(qint64(span), 1000);
    const qint64 from = pivot - qint64(double(width) * std::clamp(share, 0.0, 1.0));
    setRange({from, from + width});
}

void HistoryPlot::pan(double share)
{
    const qint64 shift = qint64(double(m_range.to - m_range.from) * share);
    setRange({m_range.from + shift, m_range.to + shift});
}

QRectF HistoryPlot::area() const
{
    return PlotDrawing::plotArea(QRectF(rect()));
}

QList<std::pair<double, const RunData::Event *>> HistoryPlot::eventMarks() const
{
    QList<std::pair<double, const RunData::Event *>> marks;
    if (!m_data)
        return marks;
    for (const RunData::Event &event : m_data->events) {
        if (m_range.contains(event.time))
            marks << std::make_pair(PlotDrawing::xOf(event.time, m_range, area()), &event);
    }
    return marks;
}

QString HistoryPlot::cursorText(qint64 time) const
{
    if (!m_data || m_data->isEmpty())
        return QString();
    const auto &times = m_data->readingTime;
    QString pressure = QStringLiteral("—");
    const auto after = std::upper_bound(times.begin(), times.end(), time);
    if (after != times.begin()) {
        const std::size_t index = std::size_t(std::prev(after) - times.begin());
        // A reading stands until the next, or until a gap begins.
        const bool inGap = after != times.end() && !m_data->joinsPrevious(index + 1) &&
                           time - times[index] > RunData::gapLimit;
        if (!inGap && time - times[index] <= RunData::gapLimit * 10)
            pressure = QString::number(m_data->pressure[index], 'f', 2);
    }
    const float running = RunData::valueAt(m_data->running, time);
    return QCoreApplication::translate("HistoryPlot",
                                       "%1  压力 %2 MPa  设定压力 %3 MPa  设定流量 %4 ml/min  %5")
        .arg(m_data->clockText(time), pressure,
             formatValue(RunData::valueAt(m_data->setPressure, time), 1),
             formatValue(RunData::valueAt(m_data->setFlow, time), 0),
             std::isnan(running) ? QStringLiteral("—")
             : running == 1.0f   ? QStringLiteral("RUN")
                                 : QStringLiteral("STOP"));
}

void HistoryPlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PainterCanvas canvas(painter);
    static const RunData empty;
    PlotDrawing::draw(canvas, m_data ? *m_data : empty, m_range, QRectF(rect()));
    if (m_cursorX && area().contains(QPointF(*m_cursorX, area().center().y()))) {
        canvas.setPen(QColor(0, 0, 0), 1, true);
        canvas.line(QPointF(*m_cursorX, area().top()), QPointF(*m_cursorX, area().bottom()));
        const QString text = cursorText(PlotDrawing::timeAt(*m_cursorX, m_range, area()));
        const qreal width = canvas.textWidth(text) + 12;
        const double left = std::clamp(*m_cursorX + 8, area().left(), area().right() - width);
        canvas.fillRect(QRectF(left, area().top() + 4, width, 20), QColor(255, 255, 230));
        canvas.setPen(QColor(0, 0, 0), 1);
        canvas.text(QPointF(left + 6, area().top() + 18), text, Qt::AlignLeft);
    }
}

void HistoryPlot::wheelEvent(QWheelEvent *event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0)
        zoom(std::pow(1.25, notches), event->position().x());
    event->accept();
}

void HistoryPlot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragFrom = event->position();
        m_dragRange = m_range;
    }
}

void HistoryPlot::mouseMoveEvent(QMouseEvent *event)
{
    m_cursorX = event->position().x();
    if (m_dragFrom) {
        const double span = double(m_dragRange.to - m_dragRange.from);
        const qint64 shift =
            qint64((m_dragFrom->x() - event->position().x()) * span / area().width());
        setRange({m_dragRange.from + shift, m_dragRange.to + shift});
    }
    // The row of an event mark under the pointer.
    QString row;
    for (const auto &[x, markEvent] : eventMarks()) {
        if (std::abs(x - event->position().x()) <= 3 && event->position().y() < area().top() + 8)
            row = markEvent->row;
    }
    if (row.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), row, this);
    update();
}

void HistoryPlot::mouseReleaseEvent(QMouseEvent *)
{
    m_dragFrom.reset();
}

void HistoryPlot::mouseDoubleClickEvent(QMouseEvent *)
{
    fitAll();
}

void HistoryPlot::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        pan(-0.1);
        break;
    case Qt::Key_Right:
        pan(0.1);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(1.25, area().center().x());
        break;
    case Qt::Key_Minus:
        zoom(0.8, area().center().x());
        break;
    case Qt::Key_Home:
        fitAll();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void HistoryPlot::leaveEvent(QEvent *)
{
    m_cursorX.reset();
    update();
}
