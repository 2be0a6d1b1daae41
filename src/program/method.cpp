#include "method.h"

#include "frames.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace {

bool whole(double value, double unit)
{
    const double scaled = value / unit;
    return std::abs(scaled - std::round(scaled)) < 1e-6;
}

const char *unitWord(MethodStep::Unit unit)
{
    switch (unit) {
    case MethodStep::Unit::Seconds:
        return "s";
    case MethodStep::Unit::Minutes:
        return "min";
    case MethodStep::Unit::Hours:
        return "h";
    }
    Q_UNREACHABLE();
}

std::optional<MethodStep::Unit> unitOf(const QString &word)
{
    for (const MethodStep::Unit unit :
         {MethodStep::Unit::Seconds, MethodStep::Unit::Minutes, MethodStep::Unit::Hours}) {
        if (word == QLatin1String(unitWord(unit)))
            return unit;
    }
    return std::nullopt;
}

QJsonValue optionalNumber(std::optional<double> value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

} // namespace

qint64 MethodStep::lengthMs() const
{
    if (stop || !duration)
        return 0;
    const double seconds = unit == Unit::Seconds   ? *duration
                           : unit == Unit::Minutes ? *duration * 60
                                                   : *duration * 3600;
    return qint64(std::llround(seconds * 1000));
}

Method Method::fresh()
{
    Method method;
    MethodStep first;
    first.name = QCoreApplication::translate("Method", "第 1 步");
    first.duration = 10;
    method.steps << first;
    MethodStep stop;
    stop.name = QCoreApplication::translate("Method", "停泵");
    stop.stop = true;
    method.steps << stop;
    return method;
}

Limits stepLimits(const Limits &panel, const MethodStep &step)
{
    Limits limits = panel;
    if (step.high)
        limits.high = panel.high ? std::min(*panel.high, *step.high) : *step.high;
    if (step.low)
        limits.low = panel.low ? std::max(*panel.low, *step.low) : *step.low;
    return limits;
}

QList<Method::Fault> Method::faults(const Limits &panel) const
{
    QList<Fault> found;
    auto fault = [&found](int step, const QString &reason) { found.append({step, reason}); };
    if (steps.isEmpty())
        fault(0, QCoreApplication::translate("Method", "程序没有步骤"));
    if (!steps.isEmpty() && steps.first().stop)
        fault(1, QCoreApplication::translate("Method", "第一步是停止步骤，程序没有可运行的步骤"));
    if (steps.size() > mostSteps)
        fault(0, QCoreApplication::translate("Method", "程序有 %1 步，最多 %2 步")
                     .arg(steps.size())
                     .arg(mostSteps));
    for (int i = 0; i < steps.size(); ++i) {
        const MethodStep &step = steps.at(i);
        const int number = i + 1;
        if (step.stop) {
            if (i != steps.size() - 1)
                fault(number,
                      QCoreApplication::translate("Method", "停止步骤之后还有步骤，它们不会运行"));
            continue;
        }
        if (!step.duration)
            fault(number, QCoreApplication::translate("Method", "时长为空"));
        else if (step.lengthMs() < shortestStep || step.lengthMs() > longestStep)
            fault(number, QCoreApplication::translate("Method", "时长须在 1 秒到 9999 分之间"));
        if (step.flow < 0 || step.flow > Frames::rule(Frames::Setpoint::Flow).limit)
            fault(number,
                  QCoreApplication::translate("Method", "设定流量 %1 ml/min 超出 0 到 200 ml/min")
                      .arg(QString::number(step.flow)));
        else if (!whole(step.flow, 1))
            fault(number, QCoreApplication::translate("Method", "设定流量须是整数 ml/min"));
        if (step.pressure < 0 ||
            step.pressure > Frames::rule(Frames::Setpoint::Pressure).limit + 1e-9)
            fault(number, QCoreApplication::translate("Method", "设定压力 %1 MPa 超出 0 到 2.0 MPa")
                              .arg(QString::number(step.pressure)));
        else if (!whole(step.pressure, 0.1))
            fault(number, QCoreApplication::translate("Method", "设定压力最多一位小数（0.1 MPa）"));
        if (step.high && panel.high && *step.high > *panel.high + 1e-9)
            fault(number,
                  QCoreApplication::translate("Method",
                                              "本步的压力上限 %1 MPa 比面板的上限 %2 MPa 宽")
                      .arg(Limits::numberText(*step.high), Limits::numberText(*panel.high)));
        if (step.high && (*step.high < Limits::highLeast || *step.high > Limits::highMost))
            fault(number, QCoreApplication::translate("Method",
                                                      "本步的压力上限须在 0.05 到 2.50 MPa 之间"));
        if (step.low && panel.low && *step.low < *panel.low - 1e-9)
            fault(number, QCoreApplication::translate(
                              "Method", "本步的压力下限 %1 MPa 比面板的下限 %2 MPa 宽")
                              .arg(Limits::numberText(*step.low), Limits::numberText(*panel.low)));
        const Limits inForce = stepLimits(panel, step);
        if (inForce.low && inForce.high && *inForce.low > *inForce.high - Limits::lowGap + 1e-9)
            fault(number,
                  QCoreApplication::translate("Method",
                                              "压力下限 %1 MPa 须比压力上限 %2 MPa 至少低 0.05 MPa")
                      .arg(Limits::numberText(*inForce.low), Limits::numberText(*inForce.high)));
        if (inForce.high && step.pressure > *inForce.high + 1e-9)
            fault(number,
                  QCoreApplication::translate("Method", "设定压力 %1 MPa 高于本步的压力上限 %2 MPa")
                      .arg(QString::number(step.pressure, 'f', 1),
                           Limits::numberText(*inForce.high)));
    }
    bool repeatsSound = true;
    for (int r = 0; r < repeats.size(); ++r) {
        const MethodRepeat &repeat = repeats.at(r);
        const QString name =
            QCoreApplication::translate("Method", "重复 %1–%2").arg(repeat.from).arg(repeat.to);
        if (repeat.from < 1 || repeat.to > steps.size() || repeat.from > repeat.to) {
            fault(std::clamp(repeat.from, 0, int(steps.size())),
                  QCoreApplication::translate("Method", "%1 指向不存在的步骤（共 %2 步）")
                      .arg(name)
                      .arg(steps.size()));
            repeatsSound = false;
            continue;
        }
        if (repeat.times < 1 || repeat.times > mostTimes)
            fault(repeat.from,
                  QCoreApplication::translate("Method", "%1 的次数须在 1 到 999 之间").arg(name));
        for (int i = repeat.from - 1; i < repeat.to; ++i) {
            if (steps.at(i).stop) {
                fault(i + 1, QCoreApplication::translate("Method", "%1 含有停止步骤").arg(name));
                repeatsSound = false;
            }
        }
        for (int other = 0; other < r; ++other) {
            const MethodRepeat &before = repeats.at(other);
            if (repeat.from <= before.to && before.from <= repeat.to) {
                fault(repeat.from, QCoreApplication::translate("Method", "%1 与重复 %2–%3 重叠")
                                       .arg(name)
                                       .arg(before.from)
                                       .arg(before.to));
                repeatsSound = false;
            }
        }
    }
    if (repeatsSound) {
        const QList<PlannedStep> planned = plan(0, 0);
        const qint64 total = planned.isEmpty() ? 0 : planned.last().end();
        if (total > longest)
            fault(0, QCoreApplication::translate("Method", "程序总长 %1，超过 30 天")
                         .arg(clockDuration(total)));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Fault &a, const Fault &b) { return a.step < b.step; });
    return found;
}

