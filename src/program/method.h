#pragma once

#include "pressurelimits.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A program of timed steps as the operator edits it in 程序: each step sets (or ramps to) a flow
// and a pressure for its duration, optionally under limits of its own; a repeat plays steps a
// to b several times; a stop step ends it with STOP. The method is plain data with its checks
// and its file; ProgramRunner plays it.
struct MethodStep
{
    enum class Unit { Seconds, Minutes, Hours };

    QString name;
    std::optional<double> duration; // in `unit`; none: left empty
    Unit unit = Unit::Minutes;
    double flow = 0;       // ml/min
    bool flowRamp = false; // ramped from the step before over this one, else set at its start
    double pressure = 2.0; // MPa
    bool pressureRamp = false;
    std::optional<double> high; // the step's own limits, no looser than the panel's
    std::optional<double> low;
    bool stop = false; // sends STOP at its start and ends the program

    qint64 lengthMs() const;
    friend bool operator==(const MethodStep &, const MethodStep &) = default;
};

struct MethodRepeat
{
    int from = 1; // step numbers, 1-based, inclusive
    int to = 1;
    int times = 2; // how often the steps run in all
    friend bool operator==(const MethodRepeat &, const MethodRepeat &) = default;
};

// One step of the expanded program, as it is to run.
struct PlannedStep
{
    int step = 0;     // index into the steps
    int pass = 1;     // which time through its repeat
    qint64 start = 0; // ms from the program's start
    qint64 length = 0;
    double flowFrom = 0; // where a ramp starts: the value of the step before
    double pressureFrom = 0;

    qint64 end() const { return start + length; }
};

struct Method
{
    static constexpr int mostSteps = 200;
    static constexpr int mostTimes = 999;
    static constexpr qint64 longest = 30LL * 24 * 3600 * 1000; // ms
    static constexpr qint64 shortestStep = 1000;
    static constexpr qint64 longestStep = 9999LL * 60 * 1000;
    static inline const QString formatName = QStringLiteral("pumppanel-method");
    static constexpr int formatVersion = 1;

    QList<MethodStep> steps;
    QList<MethodRepeat> repeats;

    // A new method: one step at the set flow and pressure, and the last step that stops the pump.
    static Method fresh();
    friend bool operator==(const Method &, const Method &) = default;

    struct Fault
    {
        int step = 0; // 1-based; 0 for the program as a whole
        QString reason;
    };
    // Every fault, in step order; the method may start only when there is none. `panel` holds
    // the panel's own limits, which a step's limits may only tighten.
    QList<Fault> faults(const Limits &panel) const;
    // The steps in the order they run, with their times; empty when the repeats do not make
    // sense. `flow` and `pressure` are the values before the first step.
    QList<PlannedStep> plan(double flow, double pressure) const;

    // UTF-8 JSON with the format's name and version and the units named; the same method always
    // gives the same bytes.
    QByteArray toJson() const;
    // The method in `json`, or none with the reason in `problem`: a file that does not parse, is
    // not a method, or comes from a newer version is refused whole.
    static std::optional<Method> fromJson(const QByteArray &json, QString *problem);
};

// The limits in force during a step: the panel's, tightened by the step's.
Limits stepLimits(const Limits &panel, const MethodStep &step);
// "01:02:03", and "2 天 01:02:03" past a day (seconds rounded up), for what is left.
QString clockDuration(qint64 ms);
