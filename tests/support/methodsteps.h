#pragma once

#include "method.h"

// A step of `seconds` at a set flow and pressure, each set at its start or ramped.
inline MethodStep timedStep(double seconds, double flow, double pressure, bool flowRamp = false,
                            bool pressureRamp = false)
{
    MethodStep step;
    step.name = QStringLiteral("step %1").arg(flow);
    step.duration = seconds;
    step.unit = MethodStep::Unit::Seconds;
    step.flow = flow;
    step.pressure = pressure;
    step.flowRamp = flowRamp;
    step.pressureRamp = pressureRamp;
    return step;
}

// A method of these steps, with no repeats.
inline Method methodOf(QList<MethodStep> steps)
{
    Method method;
    method.steps = std::move(steps);
    return method;
}
