#pragma once

#include "frames.h"
#include "framesender.h"
#include "pumpport.h"
#include "pumpstate.h"
#include "setpointwatch.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

// How the link stands, for the operator's status line: a view made when asked, from the pump's
// state and the link's counters.
struct LinkStatus
{
    using State = PumpState::Link;
    // Two polls in a row without an accepted reply: the pump does not answer.
    static constexpr qint64 silenceLimit = 3000; // ms

    State state = State::Closed;
    QString device;
    qint64 framesSent = 0;
    qint64 repliesAccepted = 0;
    qint64 repliesRejected = 0;
    std::optional<qint64> sinceLastReply; // ms; none before the first reply on this port
    qint64 sinceOpened = 0;               // ms
    bool silent = false;                  // open, and no accepted reply for silenceLimit
    // While reconnecting: the name tried, the attempts so far and how long the link is down.
    QString reopenName;
    int reconnectTries = 0;
    qint64 sinceLost = 0; // ms
    // RUN went out and no STOP after it, and the set flow the pump last reported.
    bool runCommanded = false;
    QString reportedFlow;

    bool pumpSilent() const { return state == State::Open && silent; }
};

// The link to the pump: opening the port from the operator's answer, the status poll on
// Timer2, the one place frames are written, cutting what arrives into replies, and the owner of
// the pump's state, which it brings up to date before it tells anyone of a reply or a frame.
// What a reply causes is told in one order: the reply, then what became of a setpoint.
class PumpLink : public QObject, public FrameSender
{
    Q_OBJECT
public:
    static constexpr int pollInterval = 1500; // ms
    // A lost device is tried again this often until it opens.
    static constexpr int reconnectInterval = 2000; // ms
    // The pump's line: 9600 baud, no parity, 8 data bits, 1 stop bit.
    static constexpr LineSettings pumpLine{};

    enum class OpenOutcome { Opened, Cancelled, InvalidPort, OpenFailed, SettingsRefused };
    struct OpenResult
    {
        OpenOutcome outcome = OpenOutcome::Cancelled;
        QString device;
        OpenFailure failure;        // why opening failed
        QStringList availablePorts; // filled when opening failed
        // When opening failed: the port that is still open and polled, or the one that was
        // closed to open the same device again and is now closed.
        QString keptDevice;
        QString closedDevice;
        // The lost device that was being reconnected, given up for the answer.
        QString abandonedDevice;
    };

    explicit PumpLink(PumpPort *MSComm1, QObject *parent = nullptr);

    // Opens the port an answer to the port prompt names and sets it up. A working link is given
    // up only for a port that opened; the same device is closed first, as an open port stays
    // locked. Does not start the poll. An answer that names a port ends any reconnecting.
    OpenResult open(const QString &answer);
    // Sends a STOP owed to the device now open, then starts the poll.
    void startPoll();
    // One status poll, as Timer2 sends every pollInterval.
    void pollNow();
    QTimer *Timer2() { return &m_Timer2; }
    // One attempt to open the lost device again, as the reconnect timer makes every
    // reconnectInterval; on success the poll resumes at once.
    void reconnectNow();
    QTimer *reconnectTimer() { return &m_reconnectTimer; }
    // Whether the pump has gone silent, as the silence timer asks when the limit is up.
    void checkSilence();
    QTimer *silenceTimer() { return &m_silenceTimer; }

    bool send(const QString &frame) override;
    Failure lastFailure() const override { return m_lastFailure; }

    // The device of the open port, or of the one last open.
    QString device() const { return m_MSComm1->device(); }
    LinkStatus status() const;
    const PumpState &pumpState() const { return m_pump; }
    const SetpointWatch &setpoints() const { return m_setpoints; }
    // Whether the device now open is the one an owed STOP is meant for (any device, when it
    // failed before a port had been opened).
    bool owedToOpenDevice() const;
    // The debt is given up: the operator has been told that it could not be paid.
    void forgiveOwedStop();
    // While an owed STOP goes out (for whoever records the frame): the debt it pays.
    const PumpState::OwedStop *paying() const { return m_paying ? &m_payingStop : nullptr; }
    qint64 clockNow() const { return m_clock(); }
    // A monotonic clock in milliseconds; tests set their own.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

signals:
    // Each accepted reply, in arrival order, once the pump's state holds it.
    void replyAccepted(const Reply &reply);
    // What became of a setpoint, told after the reply or the frame that decided it.
    void setpointEvent(const SetpointWatch::Event &event);
    // The port failed while open; it is closed and the poll stopped.
    void linkLost(const QString &reason);
    // The port was opened, closed or lost, or a reconnect attempt failed.
    void stateChanged();
    // The port is open where it was not (通信, or a reconnection), after stateChanged: the pump
    // ran unwatched meanwhile.
    void opened();
    // Each frame written, polls included.
    void frameSent(const QString &frame);
    // No accepted reply for silenceLimit while open; and the first reply after it.
    void silenceStarted();
    void silenceEnded(qint64 silentFor);
    // The lost device opened again after `downFor` ms.
    void reconnected(qint64 downFor);
    // A STOP could not go out and is owed; an owed STOP went out (or was given up, `sent`
    // false); a port opened that an owed STOP is not meant for.
    void stopOwed();
    void owedStopSettled(bool sent);
    void owedStopWithheld();

private:
    void onReceived(const QByteArray &bytes);
    void onDeviceLost(const QString &reason);
    void failOpening(OpenResult &result, const OpenFailure &failure);
    void finishOpening(OpenResult &result);
    void setState(LinkStatus::State state);
    void resetAssembler();
    void stopReconnecting();
    void armSilenceTimer(qint64 remaining);
    void payOwedStop();
    qint64 quietSince() const { return m_lastReplyAt.value_or(m_openedAt); }

    PumpPort *m_MSComm1;
    QTimer m_Timer2;
    QTimer m_reconnectTimer;
    QTimer m_silenceTimer;
    ReplyAssembler m_assembler;
    PumpState m_pump;
    SetpointWatch m_setpoints;
    Failure m_lastFailure = Failure::None;
    std::function<qint64()> m_clock;
    qint64 m_framesSent = 0;
    qint64 m_repliesAccepted = 0;
    qint64 m_rejectedBefore = 0; // by assemblers of earlier openings
    qint64 m_openedAt = 0;
    std::optional<qint64> m_lastReplyAt;
    QString m_reopenName;
    int m_reconnectTries = 0;
    qint64 m_lostAt = 0;
    bool m_paying = false;
    PumpState::OwedStop m_payingStop;
};
