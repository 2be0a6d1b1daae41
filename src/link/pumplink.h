#pragma once

#include "frames.h"
#include "framesender.h"
#include "pumpport.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

// How the link stands, for the operator's status line.
struct LinkStatus
{
    enum class State { Closed, Open, Lost };
    // No accepted reply for this long while open means the pump does not answer.
    static constexpr qint64 silenceLimit = 5000; // ms

    State state = State::Closed;
    QString device;
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
    };

    explicit PumpLink(PumpPort *MSComm1, QObject *parent = nullptr);

    // Opens the port an answer to the port prompt names and sets it up. A working link is given
    // up only for a port that opened; the same device is closed first, as an open port stays
    // locked. Does not start the poll.
    OpenResult open(const QString &answer);
    void startPoll();
    // One status poll, as Timer2 sends every pollInterval.
    void pollNow();
    QTimer *Timer2() { return &m_Timer2; }

    bool send(const QString &frame) override;
    Failure lastFailure() const override { return m_lastFailure; }

    // The device of the open port, or of the one last open.
    QString device() const { return m_MSComm1->device(); }
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
    void onReceived(const QByteArray &bytes);
    void onDeviceLost(const QString &reason);
    void failOpening(OpenResult &result, const OpenFailure &failure);
    void finishOpening(OpenResult &result);
    void setState(LinkStatus::State state);
    void resetAssembler();

    PumpPort *m_MSComm1;
    QTimer m_Timer2;
    ReplyAssembler m_assembler;
    Failure m_lastFailure = Failure::None;
    std::function<qint64()> m_clock;
    LinkStatus::State m_state = LinkStatus::State::Closed;
    qint64 m_framesSent = 0;
    qint64 m_repliesAccepted = 0;
    qint64 m_rejectedBefore = 0; // by assemblers of earlier openings
    qint64 m_openedAt = 0;
    std::optional<qint64> m_lastReplyAt;
};
