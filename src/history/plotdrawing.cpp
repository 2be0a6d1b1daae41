#include "plotdrawing.h"

#include "canvas.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace {

const QColor pressureColour(200, 30, 30);
const QColor setPressureColour(30, 90, 200);
const QColor flowColour(20, 140, 60);
const QColor gridColour(225, 225, 225);
const QColor gapColour(240, 236, 226);
const QColor textColour(60, 60, 60);
const QColor limitColour(150, 0, 110);
const QColor waitingLimitColour(160, 160, 160);
const QColor tripColour(215, 0, 0);
const QColor resetColour(0, 140, 60);
const QColor stepColour(110, 110, 110);

constexpr qint64 second = 1000;
constexpr qint64 minute = 60 * second;
constexpr qint64 hour = 60 * minute;
constexpr qint64 day = 24 * hour;

QDateTime localTime(qint64 time, int utcOffset)
{
    return QDateTime::fromMSecsSinceEpoch(time, QTimeZone(utcOffset));
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

// A limit as a dashed level from each change to the next, grey where `armed` says it did not
// count (the low limit before its delay is up and while the pump is stopped).
void drawLimit(Canvas &canvas, const RunData &data, const std::vector<RunData::Step> &levels,
               const std::vector<RunData::Step> *armed, RunData::Range range, const QRectF &area,
               double top)
{
    std::vector<qint64> bounds{range.from, range.to};
    for (const auto *steps : {&levels, armed}) {
        if (!steps)
            continue;
        for (const RunData::Step &step : *steps) {
            if (step.time > range.from && step.time < range.to)
                bounds.push_back(step.time);
        }
    }
    std::sort(bounds.begin(), bounds.end());
    const qint64 end = std::min(range.to, data.lastTime);
    for (std::size_t i = 0; i + 1 < bounds.size() && bounds[i] < end; ++i) {
        const float level = RunData::valueAt(levels, bounds[i]);
        if (std::isnan(level))
            continue;
        const bool counts = !armed || RunData::valueAt(*armed, bounds[i]) == 1.0f;
        canvas.setPen(counts ? limitColour : waitingLimitColour, 1.5, true);
        const double y = area.bottom() - area.height() * double(level) / top;
        canvas.line(QPointF(PlotDrawing::xOf(bounds[i], range, area), y),
                    QPointF(PlotDrawing::xOf(std::min(bounds[i + 1], end), range, area), y));
    }
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

QList<Tick> timeTicks(RunData::Range range, double width, const RunData &data)
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
    // Round in the log's local time, so that 09:00 and midnight fall on ticks; after a change of
    // the UTC offset the ticks stay on round local times.
    auto offsetMs = [&data](qint64 time) { return qint64(data.utcOffsetAt(time)) * 1000; };
    const qint64 firstLocal = range.from + offsetMs(range.from);
    qint64 local = (firstLocal + step - 1) / step * step;
    if (firstLocal < 0 && firstLocal % step != 0)
        local -= step; // division rounds towards zero
    for (; ticks.size() < 200; local += step) {
        // The offset in force at that local time: tried with the offset before, then settled.
        qint64 time = local - offsetMs(local - offsetMs(range.from));
        time = local - offsetMs(time);
        if (time > range.to)
            break;
        if (time < range.from)
            continue;
        const int offset = data.utcOffsetAt(time);
        QString label = localTime(time, offset).toString(format);
        // The date once a day, where the day changes.
        if (step < day && local % day == 0)
            label = localTime(time, offset).toString(QStringLiteral("MM-dd"));
        ticks << Tick{time, label};
    }
    return ticks;
}

Axis valueAxis(double largest, double least, int mostTicks)
{
    Axis axis;
    double top = std::max(largest * 1.1, least);
    if (!(top > 0))
        top = 1;
    const int intervals = std::max(mostTicks - 1, 1);
    // The smallest of 1, 2 and 5 x 10^n that reaches the top in so many intervals.
    double power = std::pow(10.0, std::floor(std::log10(top / intervals)));
    for (axis.step = 0; axis.step == 0; power *= 10) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            if (std::ceil(top / (factor * power) - 1e-9) <= intervals) {
                axis.step = factor * power;
                break;
            }
        }
    }
    const int count = int(std::ceil(top / axis.step - 1e-9));
    axis.top = count * axis.step;
    const int decimals = std::max(0, int(-std::floor(std::log10(axis.step) + 1e-9)));
    for (int i = 0; i <= count; ++i) {
        const double value = i * axis.step;
        axis.ticks << value;
        axis.labels << (i == 0 ? QStringLiteral("0") : QString::number(value, 'f', decimals));
    }
    return axis;
}

