#include "pumplink.h"

#include "portname.h"

#include <QElapsedTimer>
#include <QTimer>

PumpLink::PumpLink(CommControl *MSComm1, QTimer *Timer2, QObject *parent)
    : QObject(parent)
    , m_MSComm1(MSComm1)
    , m_Timer2(Timer2)
    , m_clock([] {
        static QElapsedTimer clock = [] {
            QElapsedTimer started;
            started.start();
            return started;
        }();
        return clock.elapsed();
    })
{
    connect(m_Timer2, &QTimer::timeout, this, &PumpLink::Timer2_Timer);
    connect(m_MSComm1, &CommControl::OnComm, this, &PumpLink::MSComm1_OnComm);
    connect(m_MSComm1, &CommControl::portLost, this, &PumpLink::onPortLost);
}

PumpLink::OpenResult PumpLink::open(const QString &answer)
{
    OpenResult result;
    if (answer.isEmpty()) // what Cancel gives
        return result;
    const std::optional<QString> device = portDeviceName(answer);
    if (!device) {
        result.outcome = OpenOutcome::InvalidPort;
        return result;
    }
    result.device = *device;

    if (m_MSComm1->isPortOpen()) {
        const QString current = m_MSComm1->commPort();
        if (m_MSComm1->deviceIdentity(current) != m_MSComm1->deviceIdentity(*device)) {
            // Another device: the working link stays until the new port has opened and taken
            // the line settings.
            if (!m_MSComm1->switchPort(*device, lineSettings)) {
                failOpening(result);
                result.keptDevice = current;
                return result;
            }
            resetAssembler();
            finishOpening(result);
            return result;
        }
        // The same device stays locked while it is open, so it is closed before it is reopened.
        m_Timer2->stop();
        m_MSComm1->setPortOpen(false);
        m_state = LinkStatus::State::Closed;
        result.closedDevice = current;
        emit stateChanged();
    }
    resetAssembler();

    m_MSComm1->setCommPort(*device);
    if (!m_MSComm1->setPortOpen(true)) {
        failOpening(result);
        m_state = LinkStatus::State::Closed;
        emit stateChanged();
        return result;
    }
    if (!m_MSComm1->setSettings(lineSettings)) {
        m_MSComm1->setPortOpen(false);
        result.outcome = OpenOutcome::SettingsRefused;
        m_state = LinkStatus::State::Closed;
        emit stateChanged();
        return result;
    }
    finishOpening(result);
    return result;
}

void PumpLink::failOpening(OpenResult &result)
{
    result.failure = m_MSComm1->openFailure();
    result.outcome = result.failure == CommControl::OpenFailure::SettingsRefused
                         ? OpenOutcome::SettingsRefused
                         : OpenOutcome::OpenFailed;
    result.reason = m_MSComm1->errorString();
    result.accessGroup = m_MSComm1->accessGroup();
    result.availablePorts = m_MSComm1->availablePorts();
}

void PumpLink::finishOpening(OpenResult &result)
{
    m_MSComm1->setInputLen(0);
    // One frame's worth of bytes raises the receive event.
    m_MSComm1->setRThreshold(Frames::frameLength);
    m_state = LinkStatus::State::Open;
    m_openedAt = m_clock();
    m_lastReplyAt.reset();
    emit stateChanged();
    result.outcome = OpenOutcome::Opened;
    result.closedDevice.clear(); // closed and opened again: nothing was lost
}

void PumpLink::startPoll()
{
    m_Timer2->setInterval(pollInterval);
    m_Timer2->start();
}

bool PumpLink::send(const QString &frame)
{
    // A frame of any other length cannot be parsed by the pump; never put one on the line.
    bool ascii = true;
    for (QChar c : frame)
        ascii = ascii && c.unicode() < 0x80;
    if (frame.size() != Frames::frameLength || !ascii) {
        m_lastFailure = Failure::Malformed;
        return false;
    }
    if (!m_MSComm1->isPortOpen()) {
        m_lastFailure = Failure::PortClosed;
        return false;
    }
    if (!m_MSComm1->output(frame.toLatin1())) {
        m_lastFailure = Failure::WriteFailed;
        return false;
    }
    m_lastFailure = Failure::None;
    ++m_framesSent;
    return true;
}

void PumpLink::Timer2_Timer()
{
    send(Frames::pollFrame);
}

void PumpLink::MSComm1_OnComm()
{
    if (m_MSComm1->commEvent() != CommControl::comEvReceive)
        return;
    const QList<Reply> replies = m_assembler.feed(m_MSComm1->input());
    // A kept partial frame needs only its missing bytes to complete.
    m_MSComm1->setRThreshold(Frames::frameLength - m_assembler.pendingBytes());
    if (!replies.isEmpty()) {
        m_repliesAccepted += replies.size();
        m_lastReplyAt = m_clock();
    }
    for (const Reply &reply : replies)
        emit replyAccepted(reply);
}

void PumpLink::onPortLost(const QString &reason)
{
    m_Timer2->stop();
    resetAssembler();
    m_state = LinkStatus::State::Lost;
    m_lostReason = reason;
    emit stateChanged();
    emit linkLost(reason);
}

void PumpLink::resetAssembler()
{
    m_rejectedBefore += m_assembler.rejectedCount();
    m_assembler = ReplyAssembler();
}

LinkStatus PumpLink::status() const
{
    LinkStatus status;
    status.state = m_state;
    status.device = m_MSComm1->commPort();
    status.lostReason = m_lostReason;
    status.framesSent = m_framesSent;
    status.repliesAccepted = m_repliesAccepted;
    status.repliesRejected = m_rejectedBefore + m_assembler.rejectedCount();
    const qint64 now = m_clock();
    status.sinceOpened = now - m_openedAt;
    if (m_lastReplyAt)
        status.sinceLastReply = now - *m_lastReplyAt;
    return status;
}
