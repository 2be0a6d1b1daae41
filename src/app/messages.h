#pragma once

#include "pumplink.h"

#include <QString>
#include <QStringList>

// The panel's own messages about the link to the pump, in one place.
namespace Messages {

inline const QString linkTitle = QString::fromUtf8("通信错误");

QString invalidPort(const QString &answer);
// A port that could not be opened or set up, and what became of the port open before.
QString openFailed(const PumpLink::OpenResult &result);
QString portNotOpen();
QString writeFailed();
QString linkLost(const QString &device, const QString &reason);
QString storeFull(int capacity);

// The status line under the window.
QString linkStatus(const LinkStatus &status);

} // namespace Messages
