#include "alarmwatch.h"

#include "keepawake.h"
#include "messages.h"
#include "pumplink.h"
#include "runfiles.h"
#include "runlog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString since(const QDateTime &time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

AlarmWatch::AlarmWatch(AlarmList &alarms, PumpLink &link, RunLog &log, KeepAwake *awake,
                       QObject *parent)
    : QObject(parent)
    , m_alarms(alarms)
    , m_link(link)
    , m_awake(awake)
{
    // Before the status bar hears of them (the watch is made first), so the light already
    // follows the alarm they raise.
    connect(&m_link, &PumpLink::silenceStarted, this, &AlarmWatch::refresh);
    connect(&m_link, &PumpLink::linkLost, this, &AlarmWatch::refresh);
    connect(&m_link, &PumpLink::stateChanged, this, &AlarmWatch::refresh);
    connect(&m_link, &PumpLink::setpointEvent, this, &AlarmWatch::refresh);
    connect(&m_link, &PumpLink::stopOwed, this, &AlarmWatch::refresh);
    connect(&m_link, &PumpLink::owedStopWithheld, this, [this] {
        m_withheld = true;
        refresh();
    });
    connect(&m_link, &PumpLink::owedStopSettled, this, [this] {
        m_withheld = false;
        refresh();
    });
    connect(&m_link, &PumpLink::frameSent, this, [this](const QString &frame) {
        // Once the pump is told to run or stop, the operator has it in hand again.
        if (frame == Frames::runFrame || frame == Frames::stopFrame)
            m_alarms.clear(uncleanEnd);
        if (frame != Frames::pollFrame)
            refresh();
    });
    connect(&m_alarms, &AlarmList::acknowledged, this, [this](const QString &name) {
        // Acknowledged while another device is open: the operator knows the pump it was meant
        // for was not stopped by the panel, and it is no longer waited for.
        if (name == stopOwed && m_withheld)
            m_link.forgiveOwedStop();
    });
    connect(&log, &RunLog::writeFailed, this, [this, &log](const QString &reason) {
        m_alarms.raise(logNotWritable, AlarmList::Priority::Medium,
                       QCoreApplication::translate(
                           "AlarmWatch", "运行记录无法写入文件夹 %1（%2），记录暂时保留在程序中")
                           .arg(QDir::toNativeSeparators(log.folder()), reason));
    });
    connect(&log, &RunLog::writingResumed, this, [this] { m_alarms.clear(logNotWritable); });
    refresh();
}

void AlarmWatch::checkLastRun(const QString &folder)
{
    const std::optional<RunFiles::UncleanEnd> end = RunFiles::uncleanEnd(folder);
    if (!end)
        return;
    const QString flow =
        end->setFlow.isEmpty()
            ? QString()
            : QCoreApplication::translate("AlarmWatch", "，设定流量 %1 ml/min").arg(end->setFlow);
    m_lastRunNotice = QCoreApplication::translate(
                          "AlarmWatch", "上次运行没有正常结束：%1，最后一行 %2%3，当时泵可能在运行")
                          .arg(QDir::toNativeSeparators(end->path), end->lastTime, flow);
    m_alarms.raise(uncleanEnd, AlarmList::Priority::High, m_lastRunNotice);
}

QString AlarmWatch::mayRunText() const
{
    const QString flow = m_link.pumpState().caption(PumpState::Value::SetFlow);
    return flow.isEmpty()
               ? QCoreApplication::translate("AlarmWatch", "泵可能仍在运行")
               : QCoreApplication::translate("AlarmWatch", "泵可能仍在运行（设定流量 %1 ml/min）")
                     .arg(flow);
}

void AlarmWatch::refresh()
{
    const PumpState &pump = m_link.pumpState();
    const LinkStatus status = m_link.status();
    const QString mayRun =
        pump.mayRun() ? QCoreApplication::translate("AlarmWatch", "，") + mayRunText() : QString();

    if (status.pumpSilent()) {
        m_alarms.raise(pumpSilent, AlarmList::Priority::High,
                       QCoreApplication::translate("AlarmWatch",
                                                   "泵无应答：串口 %1 已打开，但泵 %2 秒没有应答%3")
                           .arg(status.device)
                           .arg(LinkStatus::silenceLimit / 1000)
                           .arg(mayRun));
    } else {
        m_alarms.clear(pumpSilent);
    }

    if (status.state == LinkStatus::State::Reconnecting) {
        m_alarms.raise(linkLost, AlarmList::Priority::High,
                       QCoreApplication::translate("AlarmWatch",
                                                   "与泵的连接已断开：串口 %1，正在自动重新连接%2")
                           .arg(status.reopenName, mayRun));
    } else {
        m_alarms.clear(linkLost);
    }

    const PumpState::OwedStop &owed = pump.owedStop();
    if (owed.owed) {
        QString text = QCoreApplication::translate("AlarmWatch", "停止命令未送达：") + mayRunText();
        if (m_withheld) {
            text += QCoreApplication::translate(
                        "AlarmWatch", "。停止命令是发给串口 %1 的，不会发往现在打开的串口 %2；"
                                      "确认后不再等待发送")
                        .arg(owed.device, status.device);
        } else {
            text += QCoreApplication::translate("AlarmWatch",
                                                "。自 %1 起未送达，串口再次打开时立即发送")
                        .arg(since(owed.sinceTime));
        }
        m_alarms.raise(stopOwed, AlarmList::Priority::High, text);
    } else {
        m_withheld = false;
        m_alarms.clear(stopOwed);
    }

    // Only replies judge a setpoint: while none come, the alarm stays as it stands.
    if (status.state == LinkStatus::State::Open && !status.pumpSilent()) {
        QStringList open;
        for (const SetpointWatch::Event &event : m_link.setpoints().unconfirmed(pump))
            open << Messages::setpointNews(event);
        if (!open.isEmpty()) {
            m_alarms.raise(unconfirmed, AlarmList::Priority::Medium,
                           QCoreApplication::translate("AlarmWatch", "设定未被泵确认：") +
                               open.join(QCoreApplication::translate("AlarmWatch", "；")));
        } else {
            m_alarms.clear(unconfirmed);
        }
    }
    keepAwake();
}

void AlarmWatch::keepAwake()
{
    if (!m_link.pumpState().mayRun()) {
        if (m_awake)
            m_awake->release();
        m_holdFailed = false;
        m_alarms.clear(notAwake);
        return;
    }
    if (m_awake && m_awake->isHeld())
        return;
    if (m_holdFailed)
        return; // asked once for this run: the system is not asked twice a second
    if (m_awake && m_awake->hold(QCoreApplication::translate("AlarmWatch", "泵运行中"))) {
        m_alarms.clear(notAwake);
        return;
    }
    m_holdFailed = true;
    const QString why = m_awake ? m_awake->failure()
                                : QCoreApplication::translate(
                                      "AlarmWatch", "无法阻止计算机休眠：这台计算机没有这项功能");
    m_alarms.raise(notAwake, AlarmList::Priority::Low,
                   why + QCoreApplication::translate("AlarmWatch",
                                                     "。计算机休眠后面板不再轮询和记录，"
                                                     "请在系统设置中关闭运行期间的自动休眠"));
}
