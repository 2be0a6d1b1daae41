#include "messages.h"

#include "numbers.h"

#include <QCoreApplication>
#include <QDir>

namespace Messages {

QString invalidPort(const QString &answer)
{
    return QCoreApplication::translate(
               "Messages", "串口号设定错误!\r\n“%1”不是有效的串口号。请输入 1 到 32767 的串口号，"
                           "或设备名（如 /dev/ttyUSB0、COM3）。")
        .arg(answer);
}

QString openFailed(const PumpLink::OpenResult &result)
{
    QString text;
    if (result.outcome == PumpLink::OpenOutcome::SettingsRefused) {
        text = QCoreApplication::translate("Messages",
                                           "串口 %1 不接受通信参数 9600,n,8,1，没有使用该串口。")
                   .arg(result.device);
    } else {
        QString why;
        switch (result.failure.kind) {
        case OpenFailure::Kind::NotFound:
            why = QCoreApplication::translate("Messages", "串口不存在");
            break;
        case OpenFailure::Kind::Busy:
            why = QCoreApplication::translate("Messages", "串口已被其他程序占用");
            break;
        case OpenFailure::Kind::NoPermission:
            why = QCoreApplication::translate("Messages", "没有使用该串口的权限");
            break;
        case OpenFailure::Kind::None:
        case OpenFailure::Kind::SettingsRefused:
        case OpenFailure::Kind::Other:
            why = result.failure.reason;
            break;
        }
        const QString existing =
            result.availablePorts.isEmpty()
                ? QCoreApplication::translate("Messages", "（没有找到串口）")
                : result.availablePorts.join(QCoreApplication::translate("Messages", "、"));
        text = QCoreApplication::translate("Messages", "无法打开串口 %1：%2。\r\n现有串口：%3")
                   .arg(result.device, why, existing);
        if (result.failure.kind == OpenFailure::Kind::NoPermission &&
            !result.failure.accessGroup.isEmpty()) {
            text += QCoreApplication::translate(
                        "Messages", "\r\n串口属于用户组 %1。请让管理员把您的用户加入该组"
                                    "（sudo usermod -aG %1 用户名），重新登录后再打开串口。")
                        .arg(result.failure.accessGroup);
        }
    }
    if (!result.abandonedDevice.isEmpty())
        text += QCoreApplication::translate("Messages", "\r\n不再自动重新连接串口 %1。")
                    .arg(result.abandonedDevice);
    if (!result.keptDevice.isEmpty()) {
        text +=
            QCoreApplication::translate("Messages", "\r\n串口 %1 仍然打开，与泵的通信照常进行。")
                .arg(result.keptDevice);
    } else if (!result.closedDevice.isEmpty()) {
        text += QCoreApplication::translate("Messages",
                                            "\r\n原来打开的串口 %1 已关闭，现在没有与泵的连接。")
                    .arg(result.closedDevice);
    }
    return text;
}

QString portNotOpen()
{
    return QCoreApplication::translate("Messages",
                                       "串口未打开，命令没有发送。\r\n请先用“通信”打开串口。");
}

QString writeFailed()
{
    return QCoreApplication::translate("Messages", "向串口写入失败，命令没有发送。");
}

QString linkLost(const QString &device, const QString &reason)
{
    // The system's own words ("Resource temporarily unavailable" for a pulled adapter) mean
    // little to an operator; they stay as a detail.
    return QCoreApplication::translate("Messages",
                                       "与泵的连接已断开：串口 %1 的设备已断开，串口已关闭。\r\n"
                                       "面板正在自动重新连接该串口，设备回来后立即恢复轮询；"
                                       "要改用其他串口，请用“通信”打开。\r\n（系统信息：%2）")
        .arg(device, reason);
}

QString stopOwed(FrameSender::Failure failure)
{
    return QCoreApplication::translate(
               "Messages", "%1，停止命令没有发送。\r\n"
                           "停止命令会在串口再次打开时立即发送；在此之前泵可能仍在运行。")
        .arg(failure == FrameSender::Failure::PortClosed
                 ? QCoreApplication::translate("Messages", "串口未打开")
                 : QCoreApplication::translate("Messages", "向串口写入失败"));
}

QString storeFull(int capacity)
{
    return QCoreApplication::translate("Messages",
                                       "已存储 %1 个压力数值，存储已满：之后的读数不再存储。\r\n"
                                       "已存储的数值不受影响，可以用“保存”写入记录文件。")
        .arg(capacity);
}

namespace {

QString setpointName(Frames::Setpoint setpoint)
{
    return setpoint == Frames::Setpoint::Flow ? QCoreApplication::translate("Messages", "设定流量")
                                              : QCoreApplication::translate("Messages", "设定压力");
}

} // namespace

QString linkStatus(const LinkStatus &status)
{
    const QString mayRun = status.runCommanded
                               ? QCoreApplication::translate("Messages", " · 泵可能仍在运行")
                               : QString();
    switch (status.state) {
    case LinkStatus::State::Closed:
        return QCoreApplication::translate("Messages", "串口未打开，请用“通信”打开串口") + mayRun;
    case LinkStatus::State::Reconnecting:
        return QCoreApplication::translate("Messages", "正在重新连接 %1（第 %2 次，已断开 %3 秒）")
                   .arg(status.reopenName)
                   .arg(status.reconnectTries)
                   .arg(secondsText(status.sinceLost)) +
               mayRun;
    case LinkStatus::State::Open:
        break;
    }
    if (status.pumpSilent()) {
        return QCoreApplication::translate("Messages", "%1 · 泵无应答 %2 秒")
                   .arg(status.device,
                        secondsText(status.sinceLastReply.value_or(status.sinceOpened))) +
               mayRun;
    }
    if (status.sinceLastReply) {
        return QCoreApplication::translate("Messages", "%1 · 上次应答 %2 秒前")
                   .arg(status.device, secondsText(*status.sinceLastReply)) +
               mayRun;
    }
    return QCoreApplication::translate("Messages", "%1 · 等待应答").arg(status.device) + mayRun;
}

QString linkDetails(const LinkStatus &status)
{
    const QString counts = QCoreApplication::translate("Messages", "发送 %1 · 应答 %2 · 丢弃 %3")
                               .arg(status.framesSent)
                               .arg(status.repliesAccepted)
                               .arg(status.repliesRejected);
    switch (status.state) {
    case LinkStatus::State::Closed:
        return QCoreApplication::translate("Messages", "串口未打开，请用“通信”打开串口 · ") +
               counts;
    case LinkStatus::State::Reconnecting: {
        QString line =
            QCoreApplication::translate("Messages", "正在重新连接 %1 …（已尝试 %2 次，断开 %3 秒）")
                .arg(status.reopenName)
                .arg(status.reconnectTries)
                .arg(secondsText(status.sinceLost));
        if (status.runCommanded)
            line += QCoreApplication::translate("Messages", " · ") + pumpMayRun(status);
        return line + QCoreApplication::translate("Messages", " · ") + counts;
    }
    case LinkStatus::State::Open:
        break;
    }
    QString reply;
    if (status.pumpSilent()) {
        reply = QCoreApplication::translate("Messages", "泵无应答（%1 秒没有应答）")
                    .arg(secondsText(status.sinceLastReply.value_or(status.sinceOpened)));
        if (status.runCommanded)
            reply += QCoreApplication::translate("Messages", " · ") + pumpMayRun(status);
    } else if (status.sinceLastReply) {
        reply = QCoreApplication::translate("Messages", "上次应答 %1 秒前")
                    .arg(secondsText(*status.sinceLastReply));
    } else {
        reply = QCoreApplication::translate("Messages", "等待应答");
    }
    return QCoreApplication::translate("Messages", "串口 %1 已打开 · %2 · %3")
        .arg(status.device, reply, counts);
}

QString pumpMayRun(const LinkStatus &status)
{
    if (status.reportedFlow.isEmpty())
        return QCoreApplication::translate("Messages", "泵可能仍在运行");
    return QCoreApplication::translate("Messages", "泵可能仍在运行（设定流量 %1 ml/min）")
        .arg(status.reportedFlow);
}

QString silenceEnded(qint64 silentFor)
{
    return QCoreApplication::translate("Messages", "泵恢复应答（%1 秒没有应答）")
        .arg(secondsText(silentFor));
}

QString reconnected(const QString &device, qint64 downFor)
{
    return QCoreApplication::translate("Messages", "已重新连接 %1（断开 %2 秒）")
        .arg(device, secondsText(downFor));
}

QString setpointNews(const SetpointWatch::Event &event)
{
    const QString name = setpointName(event.setpoint);
    switch (event.kind) {
    case SetpointWatch::Event::Kind::Confirmed:
        return QCoreApplication::translate("Messages", "%1 %2 已确认").arg(name, event.sent);
    case SetpointWatch::Event::Kind::Unconfirmed:
        return QCoreApplication::translate("Messages", "%1 %2 未被泵确认（泵报告 %3）")
            .arg(name, event.sent, event.reported);
    case SetpointWatch::Event::Kind::SentElsewhere:
        return QCoreApplication::translate("Messages",
                                           "%1 %2 已发送到泵 %3，轮询只询问泵 00，无法确认")
            .arg(name, event.sent, event.pump);
    case SetpointWatch::Event::Kind::Changed:
        return QCoreApplication::translate("Messages", "%1 上次发送 %2，泵报告 %3")
            .arg(name, event.sent, event.reported);
    }
    Q_UNREACHABLE();
}

QString changedWhileAway(const QList<SetpointWatch::Event> &changes)
{
    QStringList parts;
    for (const SetpointWatch::Event &change : changes)
        parts << setpointNews(change);
    return QCoreApplication::translate(
               "Messages", "重新连接后，泵报告的设定与上次发送的不同：%1。\r\n"
                           "泵可能重新启动过。面板没有重新发送任何设定，请核对后按需要重新设定。")
        .arg(parts.join(QCoreApplication::translate("Messages", "；")));
}

QString runLogFailed(const QString &folder, const QString &reason)
{
    return QCoreApplication::translate("Messages",
                                       "运行记录无法写入文件夹 %1。\r\n（%2）\r\n"
                                       "面板和泵照常工作，记录先保留在程序中，之后会继续尝试写入；"
                                       "恢复写入时状态栏会说明。")
        .arg(QDir::toNativeSeparators(folder), reason);
}

QString runLogResumed(const QString &file, int late, int dropped)
{
    QString text = QCoreApplication::translate("Messages", "运行记录恢复写入 %1（补写 %2 行")
                       .arg(file)
                       .arg(late);
    if (dropped > 0)
        text += QCoreApplication::translate("Messages", "，%1 行已丢失").arg(dropped);
    return text + QCoreApplication::translate("Messages", "）");
}

QString settingsNotSaved(const QString &problem)
{
    return QCoreApplication::translate("Messages",
                                       "保护设定无法保存（%1）。\r\n新的设定在本次运行中生效，"
                                       "下次启动时仍是原来的设定。")
        .arg(problem);
}

QString runLatched(const QString &trip)
{
    return QCoreApplication::translate("Messages",
                                       "压力保护已跳闸，运行命令没有发出。\r\n%1\r\n"
                                       "压力回到限值以内后，请在报警栏或报警窗口按“复位”，再运行。")
        .arg(trip);
}

} // namespace Messages
