#include "historyplot.h"

#include "canvas.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QPainter>
#include <QTimeZone>
#include <QToolTip>

#include <algorithm>

namespace {

const QColor pressureColour(200, 30, 30);
const QColor setPressureColour(30, 90, 200);
const QColor flowColour(20, 140, 60);
const QColor gridColour(225, 225, 225);
const QColor gapColour(240, 236, 226);
const QColor textColour(60, 60, 60);

constexpr qint64 second = 1000;
constexpr qint64 minute = 60 * second;
constexpr qint64 hour = 60 * minute;
constexpr qint64 day = 24 * hour;

QDateTime localTime(qint64 time, int utcOffset)
{
    return QDateTime::fromMSecsSinceEpoch(time, QTimeZone(utcOffset));
}

// The top of an axis: a round value above everything shown, and never below `least`.
double axisTop(double largest, double least, double step)
{
    const double top = std::max(largest * 1.1, least);
    return std::ceil(top / step) * step;
}

double largestIn(const std::vector<RunData::Step> &steps, RunData::Range range)
{
    double largest = 0;
    const float atStart = RunData::valueAt(steps, range.from);
    if (!std::isnan(atStart))
        largest = atStart;
    for (const RunData::Step &step : steps) {
        if (range.contains(step.time) && !std::isnan(step.value))
            largest = std::max(largest, double(step.value));
    }
    return largest;
}

void drawSteps(Canvas &canvas, const std::vector<RunData::Step> &steps, RunData::Range range,
               const QRectF &area, double top)
{
    QList<QPointF> points;
    auto yOf = [&](float value) { return area.bottom() - area.height() * value / top; };
    auto flush = [&] {
        if (points.size() > 1)
            canvas.polyline(points);
        points.clear();
    };
    float value = RunData::valueAt(steps, range.from);
    if (!std::isnan(value))
        points << QPointF(area.left(), yOf(value));
    for (const RunData::Step &step : steps) {
        if (step.time <= range.from || step.time > range.to)
            continue;
        const double x = PlotDrawing::xOf(step.time, range, area);
        if (!std::isnan(value))
            points << QPointF(x, yOf(value));
        value = step.value;
        if (std::isnan(value))
            flush();
        else
            points << QPointF(x, yOf(value));
    }
    if (!std::isnan(value))
        points << QPointF(area.right(), yOf(value));
    flush();
}

QString formatValue(float value, int decimals)
{
    return std::isnan(value) ? QStringLiteral("—") : QString::number(value, 'f', decimals);
}

} // namespace

