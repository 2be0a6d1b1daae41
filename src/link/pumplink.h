#pragma once

#include "commcontrol.h"
#include "frames.h"
#include "framesender.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

class QTimer;

// How the link stands, for the operator's status line.
struct LinkStatus
{
    enum class State { Closed, Open, Lost };
    // No accepted reply for this long while open means the pump does not answer.
    static constexpr qint64 silenceLimit = 5000; // ms

    State state = State::Closed;
    QString device;
    QString lostReason;
    qint64 framesSent = 0;
    qint64 repliesAccepted = 0;
    qint64 repliesRejected = 0;
    std::optional<qint64> sinceLastReply; // ms; none before the first reply on this port
    qint64 sinceOpened = 0;               // ms

    bool pumpSilent() const
    {
        return state == State::Open && sinceLastReply.value_or(sinceOpened) >= silenceLimit;
    }
};

// The link to the pump: opening the port from the operator's answer, the status poll on
// Timer2, the one place frames are written, and cutting what arrives into replies.
class PumpLink : public QObject, public FrameSender
{
    Q_OBJECT
public:
    static constexpr int pollInterval = 1500; // ms
    inline static const QString lineSettings = QStringLiteral("9600,n,8,1");

    enum class OpenOutcome { Opened, Cancelled, InvalidPort, OpenFailed, SettingsRefused };
    struct OpenResult
    {
        OpenOutcome outcome = OpenOutcome::Cancelled;
        QString device;
        CommControl::OpenFailure failure = CommControl::OpenFailure::None;
        QString reason;
        QString accessGroup;        // the device's group, when permission was refused
        QStringList availablePorts; // filled when opening failed
        // When opening failed: the port that is still open and polled, or the one that was
        // closed to open the same device again and is now closed.
        QString keptDevice;
        QString closedDevice;
    };

    PumpLink(CommControl *MSComm1, QTimer *Timer2, QObject *parent = nullptr);

    // Opens the port an answer to the port prompt names and sets it up. A working link is given
    // up only for a port that opened; the same device is closed first, as an open port stays
    // locked. Does not start the poll.
    OpenResult open(const QString &answer);
    void startPoll();

    bool send(const QString &frame) override;
    Failure lastFailure() const override { return m_lastFailure; }

    void Timer2_Timer();
    void MSComm1_OnComm();

    CommControl *MSComm1() const { return m_MSComm1; }

    LinkStatus status() const;
    // A monotonic clock in milliseconds; tests set their own.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

signals:
    // Each accepted reply, in arrival order.
    void replyAccepted(const Reply &reply);
    // The port failed while open; it is closed and the poll stopped.
    void linkLost(const QString &reason);
    // The port was opened, closed or lost.
    void stateChanged();

private:
    void onPortLost(const QString &reason);
    void failOpening(OpenResult &result);
    void finishOpening(OpenResult &result);

    CommControl *m_MSComm1;
    QTimer *m_Timer2;
    void resetAssembler();

    ReplyAssembler m_assembler;
    Failure m_lastFailure = Failure::None;
    std::function<qint64()> m_clock;
    LinkStatus::State m_state = LinkStatus::State::Closed;
    QString m_lostReason;
    qint64 m_framesSent = 0;
    qint64 m_repliesAccepted = 0;
    qint64 m_rejectedBefore = 0; // by assemblers of earlier openings
    qint64 m_openedAt = 0;
    std::optional<qint64> m_lastReplyAt;
};
