#include "pumplink.h"

#include "portname.h"

#include <QElapsedTimer>

PumpLink::PumpLink(PumpPort *MSComm1, QObject *parent)
    : QObject(parent)
    , m_MSComm1(MSComm1)
    , m_clock([] {
        static QElapsedTimer clock = [] {
            QElapsedTimer started;
            started.start();
            return started;
        }();
        return clock.elapsed();
    })
{
    m_Timer2.setObjectName(QStringLiteral("Timer2"));
    m_Timer2.setInterval(pollInterval);
    connect(&m_Timer2, &QTimer::timeout, this, &PumpLink::pollNow);
    connect(m_MSComm1, &PumpPort::received, this, &PumpLink::onReceived);
    connect(m_MSComm1, &PumpPort::deviceLost, this, &PumpLink::onDeviceLost);
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

    if (m_MSComm1->isOpen()) {
        const QString current = m_MSComm1->device();
        if (m_MSComm1->identity(current) != m_MSComm1->identity(*device)) {
            // Another device: the working link stays until the new port has opened and taken
            // the line settings.
            const OpenFailure failure = m_MSComm1->open(*device, pumpLine);
            if (failure.failed()) {
                failOpening(result, failure);
                result.keptDevice = current;
                return result;
            }
            resetAssembler();
            finishOpening(result);
            return result;
        }
        // The same device stays locked while it is open, so it is closed before it is reopened.
        m_Timer2.stop();
        m_MSComm1->close();
        result.closedDevice = current;
        setState(LinkStatus::State::Closed);
    }
    resetAssembler();

    const OpenFailure failure = m_MSComm1->open(*device, pumpLine);
    if (failure.failed()) {
        failOpening(result, failure);
        setState(LinkStatus::State::Closed);
        return result;
    }
    finishOpening(result);
    return result;
}

void PumpLink::failOpening(OpenResult &result, const OpenFailure &failure)
{
    result.failure = failure;
    result.outcome = failure.kind == OpenFailure::Kind::SettingsRefused
                         ? OpenOutcome::SettingsRefused
                         : OpenOutcome::OpenFailed;
    result.availablePorts = m_MSComm1->availablePorts();
}

void PumpLink::finishOpening(OpenResult &result)
{
    m_openedAt = m_clock();
    m_lastReplyAt.reset();
    setState(LinkStatus::State::Open);
    result.outcome = OpenOutcome::Opened;
    result.closedDevice.clear(); // closed and opened again: nothing was lost
}

void PumpLink::setState(LinkStatus::State state)
{
    m_state = state;
    emit stateChanged();
}

void PumpLink::startPoll()
{
    m_Timer2.start();
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
    if (!m_MSComm1->isOpen()) {
        m_lastFailure = Failure::PortClosed;
        return false;
    }
    if (!m_MSComm1->write(frame.toLatin1())) {
        m_lastFailure = Failure::WriteFailed;
        return false;
    }
    m_lastFailure = Failure::None;
    ++m_framesSent;
    return true;
}

void PumpLink::pollNow()
{
    send(Frames::pollFrame);
}

void PumpLink::onReceived(const QByteArray &bytes)
{
    const QList<Reply> replies = m_assembler.feed(bytes);
    if (!replies.isEmpty()) {
        m_repliesAccepted += replies.size();
        m_lastReplyAt = m_clock();
    }
    for (const Reply &reply : replies)
        emit replyAccepted(reply);
}

void PumpLink::onDeviceLost(const QString &reason)
{
    m_Timer2.stop();
    resetAssembler();
    setState(LinkStatus::State::Lost);
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
    status.device = m_MSComm1->device();
    status.framesSent = m_framesSent;
    status.repliesAccepted = m_repliesAccepted;
    status.repliesRejected = m_rejectedBefore + m_assembler.rejectedCount();
    const qint64 now = m_clock();
    status.sinceOpened = now - m_openedAt;
    if (m_lastReplyAt)
        status.sinceLastReply = now - *m_lastReplyAt;
    return status;
}
