#pragma once

#include "setpointwatch.h"

#include <QObject>
#include <QString>
#include <QTimer>

class Dialogs;
class PumpLink;
class QLabel;
class QStatusBar;
struct Reply;

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
    const SetpointWatch &setpoints() const { return m_setpoints; }

signals:
    // What became of a setpoint, as the status bar tells it.
    void setpointEvent(const SetpointWatch::Event &event);

private:
    void onFrameSent(const QString &frame);
    void onReply(const Reply &reply);
    void tell(const QString &news);

    PumpLink &m_link;
    Dialogs &m_dialogs;
    SetpointWatch m_setpoints;
    QLabel *m_indicator = nullptr;
    QLabel *m_state = nullptr;
    QLabel *m_newsLabel = nullptr;
    QTimer m_refreshTimer;
    Light m_light = Light::Off;
    QString m_news;
};