namespace PlotDrawing {

QRectF plotArea(const QRectF &bounds)
{
    return bounds.adjusted(58, 24, -62, -34);
}

double xOf(qint64 time, RunData::Range range, const QRectF &area)
{
    const double span = double(std::max<qint64>(range.to - range.from, 1));
    return area.left() + double(time - range.from) * area.width() / span;
}

qint64 timeAt(double x, RunData::Range range, const QRectF &area)
{
    const double span = double(std::max<qint64>(range.to - range.from, 1));
    return range.from + qint64((x - area.left()) * span / std::max(area.width(), 1.0));
}

QList<Tick> timeTicks(RunData::Range range, double width, int utcOffset)
{
    static const qint64 steps[] = {second,      2 * second,  5 * second, 10 * second, 15 * second,
                                   30 * second, minute,      2 * minute, 5 * minute,  10 * minute,
                                   15 * minute, 30 * minute, hour,       2 * hour,    3 * hour,
                                   6 * hour,    12 * hour,   day,        2 * day,     7 * day,
                                   14 * day,    30 * day,    90 * day,   365 * day};
    const double span = double(std::max<qint64>(range.to - range.from, 1));
    qint64 step = steps[std::size(steps) - 1];
    for (const qint64 candidate : steps) {
        if (double(candidate) * width / span >= 90) {
            step = candidate;
            break;
        }
    }
    const QString format = step < minute ? QStringLiteral("HH:mm:ss")
                           : step < day  ? QStringLiteral("HH:mm")
                                         : QStringLiteral("MM-dd");
    QList<Tick> ticks;
    // Round in the log's local time, so that 09:00 and midnight fall on ticks.
    const qint64 offset = qint64(utcOffset) * 1000;
    qint64 time = ((range.from + offset + step - 1) / step) * step - offset;
    for (; time <= range.to && ticks.size() < 200; time += step) {
        QString label = localTime(time, utcOffset).toString(format);
        // The date once a day, where the day changes.
        if (step < day && (time + offset) % day == 0)
            label = localTime(time, utcOffset).toString(QStringLiteral("MM-dd"));
        ticks << Tick{time, label};
    }
    return ticks;
}

void draw(Canvas &canvas, const RunData &data, RunData::Range range, const QRectF &bounds)
{
    const QRectF area = plotArea(bounds);
    canvas.fillRect(bounds, Qt::white);
    if (data.isEmpty() || area.width() < 10 || area.height() < 10) {
        canvas.setPen(textColour, 1);
        canvas.text(bounds.center(), QString::fromUtf8("没有数据"), Qt::AlignHCenter);
        return;
    }
    const std::vector<PlotColumn> columns = decimate(data, range, int(area.width()));
    double largest = largestIn(data.setPressure, range);
    for (const PlotColumn &column : columns) {
        if (column.hasData())
            largest = std::max(largest, double(column.max));
    }
    const double pressureTop = axisTop(largest, 2.0, 0.5);
    const double flowTop = axisTop(largestIn(data.setFlow, range), 200, 50);
    auto yOf = [&](double value) { return area.bottom() - area.height() * value / pressureTop; };

    // Gaps: from the last reading before to the first reading after.
    const auto &times = data.readingTime;
    auto gap = std::lower_bound(data.gapStarts.begin(), data.gapStarts.end(), range.from);
    // The first gap after the view may still begin inside it.
    for (; gap != data.gapStarts.end(); ++gap) {
        const auto at = std::lower_bound(times.begin(), times.end(), *gap);
        if (at == times.begin())
            continue; // the first reading has nothing before it
        if (at == times.end() || *std::prev(at) > range.to)
            break;
        const double from = std::max(area.left(), xOf(*std::prev(at), range, area));
        const double to = std::min(area.right(), xOf(*at, range, area));
        if (to > from)
            canvas.fillRect(QRectF(from, area.top(), to - from, area.height()), gapColour);
    }

    // Grid and axes.
    canvas.setPen(gridColour, 1);
    for (int i = 0; i <= 4; ++i) {
        const double y = area.bottom() - area.height() * i / 4;
        canvas.line(QPointF(area.left(), y), QPointF(area.right(), y));
        canvas.setPen(setPressureColour, 1);
        canvas.text(QPointF(area.left() - 6, y + 4), QString::number(pressureTop * i / 4, 'f', 2),
                    Qt::AlignRight);
        canvas.setPen(flowColour, 1);
        canvas.text(QPointF(area.right() + 6, y + 4), QString::number(flowTop * i / 4, 'f', 0),
                    Qt::AlignLeft);
        canvas.setPen(gridColour, 1);
    }
    for (const Tick &tick : timeTicks(range, area.width(), data.utcOffset)) {
        const double x = xOf(tick.time, range, area);
        canvas.setPen(gridColour, 1);
        canvas.line(QPointF(x, area.top()), QPointF(x, area.bottom()));
        canvas.setPen(textColour, 1);
        canvas.text(QPointF(x, area.bottom() + 16), tick.label, Qt::AlignHCenter);
    }
    canvas.setPen(textColour, 1);
    canvas.text(QPointF(area.left() - 6, area.top() - 8), QStringLiteral("MPa"), Qt::AlignRight);
    canvas.text(QPointF(area.right() + 6, area.top() - 8), QStringLiteral("ml/min"), Qt::AlignLeft);

    // Set flow and set pressure as steps, then the pressure over them.
    canvas.setPen(flowColour, 1.5, true);
    drawSteps(canvas, data.setFlow, range, area, flowTop);
    canvas.setPen(setPressureColour, 1.5);
    drawSteps(canvas, data.setPressure, range, area, pressureTop);

    canvas.setPen(pressureColour, 1);
    std::optional<std::pair<double, float>> previous;
    QList<QPointF> piece;
    auto flush = [&] {
        if (piece.size() > 1)
            canvas.polyline(piece);
        piece.clear();
    };
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const PlotColumn &column = columns[i];
        if (!column.hasData())
            continue;
        const double x = area.left() + double(i) + 0.5;
        if (!column.joinsPrevious || !previous)
            flush();
        if (piece.isEmpty() && previous && column.joinsPrevious)
            piece << QPointF(previous->first, yOf(previous->second));
        piece << QPointF(x, yOf(column.first));
        if (column.min != column.max) {
            piece << QPointF(x, yOf(column.min)) << QPointF(x, yOf(column.max));
        }
        piece << QPointF(x, yOf(column.last));
        previous = std::make_pair(x, column.last);
    }
    flush();

    // Events at their time, along the top.
    for (const RunData::Event &event : data.events) {
        if (!range.contains(event.time))
            continue;
        const double x = xOf(event.time, range, area);
        const bool link = event.event == QLatin1String("silent") ||
                          event.event == QLatin1String("lost") ||
                          event.event == QLatin1String("reconnected") ||
                          event.event == QLatin1String("unconfirmed");
        canvas.setPen(link ? QColor(210, 120, 0) : QColor(90, 90, 160), 1);
        canvas.line(QPointF(x, area.top() - 10), QPointF(x, area.top() + 6));
    }
    canvas.setPen(textColour, 1);
    canvas.line(area.bottomLeft(), area.bottomRight());
    canvas.line(area.topLeft(), area.bottomLeft());
    canvas.line(area.topRight(), area.bottomRight());
}

} // namespace PlotDrawing

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
    return QString::fromUtf8("%1  压力 %2 MPa  设定压力 %3 MPa  设定流量 %4 ml/min  %5")
        .arg(QDateTime::fromMSecsSinceEpoch(time, QTimeZone(m_data->utcOffset))
                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
             pressure, formatValue(RunData::valueAt(m_data->setPressure, time), 1),
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
