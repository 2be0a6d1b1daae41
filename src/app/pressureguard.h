#pragma once

#include "framesender.h"
#include "limitrules.h"

#include <QObject>

#include <optional>

class AlarmList;
class Dialogs;
class Journal;
class PumpLink;
class TimedRun;
struct Reply;

// The pressure limits at work: each current-pressure reply is judged by the limit rules, and a
// trip, in the same event as the reply, sends STOP (owed if it cannot go out), latches a
// high-priority alarm, pauses a timed run if the settings say so and is logged. The latch is
// reset only at the operator's 复位, once the pressure is back within the limits. With both
// limits off it does nothing at all.
class PressureGuard : public QObject
{
    Q_OBJECT
public:
    static inline const QString tripAlarm = QStringLiteral("pressure-limit");
    static inline const QString invalidAlarm = QStringLiteral("pressure-invalid");

    PressureGuard(PumpLink &link, AlarmList &alarms, TimedRun &timedRun, Journal &journal,
                  Dialogs &dialogs, QObject *parent = nullptr);

    // The settings read at start, before there is a log.
    void startWith(const Limits &limits);
    // New settings; a change is logged with the old values and the new.
    void setLimits(const Limits &limits);
    // The operator's settings, and the limits in force now (a program step may tighten them).
    const Limits &settings() const { return m_settings; }
    const Limits &limits() const { return m_rules.limits(); }
    // A program step's own limits hold until the next step or the program's end (none: the
    // settings again); `why` names the step in the run log.
    void useStepLimits(const std::optional<Limits> &limits, const QString &why);
    // A new log began: it is told the limits in force, when any is set.
    void logStarted();
    // The trip that holds the latch, in the alarm's words; empty when none does.
    QString latchedText() const;

signals:
    // A limit tripped: its STOP has gone out (or is owed).
    void tripped();

private:
    void apply(const QString &detail, bool always);
    void onReply(const Reply &reply);
    void onFrameSent(const QString &frame);
    void trip(const LimitRules::Trip &trip);
    void resetRequested();
    void showResettable();
    QString lowText() const;

    PumpLink &m_link;
    AlarmList &m_alarms;
    TimedRun &m_timedRun;
    Journal &m_journal;
    Dialogs &m_dialogs;
    LimitRules m_rules;
    Limits m_settings;
    std::optional<Limits> m_step;
    std::optional<int> m_lastFlow; // the last set flow sent, ml/min
};

// In front of the keys' and menus' sender: while a trip is latched, every RUN is refused with
// one message naming the trip, and nothing is sent. Everything else passes.
class RunGate final : public FrameSender
{
public:
    RunGate(FrameSender &next, Dialogs &dialogs);

    bool send(const QString &frame) override;
    Failure lastFailure() const override { return m_next.lastFailure(); }
    void setJournal(Journal *journal) { m_journal = journal; }
    // The guard is made after the senders it stands in front of.
    void setGuard(const PressureGuard *guard) { m_guard = guard; }

private:
    FrameSender &m_next;
    const PressureGuard *m_guard = nullptr;
    Dialogs &m_dialogs;
    Journal *m_journal = nullptr;
};
