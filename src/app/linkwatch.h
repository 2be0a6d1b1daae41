#pragma once

#include "setpointwatch.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <tuple>

class AlarmList;
class Dialogs;
class PumpLink;
class QLabel;
class QStatusBar;

// Keeps the operator sure of the pump: a light at the left of the status bar that follows the
// worst active alarm (red for a high one, amber for the others, green while the port is open
// and none is active, grey with no port), the link's state beside it in short words with the
// seconds counting, and the latest news of the link at the right when it fits whole. The full
// texts and the counts are in the light's tooltip; every piece of news goes to the alarm list.
// A pump that comes back after a reconnection with other setpoints than last sent is told in
// one message.
class LinkWatch : public QObject
{
    Q_OBJECT
public:
    enum class Light { Off, Green, Amber, Red };

    LinkWatch(PumpLink &link, AlarmList &alarms, Dialogs &dialogs, QStatusBar *bar,
              QObject *parent = nullptr);

    // Brings the status bar up to date; a timer does so twice a second.
    void refresh();
    Light light() const { return m_light; }
    // The news of the latest moment: what one event told, all of it.
    QString news() const { return m_news; }
    // What else the tooltip says: the run log's state.
    void setLogState(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showNews();
    void onSetpointEvent(const SetpointWatch::Event &event);
    void tell(const QString &news);

    PumpLink &m_link;
    AlarmList &m_alarms;
    Dialogs &m_dialogs;
    // Setpoints found changed after a reconnection, told together in one message.
    QList<SetpointWatch::Event> m_changes;
    QLabel *m_indicator = nullptr;
    QLabel *m_state = nullptr;
    QLabel *m_newsLabel = nullptr;
    QTimer m_refreshTimer;
    Light m_light = Light::Off;
    QString m_news;
    QString m_newsLine;                              // with its time
    std::tuple<qint64, qint64, qint64> m_newsMoment; // frames sent, replies accepted, time
    QString m_logState;
};
