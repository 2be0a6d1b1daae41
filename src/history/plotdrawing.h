#pragma once

#include "rundata.h"

#include <QList>
#include <QRectF>
#include <QString>

class Canvas;

// How the whole run is drawn: pressure against the local clock on the left axis, set pressure as
// a stepped line on the same axis, set flow as a stepped line on its own axis at the right,
// shaded gaps where the link was silent or down, and a mark at the top for every event. Pure
// drawing on a Canvas: the history window, its exports and the run report all draw through it.
namespace PlotDrawing {

struct Tick
{
    qint64 time;
    QString label;
};

QRectF plotArea(const QRectF &bounds);
double xOf(qint64 time, RunData::Range range, const QRectF &area);
qint64 timeAt(double x, RunData::Range range, const QRectF &area);
// Clock labels a readable distance apart, at round times of the log's own clock (the UTC offset
// each row was written with).
QList<Tick> timeTicks(RunData::Range range, double width, const RunData &data);

// A value axis from 0: its top and its ticks, at round values, steps of 1, 2 or 5 x 10^n.
struct Axis
{
    double top = 1;
    double step = 1;
    QList<double> ticks; // 0, step, 2 step, ... top
    QStringList labels;  // as many decimals as the step needs
};
// An axis that shows `largest` with room above it, and never less than up to `least`.
Axis valueAxis(double largest, double least, int mostTicks = 6);

void draw(Canvas &canvas, const RunData &data, RunData::Range range, const QRectF &bounds);

} // namespace PlotDrawing
