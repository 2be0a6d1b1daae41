#pragma once

#include "pumplink.h"
#include "setpointwatch.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The panel's own messages about the link to the pump, in one place.
namespace Messages {

inline QString linkTitle()
{
    return QCoreApplication::translate("Messages", "通信错误");
}

QString invalidPort(const QString &answer);
// A port that could not be opened or set up, and what became of the port open before.
QString openFailed(const PumpLink::OpenResult &result);
QString portNotOpen();
QString writeFailed();
QString linkLost(const QString &device, const QString &reason);
// A STOP that could not go out now: it goes out when the port is open again.
QString stopOwed(FrameSender::Failure failure);

// The pressure protection.
inline QString protectionTitle()
{
    return QCoreApplication::translate("Messages", "压力保护");
}
// The settings file could not be written; the new settings hold for this run.
QString settingsNotSaved(const QString &problem);
// A RUN refused while a trip is latched.
QString runLatched(const QString &trip);
inline QString resetRefused()
{
    return QCoreApplication::translate(
        "Messages", "压力还没有回到限值以内，不能复位。\r\n复位需要串口打开时的一个新读数，并且在"
                    "限值以内 0.04 MPa。");
}
QString storeFull(int capacity);

// The status line under the window, short enough to be read whole beside the buttons.
QString linkStatus(const LinkStatus &status);
// The same in full, with the counts, for its tooltip.
QString linkDetails(const LinkStatus &status);
// "The pump may still be running", with the set flow it last reported.
QString pumpMayRun(const LinkStatus &status);

// What the link watch tells in the status bar, and its one message.
QString silenceEnded(qint64 silentFor);
QString reconnected(const QString &device, qint64 downFor);
QString setpointNews(const SetpointWatch::Event &event);
inline QString reconnectTitle()
{
    return QCoreApplication::translate("Messages", "重新连接");
}
QString changedWhileAway(const QList<SetpointWatch::Event> &changes);

// The run log's folder cannot be written, and writing works again.
inline QString runLogTitle()
{
    return QCoreApplication::translate("Messages", "运行记录");
}
QString runLogFailed(const QString &folder, const QString &reason);
QString runLogResumed(const QString &file, int late, int dropped);

} // namespace Messages