QList<PlannedStep> Method::plan(double flow, double pressure) const
{
    QList<PlannedStep> planned;
    qint64 at = 0;
    auto play = [&](int index, int pass) {
        const MethodStep &step = steps.at(index);
        planned.append({index, pass, at, step.lengthMs(), flow, pressure});
        at += step.lengthMs();
        if (!step.stop) {
            flow = step.flow;
            pressure = step.pressure;
        }
    };
    for (int i = 0; i < steps.size(); ++i) {
        const auto repeat = std::find_if(repeats.cbegin(), repeats.cend(),
                                         [i](const MethodRepeat &r) { return r.from == i + 1; });
        if (repeat == repeats.cend() || repeat->to > steps.size() || repeat->to < repeat->from) {
            play(i, 1);
        } else {
            for (int pass = 1; pass <= std::clamp(repeat->times, 1, mostTimes); ++pass) {
                for (int k = repeat->from - 1; k < repeat->to; ++k)
                    play(k, pass);
            }
            i = repeat->to - 1;
        }
        if (steps.at(i).stop)
            break;
        // Guards against a method too long to expand: the check reports it as too long.
        if (at > longest)
            break;
    }
    return planned;
}

QByteArray Method::toJson() const
{
    QJsonArray stepArray;
    for (const MethodStep &step : steps) {
        stepArray.append(QJsonObject{
            {QStringLiteral("name"), step.name},
            {QStringLiteral("duration"), optionalNumber(step.duration)},
            {QStringLiteral("unit"), QLatin1String(unitWord(step.unit))},
            {QStringLiteral("flow"), step.flow},
            {QStringLiteral("flowRamp"), step.flowRamp},
            {QStringLiteral("pressure"), step.pressure},
            {QStringLiteral("pressureRamp"), step.pressureRamp},
            {QStringLiteral("highLimit"), optionalNumber(step.high)},
            {QStringLiteral("lowLimit"), optionalNumber(step.low)},
            {QStringLiteral("stop"), step.stop},
        });
    }
    QJsonArray repeatArray;
    for (const MethodRepeat &repeat : repeats) {
        repeatArray.append(QJsonObject{{QStringLiteral("from"), repeat.from},
                                       {QStringLiteral("to"), repeat.to},
                                       {QStringLiteral("times"), repeat.times}});
    }
    const QJsonObject root{
        {QStringLiteral("format"), formatName},
        {QStringLiteral("version"), formatVersion},
        {QStringLiteral("units"),
         QJsonObject{{QStringLiteral("flow"), QStringLiteral("ml/min")},
                     {QStringLiteral("pressure"), QStringLiteral("MPa")},
                     {QStringLiteral("limits"), QStringLiteral("MPa")},
                     {QStringLiteral("duration"), QStringLiteral("unit of each step: s, min, h")}}},
        {QStringLiteral("steps"), stepArray},
        {QStringLiteral("repeats"), repeatArray},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<Method> Method::fromJson(const QByteArray &json, QString *problem)
{
    auto refuse = [problem](const QString &why) -> std::optional<Method> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return refuse(
            QCoreApplication::translate("Method", "文件不是有效的 JSON（第 %1 个字节：%2）")
                .arg(error.offset)
                .arg(error.errorString()));
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != formatName)
        return refuse(
            QCoreApplication::translate("Method", "文件不是泵面板的程序（缺少 \"format\": \"%1\"）")
                .arg(formatName));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() < 1 || !whole(version.toDouble(), 1))
        return refuse(QCoreApplication::translate("Method", "程序文件的版本无效"));
    if (version.toInt() > formatVersion)
        return refuse(QCoreApplication::translate(
                          "Method", "程序文件来自更新的版本（格式版本 %1），本程序只能打开版本 "
                                    "%2，没有载入任何内容")
                          .arg(version.toInt())
                          .arg(formatVersion));
    const QJsonObject units = root.value(QStringLiteral("units")).toObject();
    if (units.value(QStringLiteral("flow")).toString() != QLatin1String("ml/min") ||
        units.value(QStringLiteral("pressure")).toString() != QLatin1String("MPa"))
        return refuse(QCoreApplication::translate("Method", "程序文件的单位不是 ml/min 和 MPa"));

    Method method;
    const QJsonArray stepArray = root.value(QStringLiteral("steps")).toArray();
    for (qsizetype i = 0; i < stepArray.size(); ++i) {
        const QJsonObject object = stepArray.at(i).toObject();
        const QString where = QCoreApplication::translate("Method", "第 %1 步").arg(i + 1);
        MethodStep step;
        auto number = [&](const char *key, std::optional<double> *into, bool nullable) {
            const QJsonValue value = object.value(QLatin1String(key));
            if (value.isDouble()) {
                *into = value.toDouble();
                return true;
            }
            into->reset();
            return nullable && (value.isNull() || value.isUndefined());
        };
        std::optional<double> flow, pressure;
        const std::optional<MethodStep::Unit> unit =
            unitOf(object.value(QStringLiteral("unit")).toString());
        if (!stepArray.at(i).isObject() || !number("flow", &flow, false) ||
            !number("pressure", &pressure, false) || !number("duration", &step.duration, true) ||
            !number("highLimit", &step.high, true) || !number("lowLimit", &step.low, true) ||
            !unit || !object.value(QStringLiteral("name")).isString())
            return refuse(
                QCoreApplication::translate("Method", "%1的内容不完整或类型不对").arg(where));
        step.name = object.value(QStringLiteral("name")).toString();
        step.unit = *unit;
        step.flow = *flow;
        step.pressure = *pressure;
        step.flowRamp = object.value(QStringLiteral("flowRamp")).toBool();
        step.pressureRamp = object.value(QStringLiteral("pressureRamp")).toBool();
        step.stop = object.value(QStringLiteral("stop")).toBool();
        method.steps << step;
    }
    for (const QJsonValue &value : root.value(QStringLiteral("repeats")).toArray()) {
        const QJsonObject object = value.toObject();
        const QJsonValue from = object.value(QStringLiteral("from"));
        const QJsonValue to = object.value(QStringLiteral("to"));
        const QJsonValue times = object.value(QStringLiteral("times"));
        if (!from.isDouble() || !to.isDouble() || !times.isDouble())
            return refuse(QCoreApplication::translate("Method", "重复段的内容不完整或类型不对"));
        method.repeats << MethodRepeat{from.toInt(), to.toInt(), times.toInt()};
    }
    return method;
}

QString clockDuration(qint64 ms)
{
    const qint64 seconds = (ms + 999) / 1000;
    const qint64 days = seconds / 86400;
    const QString time = QStringLiteral("%1:%2:%3")
                             .arg(seconds % 86400 / 3600, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return days > 0 ? QCoreApplication::translate("Method", "%1 天 %2").arg(days).arg(time) : time;
}
