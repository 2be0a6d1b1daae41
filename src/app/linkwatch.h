#pragma once

#include "setpointwatch.h"

#include <QObject>
#include <QString>
#include <QTimer>

class Dialogs;
class PumpLink;
class QLabel;
class QStatusBar;

// Keeps the operator sure of the pump: a light at the left of the status bar (green while
// replies arrive, amber while reconnecting or while a setpoint is not confirmed, red while the
// pump is silent, grey with no port), the link's state beside it with the seconds counting, and
// the latest news of the link at the right. Entering silence beeps once; a pump that comes back
// after a reconnection with other setpoints than last sent is told in one message.
class LinkWatch : public QObject
{
    Q_OBJECT
public:
    enum class Light { Off, Green, Amber, Red };

    LinkWatch(PumpLink &link, Dialogs &dialogs, QStatusBar *bar, QObject *parent = nullptr);

    // Brings the status bar up to date; a timer does so twice a second.
    void refresh();
    Light light() const { return m_light; }
    QString news() const { return m_news; }

private:
    void onSetpointEvent(const SetpointWatch::Event &event);
    void tell(const QString &news);

    PumpLink &m_link;
    Dialogs &m_dialogs;
    // Setpoints found changed after a reconnection, told together in one message.
    QList<SetpointWatch::Event> m_changes;
    QLabel *m_indicator = nullptr;
    QLabel *m_state = nullptr;
    QLabel *m_newsLabel = nullptr;
    QTimer m_refreshTimer;
    Light m_light = Light::Off;
    QString m_news;
};
