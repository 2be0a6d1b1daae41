#include "programrunner.h"

#include "frames.h"
#include "framesender.h"
#include "journal.h"
#include "monotonic.h"
#include "numbers.h"

#include <QCoreApplication>
#include <QCryptographicHash>

#include <algorithm>
#include <cmath>

namespace {

// Ramps move no faster than the poll that shows what they did.
constexpr qint64 rampInterval = 1500; // ms
// A ramp is looked at this often for a value that changed.
constexpr qint64 rampLook = 250;

double quantized(bool flow, double value)
{
    return flow ? std::round(value) : std::round(value * 10) / 10;
}

// A step's planned start in its method-step row: "+26:05:00", the hours counted on past a day,
// one word in every language, as the report reads it back.
QString offsetText(qint64 ms)
{
    const qint64 seconds = (ms + 999) / 1000;
    return QStringLiteral("+%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ProgramRunner::ProgramRunner(FrameSender &operatorSender, FrameSender &stepSender, QObject *parent)
    : QObject(parent)
    , m_operatorSender(operatorSender)
    , m_stepSender(stepSender)
    , m_clock(&monotonicMs)
    , m_linkOpen([] { return true; })
{
    m_timer.setObjectName(QStringLiteral("programTimer"));
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ProgramRunner::advance);
}

void ProgramRunner::setClock(std::function<qint64()> clock, double scale)
{
    m_clock = std::move(clock);
    m_scale = scale > 0 ? scale : 1;
}

qint64 ProgramRunner::programTime() const
{
    const qint64 at = m_state == State::Paused ? m_pausedAt : m_clock();
    return at - m_startedAt - m_pausedFor;
}

void ProgramRunner::note(const QString &event, const QString &detail)
{
    noteTo(m_journal, event, detail);
}

bool ProgramRunner::start(const Method &method, const QString &file, const QByteArray &content,
                          double flow, double pressure)
{
    if (m_state != State::Idle)
        return false;
    m_method = method;
    m_plan = method.plan(flow, pressure);
    if (m_plan.isEmpty())
        return false;
    m_total = m_plan.last().end();
    m_state = State::Running;
    m_startedAt = m_clock();
    m_pausedFor = 0;
    m_current = -1;
    m_sentFlow.reset();
    m_sentPressure.reset();
    m_lastRampSend = -1;
    m_owed = false;
    m_volume = 0;
    m_volumeAt = m_startedAt;
    note(
        QStringLiteral("method-start"),
        QCoreApplication::translate("ProgramRunner", "%1 sha256=%2 %3 步，共 %4")
            .arg(file.isEmpty() ? QCoreApplication::translate("ProgramRunner", "（未保存）") : file,
                 QString::fromLatin1(
                     QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex()))
            .arg(m_plan.size())
            .arg(clockDuration(m_total)));
    // The first step's setpoints, then RUN: both the operator's, told if they cannot go out.
    m_sending = &m_operatorSender;
    beginStep(0, false);
    if (m_state == State::Idle)
        return false;
    if (m_owed || !m_operatorSender.send(Frames::runFrame)) {
        m_sending = &m_stepSender;
        finish(QCoreApplication::translate("ProgramRunner", "开始的命令没有发出"), false);
        return false;
    }
    m_sending = &m_stepSender;
    schedule();
    emit changed();
    return true;
}

void ProgramRunner::beginStep(int index, bool late)
{
    m_current = index;
    const PlannedStep &planned = m_plan.at(index);
    const MethodStep &step = m_method.steps.at(planned.step);
    const int number = planned.step + 1;
    note(
        QStringLiteral("method-step"),
        QString::fromUtf8("%1 planned=%2 pass=%3 flow=%4 pressure=%5 %6%7")
            .arg(number)
            .arg(offsetText(planned.start))
            .arg(planned.pass)
            .arg(step.stop ? QStringLiteral("-") : QString::number(step.flow),
                 step.stop ? QStringLiteral("-") : QString::number(step.pressure, 'f', 1),
                 step.name,
                 step.stop ? QCoreApplication::translate("ProgramRunner", "（停泵）") : QString()));
    emit stepStarted(number, step);
    if (step.stop) {
        finish(QCoreApplication::translate("ProgramRunner", "程序在第 %1 步停泵").arg(number),
               true);
        return;
    }
    // What the operator starts is tried and told; what the program sends by itself waits for
    // the port.
    m_owed = late || (m_sending == &m_stepSender && !m_linkOpen());
    if (!m_owed)
        sendSetpoints(true);
}

bool ProgramRunner::sendValue(bool flow, double value)
{
    const QString frame = flow ? Frames::flowFrame(0, value) : Frames::pressureFrame(0, value);
    if (!m_sending->send(frame))
        return false;
    (flow ? m_sentFlow : m_sentPressure) = value;
    return true;
}

void ProgramRunner::sendSetpoints(bool atStart)
{
    const PlannedStep &planned = m_plan.at(m_current);
    const MethodStep &step = m_method.steps.at(planned.step);
    const double share =
        planned.length > 0
            ? std::clamp(double(programTime() - planned.start) / double(planned.length), 0.0, 1.0)
            : 1.0;
    bool sent = true;
    bool rampSent = false;
    for (const bool flow : {true, false}) {
        const bool ramp = flow ? step.flowRamp : step.pressureRamp;
        const double to = flow ? step.flow : step.pressure;
        const double from = flow ? planned.flowFrom : planned.pressureFrom;
        const double value = quantized(flow, ramp ? from + (to - from) * share : to);
        const std::optional<double> &last = flow ? m_sentFlow : m_sentPressure;
        // A value set at the step's start always goes out; a ramp's only when it moved.
        if ((atStart && !ramp) || !last || !qFuzzyCompare(1 + *last, 1 + value)) {
            // After a frame that did not go out, the rest waits too: one message, one debt.
            if (!sendValue(flow, value)) {
                sent = false;
                break;
            }
            rampSent = rampSent || ramp;
        }
    }
    if (rampSent || atStart)
        m_lastRampSend = programTime();
    m_owed = !sent;
}

void ProgramRunner::advance()
{
    if (m_state != State::Running)
        return;
    addVolume();
    if (m_owed && m_linkOpen())
        portOpened(); // a write that failed on a port still open
    const qint64 t = programTime();
    while (m_current + 1 < m_plan.size() && m_plan.at(m_current + 1).start <= t) {
        beginStep(m_current + 1, false);
        if (m_state == State::Idle)
            return;
    }
    if (t >= m_total) {
        finish(QCoreApplication::translate("ProgramRunner", "程序完成"), true);
        return;
    }
    const MethodStep &step = m_method.steps.at(m_plan.at(m_current).step);
    if ((step.flowRamp || step.pressureRamp) && !m_owed && m_linkOpen() &&
        t - m_lastRampSend >= rampInterval)
        sendSetpoints(false);
    schedule();
    emit changed();
}

void ProgramRunner::schedule()
{
    if (m_state != State::Running)
        return;
    const qint64 t = programTime();
    qint64 due = (m_current + 1 < m_plan.size() ? m_plan.at(m_current + 1).start : m_total) - t;
    const MethodStep &step = m_method.steps.at(m_plan.at(m_current).step);
    if (step.flowRamp || step.pressureRamp)
        due = std::min(due, rampLook);
    m_timer.start(int(std::clamp<qint64>(qint64(std::ceil(double(due) / m_scale)), 0, 60000)));
}

void ProgramRunner::portOpened()
{
    if (m_state == State::Idle || !m_owed)
        return;
    const PlannedStep &planned = m_plan.at(m_current);
    const int number = planned.step + 1;
    const qint64 late = programTime() - planned.start;
    if (m_commandNote)
        m_commandNote(QCoreApplication::translate("ProgramRunner", "程序第 %1 步晚了 %2 秒")
                          .arg(number)
                          .arg(secondsText(late)));
    sendSetpoints(true);
    if (m_commandNote)
        m_commandNote(QString());
    if (!m_owed)
        emit stepLate(number, late);
    emit changed();
}

void ProgramRunner::pause()
{
    if (m_state != State::Running)
        return;
    addVolume();
    m_pausedAt = m_clock();
    m_state = State::Paused;
    m_timer.stop();
    note(QStringLiteral("method-pause"),
         QCoreApplication::translate("ProgramRunner", "第 %1 步，程序已运行 %2")
             .arg(m_plan.at(m_current).step + 1)
             .arg(clockDuration(programTime())));
    emit changed();
}

void ProgramRunner::resume()
{
    if (m_state != State::Paused)
        return;
    m_pausedFor += m_clock() - m_pausedAt;
    m_state = State::Running;
    note(QStringLiteral("method-resume"),
         QCoreApplication::translate("ProgramRunner", "第 %1 步，还剩 %2")
             .arg(m_plan.at(m_current).step + 1)
             .arg(clockDuration(m_total - programTime())));
    advance();
}

void ProgramRunner::stop()
{
    if (m_state == State::Idle)
        return;
    // The operator's STOP goes out whatever comes of it; a failed one is owed by the link.
    m_operatorSender.send(Frames::stopFrame);
    finish(QCoreApplication::translate("ProgramRunner", "操作员停止"), false);
}

void ProgramRunner::endByTrip()
{
    if (m_state != State::Idle)
        finish(QCoreApplication::translate("ProgramRunner", "压力保护跳闸"), false);
}

void ProgramRunner::finish(const QString &why, bool sendStop)
{
    addVolume();
    m_state = State::Idle;
    m_timer.stop();
    if (sendStop)
        m_stepSender.send(Frames::stopFrame); // owed by the link if it cannot go out
    note(QStringLiteral("method-end"),
         QCoreApplication::translate("ProgramRunner", "%1，估计泵送 %2 ml")
             .arg(why)
             .arg(m_volume, 0, 'f', 1));
    emit ended(why);
    emit changed();
}

double ProgramRunner::volumeSince(qint64 now) const
{
    return m_state != State::Idle && m_sentFlow ? *m_sentFlow * double(now - m_volumeAt) / 60000.0
                                                : 0.0;
}

void ProgramRunner::addVolume()
{
    const qint64 now = m_clock();
    m_volume += volumeSince(now);
    m_volumeAt = now;
}

ProgramRunner::Progress ProgramRunner::progress() const
{
    Progress shown;
    if (m_current < 0 || m_plan.isEmpty())
        return shown;
    const PlannedStep &planned = m_plan.at(m_current);
    const qint64 t = m_state == State::Idle ? m_total : programTime();
    shown.index = m_current;
    shown.count = int(m_plan.size());
    shown.stepNumber = planned.step + 1;
    shown.name = m_method.steps.at(planned.step).name;
    shown.leftInStep = std::max<qint64>(0, planned.end() - t);
    shown.leftInProgram = std::max<qint64>(0, m_total - t);
    shown.volume = m_volume + volumeSince(m_clock());
    return shown;
}
