#include "pumpstate.h"

QString PumpState::caption(Value value) const
{
    const Reply::Target target = value == Value::CurrentPressure ? Reply::Target::CurrentPressure
                                 : value == Value::SetPressure   ? Reply::Target::SetPressure
                                                                 : Reply::Target::SetFlow;
    return Reply::captionOf(target, reported(value).data);
}

QString PumpState::runText() const
{
    switch (m_run) {
    case Run::Run:
        return QStringLiteral("RUN");
    case Run::Stop:
        return QStringLiteral("STOP");
    case Run::NotCommanded:
        break;
    }
    return QString();
}

std::optional<PumpState::Value> PumpState::valueOf(Reply::Target target)
{
    switch (target) {
    case Reply::Target::CurrentPressure:
        return Value::CurrentPressure;
    case Reply::Target::SetPressure:
        return Value::SetPressure;
    case Reply::Target::SetFlow:
        return Value::SetFlow;
    case Reply::Target::None:
        break;
    }
    return std::nullopt;
}

void PumpState::replied(const Reply &reply, qint64 now)
{
    if (const std::optional<Value> value = valueOf(reply.target()))
        m_reported[std::size_t(*value)] = Reported{reply.data, true, now};
}

void PumpState::sent(const QString &frame, qint64 now)
{
    if (frame == Frames::runFrame || frame == Frames::stopFrame) {
        m_run = frame == Frames::runFrame ? Run::Run : Run::Stop;
        m_runAt = now;
        return;
    }
    if (frame.size() != Frames::frameLength)
        return;
    const std::optional<Frames::Setpoint> setpoint = Frames::setpointOf(frame.at(3));
    if (!setpoint)
        return;
    const Sent sent{frame.mid(4, 4), frame.mid(1, 2), now, true};
    m_sent[std::size_t(*setpoint)] = sent;
    if (sent.pump == polledPump)
        m_sentToPolled[std::size_t(*setpoint)] = sent;
}

void PumpState::oweStop(const QString &device, const QString &reopenName, qint64 now)
{
    if (m_owedStop.owed)
        return;
    m_owedStop = OwedStop{true, device, reopenName, now, QDateTime::currentDateTime()};
}
