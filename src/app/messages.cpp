#include "messages.h"

namespace Messages {

QString invalidPort(const QString &answer)
{
    return QString::fromUtf8("串口号设定错误!\r\n“%1”不是有效的串口号。请输入 1 到 32767 的串口号，"
                             "或设备名（如 /dev/ttyUSB0、COM3）。")
        .arg(answer);
}

QString openFailed(const QString &device, CommControl::OpenFailure failure, const QString &reason,
                   const QStringList &availablePorts)
{
    QString why;
    switch (failure) {
    case CommControl::OpenFailure::NotFound:
        why = QString::fromUtf8("串口不存在");
        break;
    case CommControl::OpenFailure::Busy:
        why = QString::fromUtf8("串口已被其他程序占用");
        break;
    case CommControl::OpenFailure::NoPermission:
        why = QString::fromUtf8("没有使用该串口的权限");
        break;
    case CommControl::OpenFailure::None:
    case CommControl::OpenFailure::Other:
        why = reason;
        break;
    }
    const QString existing = availablePorts.isEmpty()
                                 ? QString::fromUtf8("（没有找到串口）")
                                 : availablePorts.join(QString::fromUtf8("、"));
    return QString::fromUtf8("无法打开串口 %1：%2。\r\n现有串口：%3").arg(device, why, existing);
}

QString settingsRefused(const QString &device)
{
    return QString::fromUtf8("串口 %1 不接受通信参数 9600,n,8,1，串口已关闭。").arg(device);
}

QString portNotOpen()
{
    return QString::fromUtf8("串口未打开，命令没有发送。\r\n请先用“通信”打开串口。");
}

QString writeFailed()
{
    return QString::fromUtf8("向串口写入失败，命令没有发送。");
}

QString linkLost(const QString &device, const QString &reason)
{
    return QString::fromUtf8("与泵的连接已断开：串口 %1 出错（%2），已关闭。\r\n"
                             "请检查连接后用“通信”重新打开串口。")
        .arg(device, reason);
}

QString storeFull(int capacity)
{
    return QString::fromUtf8("已存储 %1 个压力数值，存储已满：之后的读数不再存储。\r\n"
                             "已存储的数值不受影响，可以用“保存”写入记录文件。")
        .arg(capacity);
}

QString linkStatus(const LinkStatus &status)
{
    const QString counts = QString::fromUtf8("发送 %1 · 应答 %2 · 丢弃 %3")
                               .arg(status.framesSent)
                               .arg(status.repliesAccepted)
                               .arg(status.repliesRejected);
    auto seconds = [](qint64 ms) { return QString::number(ms / 1000.0, 'f', 1); };
    switch (status.state) {
    case LinkStatus::State::Closed:
        return QString::fromUtf8("串口未打开，请用“通信”打开串口 · ") + counts;
    case LinkStatus::State::Lost:
        return QString::fromUtf8("串口 %1 连接已断开（%2），请用“通信”重新打开 · %3")
            .arg(status.device, status.lostReason, counts);
    case LinkStatus::State::Open:
        break;
    }
    QString reply;
    if (status.pumpSilent()) {
        reply = QString::fromUtf8("泵无应答（%1 秒没有应答）")
                    .arg(seconds(status.sinceLastReply.value_or(status.sinceOpened)));
    } else if (status.sinceLastReply) {
        reply = QString::fromUtf8("上次应答 %1 秒前").arg(seconds(*status.sinceLastReply));
    } else {
        reply = QString::fromUtf8("等待应答");
    }
    return QString::fromUtf8("串口 %1 已打开 · %2 · %3").arg(status.device, reply, counts);
}

} // namespace Messages
