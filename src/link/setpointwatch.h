#pragma once

#include "frames.h"
#include "pumpstate.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// Whether the pump took the setpoints sent to it. The protocol has no acknowledgement: the only
// evidence is the set flow and set pressure the pump reports at the next polls. The watch is
// told what goes out and what comes back, after the pump's state has taken it in, and says what
// follows from it; what was sent and reported it reads from that state. It keeps no time of its
// own, it counts polls.
class SetpointWatch
{
public:
    // Polls answered after a send before a different reported value counts as not taken.
    static constexpr int pollsToConfirm = 2;

    struct Event
    {
        enum class Kind {
            Confirmed,     // the pump reports the value sent
            Unconfirmed,   // two polls on, it still reports another
            SentElsewhere, // sent to a pump number the poll does not ask
            Changed,       // after a reconnection the pump reports other values than last sent
        };
        Kind kind;
        Frames::Setpoint setpoint;
        QString sent;     // the data field sent
        QString reported; // the caption the pump reports; empty for SentElsewhere
        QString pump;     // the pump number field, for SentElsewhere

        friend bool operator==(const Event &, const Event &) = default;
    };

    // A frame the link wrote. Returns SentElsewhere for a setpoint to another pump.
    std::optional<Event> frameSent(const QString &frame, const PumpState &state);
    // An accepted reply. After a reconnection, the Changed events come together, once, when
    // the pump has reported every value last sent to it.
    QList<Event> replied(const Reply &reply, const PumpState &state);
    // The pump went silent or the link was lost: nothing is judged on the polls before.
    void interrupted();
    // The link is back: the values reported next are compared with the last ones sent.
    void reconnected(const PumpState &state);

    // The values sent and not (yet) shown back after pollsToConfirm polls.
    QList<Event> unconfirmed(const PumpState &state) const;

private:
    // The judgement on the value last sent to the polled pump: it outlives a later send to
    // another pump number, which the poll cannot confirm.
    struct Expectation
    {
        int polls = 0;
        bool pending = false;
        bool unconfirmed = false;
    };
    static std::size_t index(Frames::Setpoint setpoint) { return std::size_t(setpoint); }

    std::array<Expectation, 2> m_expected;
    // After a reconnection: which of the values last sent the pump has reported since.
    std::array<bool, 2> m_reportedSinceReconnect{};
    bool m_comparing = false;
};
