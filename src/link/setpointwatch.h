#pragma once

#include "frames.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// Whether the pump took the setpoints sent to it. The protocol has no acknowledgement: the only
// evidence is the set flow and set pressure the pump reports at the next polls. The watch is
// told what goes out and what comes back and says what follows from it; it keeps no time of its
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
    std::optional<Event> frameSent(const QString &frame);
    // An accepted reply. After a reconnection, the Changed events come together, once, when
    // the pump has reported every value sent before.
    QList<Event> replied(const Reply &reply);
    // The pump went silent or the link was lost: nothing is judged on the polls before.
    void interrupted();
    // The link is back: the first reported values are compared with the last ones sent.
    void reconnected();

    // The values sent and not (yet) shown back after pollsToConfirm polls.
    QList<Event> unconfirmed() const;

private:
    struct Expectation
    {
        QString sent;
        QString reported;
        int polls = 0;
        bool pending = false;
        bool unconfirmed = false;
    };
    static std::size_t index(Frames::Setpoint setpoint) { return std::size_t(setpoint); }

    std::array<Expectation, 2> m_expected;
    // The last value sent to the polled pump, and what it reported first after a reconnection.
    std::array<QString, 2> m_lastSent;
    std::array<std::optional<QString>, 2> m_afterReconnect;
    bool m_comparing = false;
};
