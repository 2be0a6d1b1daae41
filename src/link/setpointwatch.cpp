#include "setpointwatch.h"

namespace {

const QString &polledPump = PumpState::polledPump;

constexpr Frames::Setpoint setpoints[] = {Frames::Setpoint::Flow, Frames::Setpoint::Pressure};

PumpState::Value valueOf(Frames::Setpoint setpoint)
{
    return setpoint == Frames::Setpoint::Flow ? PumpState::Value::SetFlow
                                              : PumpState::Value::SetPressure;
}

// The value last sent to the pump the poll asks, if one was.
std::optional<QString> lastSentToPolled(const PumpState &state, Frames::Setpoint setpoint)
{
    const PumpState::Sent &sent = state.sentToPolled(setpoint);
    return sent.sent ? std::optional<QString>(sent.data) : std::nullopt;
}

} // namespace

std::optional<SetpointWatch::Event> SetpointWatch::frameSent(const QString &frame,
                                                             const PumpState &state)
{
    if (frame == Frames::pollFrame) {
        for (Expectation &expected : m_expected) {
            if (expected.pending)
                ++expected.polls;
        }
        return std::nullopt;
    }
    if (frame.size() != Frames::frameLength)
        return std::nullopt;
    const std::optional<Frames::Setpoint> setpoint = Frames::setpointOf(frame.at(3));
    if (!setpoint)
        return std::nullopt;
    const PumpState::Sent &sent = state.sent(*setpoint);
    if (sent.pump != polledPump)
        return Event{Event::Kind::SentElsewhere, *setpoint, sent.data, QString(), sent.pump};
    // A newer value replaces what was expected of the older one.
    m_expected[index(*setpoint)] = Expectation{0, true, false};
    return std::nullopt;
}

QList<SetpointWatch::Event> SetpointWatch::replied(const Reply &reply, const PumpState &state)
{
    QList<Event> events;
    const std::optional<Frames::Setpoint> setpoint =
        reply.target() == Reply::Target::None ? std::nullopt : Frames::setpointOf(reply.letter);
    if (!setpoint)
        return events;
    const QString reported = state.caption(valueOf(*setpoint));

    Expectation &expected = m_expected[index(*setpoint)];
    if (expected.pending) {
        const QString sent = state.sentToPolled(*setpoint).data;
        if (reported == sent) {
            events << Event{Event::Kind::Confirmed, *setpoint, sent, reported, polledPump};
            expected = Expectation();
        } else if (expected.polls >= pollsToConfirm && !expected.unconfirmed) {
            expected.unconfirmed = true;
            events << Event{Event::Kind::Unconfirmed, *setpoint, sent, reported, polledPump};
        }
    }

    if (m_comparing && lastSentToPolled(state, *setpoint)) {
        m_reportedSinceReconnect[index(*setpoint)] = true;
        bool complete = true;
        for (const Frames::Setpoint each : setpoints)
            complete = complete &&
                       (!lastSentToPolled(state, each) || m_reportedSinceReconnect[index(each)]);
        if (complete) {
            m_comparing = false;
            for (const Frames::Setpoint each : setpoints) {
                const std::optional<QString> sent = lastSentToPolled(state, each);
                const QString now = state.caption(valueOf(each));
                if (sent && now != *sent)
                    events << Event{Event::Kind::Changed, each, *sent, now, polledPump};
            }
        }
    }
    return events;
}

void SetpointWatch::interrupted()
{
    for (Expectation &expected : m_expected)
        expected.polls = 0;
}

void SetpointWatch::reconnected(const PumpState &state)
{
    interrupted();
    m_reportedSinceReconnect = {};
    m_comparing = false;
    for (const Frames::Setpoint setpoint : setpoints)
        m_comparing = m_comparing || lastSentToPolled(state, setpoint);
}

QList<SetpointWatch::Event> SetpointWatch::unconfirmed(const PumpState &state) const
{
    QList<Event> list;
    for (const Frames::Setpoint setpoint : setpoints) {
        const Expectation &expected = m_expected[index(setpoint)];
        if (expected.unconfirmed)
            list << Event{Event::Kind::Unconfirmed, setpoint, state.sentToPolled(setpoint).data,
                          state.caption(valueOf(setpoint)), polledPump};
    }
    return list;
}
