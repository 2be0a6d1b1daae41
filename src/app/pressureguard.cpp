#include "pressureguard.h"

#include "alarmlist.h"
#include "dialogs.h"
#include "frames.h"
#include "journal.h"
#include "messages.h"
#include "numbers.h"
#include "pumplink.h"
#include "timedrun.h"

#include <QCoreApplication>

namespace {

// Said of a trip's STOP that could not go out: the link owes it.
const char *const stopOwedWords =
    QT_TRANSLATE_NOOP("PressureGuard", "停止命令未能发出，串口再次打开时发送");

QString limitWord(LimitRules::Limit limit)
{
    return limit == LimitRules::Limit::High ? QStringLiteral("high") : QStringLiteral("low");
}

} // namespace

PressureGuard::PressureGuard(PumpLink &link, AlarmList &alarms, TimedRun &timedRun,
                             Journal &journal, Dialogs &dialogs, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_alarms(alarms)
    , m_timedRun(timedRun)
    , m_journal(journal)
    , m_dialogs(dialogs)
{
    connect(&m_link, &PumpLink::replyAccepted, this, &PressureGuard::onReply);
    connect(&m_link, &PumpLink::frameSent, this, &PressureGuard::onFrameSent);
    connect(&m_link, &PumpLink::linkLost, this, [this] {
        m_rules.linkLost();
        showResettable();
    });
    connect(&m_link, &PumpLink::opened, this, [this] { m_rules.portOpened(); });
    connect(&m_alarms, &AlarmList::resetRequested, this, [this](const QString &name) {
        if (name == tripAlarm)
            resetRequested();
    });
}

void PressureGuard::startWith(const Limits &limits)
{
    m_settings = limits;
    m_rules.setLimits(limits, m_link.clockNow());
}

void PressureGuard::setLimits(const Limits &limits)
{
    if (limits == m_settings)
        return;
    const Limits old = m_settings;
    m_settings = limits;
    // Logged even while a program step's limits hold and nothing in force changes.
    const QString change = QStringLiteral(" was ") + old.logText();
    apply(m_step ? QStringLiteral(" settings ") + limits.logText() + change : change, true);
}

void PressureGuard::useStepLimits(const std::optional<Limits> &limits, const QString &why)
{
    if (limits == m_step)
        return;
    m_step = limits;
    apply(QLatin1Char(' ') + why, false);
}

// The limits in force follow the settings and the program step; a change is logged.
void PressureGuard::apply(const QString &detail, bool always)
{
    const Limits inForce = m_step.value_or(m_settings);
    const bool changes = inForce != m_rules.limits();
    if (!changes && !always)
        return;
    const bool waits = changes && m_rules.setLimits(inForce, m_link.clockNow());
    m_journal.note(QStringLiteral("limits"), inForce.logText() + detail);
    if (waits)
        m_journal.note(
            QStringLiteral("limit-waiting"),
            QCoreApplication::translate("PressureGuard", "%1 在 %2 秒后生效（下限刚设定）")
                .arg(lowText())
                .arg(inForce.armingDelay));
    if (!inForce.any())
        m_alarms.clear(invalidAlarm);
    showResettable();
}

void PressureGuard::logStarted()
{
    if (limits().any())
        m_journal.note(QStringLiteral("limits"), limits().logText());
}

QString PressureGuard::latchedText() const
{
    const AlarmList::Alarm *alarm = m_alarms.current(tripAlarm);
    return m_rules.latched() && alarm ? alarm->text : QString();
}

QString PressureGuard::lowText() const
{
    return QCoreApplication::translate("PressureGuard", "下限 %1")
        .arg(Limits::valueText(limits().low));
}

void PressureGuard::onReply(const Reply &reply)
{
    if (reply.target() != Reply::Target::CurrentPressure || (!limits().any() && !m_rules.latched()))
        return;
    const LimitRules::Verdict verdict =
        m_rules.reading(textToDouble(reply.data), m_link.clockNow(), m_link.pumpState().mayRun());
    if (verdict.armed)
        m_journal.note(QStringLiteral("limit-armed"),
                       QCoreApplication::translate("PressureGuard", "%1 生效").arg(lowText()));
    if (verdict.invalidStarted)
        m_alarms.raise(invalidAlarm, AlarmList::Priority::High,
                       QCoreApplication::translate("PressureGuard", "压力读数无效"));
    if (verdict.invalidEnded)
        m_alarms.clear(invalidAlarm);
    if (verdict.trip)
        trip(*verdict.trip);
    showResettable();
}

void PressureGuard::trip(const LimitRules::Trip &trip)
{
    // The STOP first: everything else can wait the microseconds it takes.
    const bool sent = m_link.send(Frames::stopFrame);
    if (!sent) {
        m_journal.note(QStringLiteral("not-sent"),
                       QCoreApplication::translate("PressureGuard", "%1 压力保护的%2")
                           .arg(Frames::stopFrame,
                                QCoreApplication::translate("PressureGuard", stopOwedWords)));
    }
    const bool high = trip.limit == LimitRules::Limit::High;
    const QString text =
        QCoreApplication::translate(
            "PressureGuard",
            high ? QT_TRANSLATE_NOOP("PressureGuard", "压力超过上限 %1 MPa：读数 %2 MPa，%3")
                 : QT_TRANSLATE_NOOP("PressureGuard", "压力低于下限 %1 MPa：读数 %2 MPa，%3"))
            .arg(Limits::numberText(trip.limitValue), Limits::numberText(trip.reading),
                 sent ? QCoreApplication::translate("PressureGuard", "泵已停止")
                      : QCoreApplication::translate("PressureGuard", stopOwedWords));
    m_alarms.latch(tripAlarm, AlarmList::Priority::High, text);
    if (limits().pauseTimedRun)
        m_timedRun.pauseByTrip();
    m_journal.note(QStringLiteral("limit-trip"), limitWord(trip.limit) + QLatin1Char(' ') + text);
    emit tripped();
}

void PressureGuard::resetRequested()
{
    const std::optional<LimitRules::Trip> latched = m_rules.latched();
    if (!latched)
        return;
    if (!m_rules.reset()) {
        m_dialogs.messageBox(Messages::resetRefused(), Messages::protectionTitle());
        return;
    }
    m_journal.note(
        QStringLiteral("limit-reset"),
        limitWord(latched->limit) +
            QCoreApplication::translate("PressureGuard", " 操作员复位，压力已回到限值以内"));
    m_alarms.clear(tripAlarm);
    m_alarms.acknowledge(tripAlarm);
}

void PressureGuard::showResettable()
{
    m_alarms.setResettable(tripAlarm, m_rules.resettable());
}

void PressureGuard::onFrameSent(const QString &frame)
{
    const qint64 now = m_link.clockNow();
    const Limits &in = limits();
    if (frame == Frames::runFrame) {
        if (m_rules.runStarted(now))
            m_journal.note(
                QStringLiteral("limit-waiting"),
                QCoreApplication::translate("PressureGuard", "%1 在 %2 秒后生效（运行命令已发出）")
                    .arg(lowText())
                    .arg(in.armingDelay));
        return;
    }
    if (frame == Frames::stopFrame) {
        if (m_rules.stopped())
            m_journal.note(
                QStringLiteral("limit-disarmed"),
                QCoreApplication::translate("PressureGuard", "%1 不再生效（停止命令已发出）")
                    .arg(lowText()));
        return;
    }
    if (frame.size() != Frames::frameLength ||
        Frames::setpointOf(frame.at(3)) != Frames::Setpoint::Flow)
        return;
    bool number = false;
    const int flow = frame.mid(4, 4).toInt(&number);
    if (!number)
        return;
    std::optional<int> before = m_lastFlow;
    if (!before) {
        const PumpState::Reported &reported =
            m_link.pumpState().reported(PumpState::Value::SetFlow);
        bool known = false;
        const int value = reported.data.toInt(&known);
        if (reported.seen && known)
            before = value;
    }
    m_lastFlow = flow;
    // More flow takes time to build its pressure: the low limit waits again.
    if (m_link.pumpState().run() == PumpState::Run::Run && (!before || flow > *before) &&
        m_rules.runStarted(now))
        m_journal.note(
            QStringLiteral("limit-waiting"),
            QCoreApplication::translate("PressureGuard", "%1 在 %2 秒后生效（设定流量升高到 %3）")
                .arg(lowText())
                .arg(in.armingDelay)
                .arg(frame.mid(4, 4)));
}

RunGate::RunGate(FrameSender &next, Dialogs &dialogs)
    : m_next(next)
    , m_dialogs(dialogs)
{}

bool RunGate::send(const QString &frame)
{
    const QString latched =
        frame == Frames::runFrame && m_guard ? m_guard->latchedText() : QString();
    if (latched.isEmpty())
        return m_next.send(frame);
    noteTo(
        m_journal, QStringLiteral("refused"),
        QCoreApplication::translate("PressureGuard", "%1 压力保护已跳闸：%2").arg(frame, latched));
    m_dialogs.messageBox(Messages::runLatched(latched), Messages::protectionTitle());
    return false;
}