void draw(Canvas &canvas, const RunData &data, RunData::Range range, const QRectF &bounds)
{
    const QRectF area = plotArea(bounds);
    canvas.fillRect(bounds, Qt::white);
    if (data.isEmpty() || area.width() < 10 || area.height() < 10) {
        canvas.setPen(textColour, 1);
        canvas.text(bounds.center(), QCoreApplication::translate("PlotDrawing", "没有数据"),
                    Qt::AlignHCenter);
        return;
    }
    const std::vector<PlotColumn> columns = decimate(data, range, int(area.width()));
    double largest = largestIn(data.setPressure, range);
    for (const PlotColumn &column : columns) {
        if (column.hasData())
            largest = std::max(largest, double(column.max));
    }
    // Up to the setpoint limits at least: 2 MPa and 200 ml/min.
    const Axis pressureAxis = valueAxis(largest, 2.0);
    const Axis flowAxis = valueAxis(largestIn(data.setFlow, range), 200);
    const double pressureTop = pressureAxis.top;
    const double flowTop = flowAxis.top;
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
    for (qsizetype i = 0; i < pressureAxis.ticks.size(); ++i) {
        const double y = yOf(pressureAxis.ticks[i]);
        canvas.setPen(gridColour, 1);
        canvas.line(QPointF(area.left(), y), QPointF(area.right(), y));
        canvas.setPen(setPressureColour, 1);
        canvas.text(QPointF(area.left() - 6, y + 4), pressureAxis.labels[i], Qt::AlignRight);
    }
    canvas.setPen(flowColour, 1);
    for (qsizetype i = 0; i < flowAxis.ticks.size(); ++i) {
        const double y = area.bottom() - area.height() * flowAxis.ticks[i] / flowTop;
        canvas.line(QPointF(area.right(), y), QPointF(area.right() + 4, y));
        canvas.text(QPointF(area.right() + 6, y + 4), flowAxis.labels[i], Qt::AlignLeft);
    }
    for (const Tick &tick : timeTicks(range, area.width(), data)) {
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

    drawLimit(canvas, data, data.highLimit, nullptr, range, area, pressureTop);
    drawLimit(canvas, data, data.lowLimit, &data.lowArmed, range, area, pressureTop);

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
                          event.event == QLatin1String("unconfirmed") ||
                          event.event == QLatin1String("missing-file") ||
                          event.event == QLatin1String("chain-mismatch");
        // A program's steps divide the plot; a trip and its reset are marked down it, and named.
        if (event.event == QLatin1String("method-step")) {
            canvas.setPen(stepColour, 1, true);
            canvas.line(QPointF(x, area.top()), QPointF(x, area.bottom()));
            canvas.text(QPointF(x + 3, area.bottom() - 4),
                        event.detail.section(QLatin1Char(' '), 0, 0), Qt::AlignLeft);
            continue;
        }
        const bool trip = event.event == QLatin1String("limit-trip");
        if (trip || event.event == QLatin1String("limit-reset")) {
            canvas.setPen(trip ? tripColour : resetColour, 1.5);
            canvas.line(QPointF(x, area.top() - 10), QPointF(x, area.bottom()));
            canvas.text(QPointF(x + 3, area.top() + 12),
                        trip ? QCoreApplication::translate("PlotDrawing", "跳闸")
                             : QCoreApplication::translate("PlotDrawing", "复位"),
                        Qt::AlignLeft);
            continue;
        }
        canvas.setPen(link ? QColor(210, 120, 0) : QColor(90, 90, 160), 1);
        canvas.line(QPointF(x, area.top() - 10), QPointF(x, area.top() + 6));
    }
    canvas.setPen(textColour, 1);
    canvas.line(area.bottomLeft(), area.bottomRight());
    canvas.line(area.topLeft(), area.bottomLeft());
    canvas.line(area.topRight(), area.bottomRight());
}

} // namespace PlotDrawing
