#include "pumplink.h"

#include "monotonic.h"
#include "portname.h"

PumpLink::PumpLink(PumpPort *MSComm1, QObject *parent)
    : QObject(parent)
    , m_MSComm1(MSComm1)
    , m_clock(&monotonicMs)
{
    m_Timer2.setObjectName(QStringLiteral("Timer2"));
    m_Timer2.setInterval(pollInterval);
    connect(&m_Timer2, &QTimer::timeout, this, &PumpLink::pollNow);
    m_reconnectTimer.setObjectName(QStringLiteral("reconnectTimer"));
    m_reconnectTimer.setInterval(reconnectInterval);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &PumpLink::reconnectNow);
    // Precise: a coarse timer may fire a little early, and the silence would then wait a
    // second round.
    m_silenceTimer.setObjectName(QStringLiteral("silenceTimer"));
    m_silenceTimer.setSingleShot(true);
    m_silenceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_silenceTimer, &QTimer::timeout, this, &PumpLink::checkSilence);
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
    if (m_pump.link() == LinkStatus::State::Reconnecting) {
        // The operator chose: the lost device is no longer waited for.
        result.abandonedDevice = m_MSComm1->device();
        stopReconnecting();
        setState(LinkStatus::State::Closed);
    }

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
        m_silenceTimer.stop();
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
    m_pump.setSilent(false);
    // Decided now, while the device is there to be matched with its stable name.
    m_reopenName = m_MSComm1->reopenName(m_MSComm1->device());
    armSilenceTimer(LinkStatus::silenceLimit);
    setState(LinkStatus::State::Open);
    result.outcome = OpenOutcome::Opened;
    result.closedDevice.clear(); // closed and opened again: nothing was lost
}

void PumpLink::setState(LinkStatus::State state)
{
    const bool opening = state == LinkStatus::State::Open && m_pump.link() != PumpState::Link::Open;
    m_pump.setLink(state);
    emit stateChanged();
    if (opening)
        emit opened();
}

void PumpLink::startPoll()
{
    payOwedStop(); // before anything else goes to the pump
    m_Timer2.start();
}

bool PumpLink::owedToOpenDevice() const
{
    const PumpState::OwedStop &owed = m_pump.owedStop();
    if (!owed.owed || !m_MSComm1->isOpen())
        return false;
    if (owed.device.isEmpty())
        return true;
    const QString device = m_MSComm1->device();
    return m_reopenName == owed.reopenName ||
           m_MSComm1->identity(device) == m_MSComm1->identity(owed.device);
}

void PumpLink::payOwedStop()
{
    if (!m_pump.owedStop().owed)
        return;
    if (!owedToOpenDevice()) {
        emit owedStopWithheld();
        return;
    }
    m_payingStop = m_pump.owedStop();
    m_paying = true;
    send(Frames::stopFrame); // a failure keeps the debt, as any failed STOP does
    m_paying = false;
}

void PumpLink::forgiveOwedStop()
{
    if (!m_pump.owedStop().owed)
        return;
    m_pump.forgiveStop();
    emit owedStopSettled(false);
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
    const bool stop = frame == Frames::stopFrame;
    if (!m_MSComm1->isOpen() || !m_MSComm1->write(frame.toLatin1())) {
        m_lastFailure = m_MSComm1->isOpen() ? Failure::WriteFailed : Failure::PortClosed;
        if (stop) {
            // The safe command is never dropped: it goes out when the port is open again.
            const bool wasOwed = m_pump.owedStop().owed;
            const QString device = m_MSComm1->device();
            m_pump.oweStop(device, device.isEmpty() ? QString() : m_reopenName, m_clock());
            if (!wasOwed)
                emit stopOwed();
        }
        return false;
    }
    m_lastFailure = Failure::None;
    ++m_framesSent;
    // A RUN supersedes any STOP owed; a STOP pays one owed to this device.
    const bool settles =
        m_pump.owedStop().owed && (frame == Frames::runFrame || (stop && owedToOpenDevice()));
    if (settles)
        m_pump.forgiveStop();
    m_pump.sent(frame, m_clock());
    emit frameSent(frame);
    if (settles)
        emit owedStopSettled(true);
    if (const std::optional<SetpointWatch::Event> event = m_setpoints.frameSent(frame, m_pump))
        emit setpointEvent(*event);
    return true;
}

