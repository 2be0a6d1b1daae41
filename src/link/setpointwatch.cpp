#include "setpointwatch.h"

namespace {

const QString polledPump = QStringLiteral("00");

} // namespace

std::optional<SetpointWatch::Event> SetpointWatch::frameSent(const QString &frame)
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
    const QString pump = frame.mid(1, 2);
    const QString data = frame.mid(4, 4);
    if (pump != polledPump)
        return Event{Event::Kind::SentElsewhere, *setpoint, data, QString(), pump};
    // A newer value replaces what was expected of the older one.
    m_expected[index(*setpoint)] = Expectation{data, QString(), 0, true, false};
    m_lastSent[index(*setpoint)] = data;
    return std::nullopt;
}

QList<SetpointWatch::Event> SetpointWatch::replied(const Reply &reply)
{
    QList<Event> events;
    const std::optional<Frames::Setpoint> setpoint =
        reply.target() == Reply::Target::None ? std::nullopt : Frames::setpointOf(reply.letter);
    if (!setpoint)
        return events;
    const QString reported = reply.caption();

    Expectation &expected = m_expected[index(*setpoint)];
    if (expected.pending) {
        expected.reported = reported;
        if (reported == expected.sent) {
            events << Event{Event::Kind::Confirmed, *setpoint, expected.sent, reported, polledPump};
            expected = Expectation();
        } else if (expected.polls >= pollsToConfirm && !expected.unconfirmed) {
            expected.unconfirmed = true;
            events << Event{Event::Kind::Unconfirmed, *setpoint, expected.sent, reported,
                            polledPump};
        }
    }

    if (m_comparing && !m_lastSent[index(*setpoint)].isEmpty() &&
        !m_afterReconnect[index(*setpoint)]) {
        m_afterReconnect[index(*setpoint)] = reported;
        bool complete = true;
        for (std::size_t i = 0; i < m_lastSent.size(); ++i)
            complete = complete && (m_lastSent[i].isEmpty() || m_afterReconnect[i]);
        if (complete) {
            m_comparing = false;
            for (std::size_t i = 0; i < m_lastSent.size(); ++i) {
                if (!m_lastSent[i].isEmpty() && *m_afterReconnect[i] != m_lastSent[i])
                    events << Event{Event::Kind::Changed, Frames::Setpoint(i), m_lastSent[i],
                                    *m_afterReconnect[i], polledPump};
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

void SetpointWatch::reconnected()
{
    interrupted();
    m_afterReconnect = {};
    m_comparing = !m_lastSent[0].isEmpty() || !m_lastSent[1].isEmpty();
}

QList<SetpointWatch::Event> SetpointWatch::unconfirmed() const
{
    QList<Event> list;
    for (std::size_t i = 0; i < m_expected.size(); ++i) {
        if (m_expected[i].unconfirmed)
            list << Event{Event::Kind::Unconfirmed, Frames::Setpoint(i), m_expected[i].sent,
                          m_expected[i].reported, polledPump};
    }
    return list;
}
