#pragma once

#include "alarmlist.h"

#include <QObject>
#include <QString>

class KeepAwake;
class PumpLink;
class RunLog;

// Raises and clears the panel's alarms from what the link, the run log and the system say:
// the pump silent, the link lost, a STOP owed, a setpoint not confirmed, the run log not
// writable, the computer not kept awake, and a last run that did not end cleanly. Keeps the
// computer awake while the pump may be running.
class AlarmWatch : public QObject
{
    Q_OBJECT
public:
    // The names alarms go by in the run log.
    static inline const QString pumpSilent = QStringLiteral("pump-silent");
    static inline const QString linkLost = QStringLiteral("link-lost");
    static inline const QString stopOwed = QStringLiteral("stop-owed");
    static inline const QString unconfirmed = QStringLiteral("setpoint-unconfirmed");
    static inline const QString logNotWritable = QStringLiteral("log-not-writable");
    static inline const QString notAwake = QStringLiteral("not-kept-awake");
    static inline const QString uncleanEnd = QStringLiteral("unclean-end");

    // `awake` may be null: then nothing keeps the computer awake, and the low alarm says so
    // once the pump may be running.
    AlarmWatch(AlarmList &alarms, PumpLink &link, RunLog &log, KeepAwake *awake,
               QObject *parent = nullptr);

    // Looks for a last run that did not end cleanly in the run logs' folder, and raises its
    // alarm. The notice is kept for the next log.
    void checkLastRun(const QString &folder);
    // What the last run's end was, for the first row of the next log; empty if it was clean.
    QString lastRunNotice() const { return m_lastRunNotice; }
    // Brings the alarms that follow conditions up to date, at each change the link tells.
    void refresh();

private:
    void keepAwake();
    QString mayRunText() const;

    AlarmList &m_alarms;
    PumpLink &m_link;
    KeepAwake *m_awake;
    QString m_lastRunNotice;
    bool m_holdFailed = false;
    bool m_withheld = false; // the port open is not the one the owed STOP is meant for
};