void PumpLink::pollNow()
{
    // A STOP that a failed write left owed on this port goes out before the poll.
    if (m_pump.owedStop().owed && owedToOpenDevice())
        payOwedStop();
    send(Frames::pollFrame);
}

void PumpLink::onReceived(const QByteArray &bytes)
{
    const QList<Reply> replies = m_assembler.feed(bytes);
    if (replies.isEmpty())
        return;
    const qint64 now = m_clock();
    const qint64 silentFor = now - quietSince();
    m_repliesAccepted += replies.size();
    m_lastReplyAt = now;
    armSilenceTimer(LinkStatus::silenceLimit);
    if (m_pump.silent()) {
        m_pump.setSilent(false);
        m_setpoints.interrupted(); // polls that went unanswered judge nothing
        emit silenceEnded(silentFor);
        emit stateChanged();
    }
    for (const Reply &reply : replies) {
        m_pump.replied(reply, now);
        emit replyAccepted(reply);
        for (const SetpointWatch::Event &event : m_setpoints.replied(reply, m_pump))
            emit setpointEvent(event);
    }
}

void PumpLink::armSilenceTimer(qint64 remaining)
{
    m_silenceTimer.start(int(qMax<qint64>(remaining, 1)));
}

void PumpLink::checkSilence()
{
    if (m_pump.link() != LinkStatus::State::Open || m_pump.silent() || !m_MSComm1->isOpen())
        return;
    const qint64 quietFor = m_clock() - quietSince();
    if (quietFor < LinkStatus::silenceLimit) {
        armSilenceTimer(LinkStatus::silenceLimit - quietFor);
        return;
    }
    m_pump.setSilent(true);
    m_setpoints.interrupted();
    emit silenceStarted();
    emit stateChanged();
}

void PumpLink::onDeviceLost(const QString &reason)
{
    m_Timer2.stop();
    m_silenceTimer.stop();
    resetAssembler();
    m_pump.setSilent(false);
    m_setpoints.interrupted();
    m_lostAt = m_clock();
    m_reconnectTries = 0;
    // The loss is told before what follows from it.
    m_pump.setLink(LinkStatus::State::Reconnecting);
    emit linkLost(reason);
    emit stateChanged();
    m_reconnectTimer.start();
}

void PumpLink::reconnectNow()
{
    if (m_pump.link() != LinkStatus::State::Reconnecting)
        return;
    ++m_reconnectTries;
    // A device that is back but busy or refusing is tried again at the next round, like one
    // that is not back yet.
    if (m_MSComm1->open(m_reopenName, pumpLine).failed()) {
        emit stateChanged();
        return;
    }
    stopReconnecting();
    resetAssembler();
    const qint64 downFor = m_clock() - m_lostAt;
    OpenResult ignored;
    finishOpening(ignored);
    m_setpoints.reconnected(m_pump);
    emit reconnected(downFor);
    startPoll(); // an owed STOP first
    pollNow();   // the pump's numbers now, not a poll interval later
}

void PumpLink::stopReconnecting()
{
    m_reconnectTimer.stop();
    m_reconnectTries = 0;
}

void PumpLink::resetAssembler()
{
    m_rejectedBefore += m_assembler.rejectedCount();
    m_assembler = ReplyAssembler();
}

LinkStatus PumpLink::status() const
{
    LinkStatus status;
    status.state = m_pump.link();
    status.device = m_MSComm1->device();
    status.framesSent = m_framesSent;
    status.repliesAccepted = m_repliesAccepted;
    status.repliesRejected = m_rejectedBefore + m_assembler.rejectedCount();
    const qint64 now = m_clock();
    status.sinceOpened = now - m_openedAt;
    if (m_lastReplyAt)
        status.sinceLastReply = now - *m_lastReplyAt;
    status.silent = m_pump.silent();
    status.reopenName = m_reopenName;
    status.reconnectTries = m_reconnectTries;
    if (m_pump.link() == LinkStatus::State::Reconnecting)
        status.sinceLost = now - m_lostAt;
    status.runCommanded = m_pump.mayRun();
    status.reportedFlow = m_pump.caption(PumpState::Value::SetFlow);
    return status;
}
