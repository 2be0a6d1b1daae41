#pragma once

#include "frames.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

// What is known of the pump, in one place: what it last reported, what the panel last commanded
// and how the link stands. The link updates it from each reply before it tells anyone, and from
// each frame as it goes out; the captions, the status bar, the setpoint watch and the run log
// read it. Times are on the link's monotonic clock, in milliseconds.
class PumpState
{
public:
    // The three values the pump reports.
    enum class Value { CurrentPressure, SetPressure, SetFlow };
    struct Reported
    {
        QString data;      // the data field exactly as received
        bool seen = false; // false until the first reply of its kind
        qint64 at = 0;
    };
    enum class Run { NotCommanded, Run, Stop };
    struct Sent
    {
        QString data; // the data field of the frame
        QString pump; // its pump number field
        qint64 at = 0;
        bool sent = false;
    };
    enum class Link { Closed, Open, Reconnecting };
    // A STOP that could not go out, kept for the device it was meant for.
    struct OwedStop
    {
        bool owed = false;
        QString device;     // as it was named then; empty when no port had been opened
        QString reopenName; // the stable name the link reopens it by
        qint64 since = 0;   // when the first STOP of this debt failed
        QDateTime sinceTime;
    };

    const Reported &reported(Value value) const { return m_reported[std::size_t(value)]; }
    // The reported value as the readout shows it: the set pressure with its point.
    QString caption(Value value) const;
    Run run() const { return m_run; }
    qint64 runAt() const { return m_runAt; }
    // "RUN", "STOP" or empty, as last commanded.
    QString runText() const;
    // The last setpoint frame of each kind, to whatever pump number.
    const Sent &sent(Frames::Setpoint setpoint) const { return m_sent[std::size_t(setpoint)]; }
    // The last one to the pump the poll asks, whose replies tell whether it took it.
    const Sent &sentToPolled(Frames::Setpoint setpoint) const
    {
        return m_sentToPolled[std::size_t(setpoint)];
    }
    static inline const QString polledPump = QStringLiteral("00");
    Link link() const { return m_link; }
    // Open, and no accepted reply for the silence limit.
    bool silent() const { return m_silent; }
    const OwedStop &owedStop() const { return m_owedStop; }
    // RUN went out and no STOP since, or a STOP is owed: the pump may be running.
    bool mayRun() const { return m_run == Run::Run || m_owedStop.owed; }

    // The value a reply target reports, if it reports one.
    static std::optional<Value> valueOf(Reply::Target target);

    // What the link records.
    void replied(const Reply &reply, qint64 now);
    void sent(const QString &frame, qint64 now);
    void setLink(Link link) { m_link = link; }
    void setSilent(bool silent) { m_silent = silent; }
    // A STOP failed; a debt already owed keeps its first time. The link settles it.
    void oweStop(const QString &device, const QString &reopenName, qint64 now);
    void forgiveStop() { m_owedStop = OwedStop(); }

private:
    std::array<Reported, 3> m_reported;
    Run m_run = Run::NotCommanded;
    qint64 m_runAt = 0;
    std::array<Sent, 2> m_sent;
    std::array<Sent, 2> m_sentToPolled;
    Link m_link = Link::Closed;
    bool m_silent = false;
    OwedStop m_owedStop;
};
