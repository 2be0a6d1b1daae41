#include "linkwatch.h"

#include "dialogs.h"
#include "messages.h"
#include "pumplink.h"

#include <QLabel>
#include <QStatusBar>
#include <QTime>

#include <utility>

namespace {

QLabel *statusLabel(const char *name, QStatusBar *bar)
{
    auto *label = new QLabel(bar);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText); // device names and replies are never markup
    return label;
}

// How a light is named (for tests and tools) and drawn.
struct Look
{
    const char *name;
    const char *colour;
};

Look lookOf(LinkWatch::Light light)
{
    switch (light) {
    case LinkWatch::Light::Off:
        return {"off", "#9e9e9e"};
    case LinkWatch::Light::Green:
        return {"green", "#2e9d3a"};
    case LinkWatch::Light::Amber:
        return {"amber", "#f0a000"};
    case LinkWatch::Light::Red:
        return {"red", "#d81e1e"};
    }
    Q_UNREACHABLE();
}

} // namespace

LinkWatch::LinkWatch(PumpLink &link, Dialogs &dialogs, QStatusBar *bar, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_dialogs(dialogs)
{
    m_indicator = statusLabel("linkIndicator", bar);
    m_indicator->setFixedSize(14, 14);
    m_indicator->setAccessibleName(QString::fromUtf8("连接状态"));
    m_state = statusLabel("linkStatus", bar);
    m_newsLabel = statusLabel("linkNews", bar);
    bar->addWidget(m_indicator);
    bar->addWidget(m_state, 1);
    bar->addWidget(m_newsLabel);

    connect(&m_link, &PumpLink::stateChanged, this, &LinkWatch::refresh);
    connect(&m_link, &PumpLink::setpointEvent, this, &LinkWatch::onSetpointEvent);
    connect(&m_link, &PumpLink::silenceStarted, this, [this] {
        // One beep and no dialog: an unattended run must not pile up message boxes.
        m_dialogs.beep();
        refresh();
    });
    connect(&m_link, &PumpLink::silenceEnded, this,
            [this](qint64 silentFor) { tell(Messages::silenceEnded(silentFor)); });
    connect(&m_link, &PumpLink::linkLost, this, &LinkWatch::refresh);
    connect(&m_link, &PumpLink::reconnected, this,
            [this](qint64 downFor) { tell(Messages::reconnected(m_link.device(), downFor)); });

    m_refreshTimer.setInterval(500);
    connect(&m_refreshTimer, &QTimer::timeout, this, &LinkWatch::refresh);
    m_refreshTimer.start();
    refresh();
}

void LinkWatch::refresh()
{
    const LinkStatus status = m_link.status();
    QString line = Messages::linkStatus(status);
    switch (status.state) {
    case LinkStatus::State::Closed:
        m_light = Light::Off;
        break;
    case LinkStatus::State::Reconnecting:
        m_light = Light::Amber;
        break;
    case LinkStatus::State::Open:
        m_light = Light::Green;
        if (status.pumpSilent()) {
            // The silence is the message: nothing is called unconfirmed while it lasts.
            m_light = Light::Red;
            break;
        }
        for (const SetpointWatch::Event &open :
             m_link.setpoints().unconfirmed(m_link.pumpState())) {
            line += QString::fromUtf8(" · ") + Messages::setpointNews(open);
            m_light = Light::Amber;
        }
        break;
    }
    m_state->setText(line);
    const Look look = lookOf(m_light);
    const QLatin1String name(look.name);
    if (m_indicator->property("light").toString() !=
        name) { // restyling costs; twice a second adds up
        m_indicator->setStyleSheet(
            QStringLiteral("background: %1; border-radius: 7px;").arg(QLatin1String(look.colour)));
        m_indicator->setProperty("light", name);
    }
    // A screen reader says the same words the status bar shows.
    const QString description = m_news.isEmpty() ? line : line + QString::fromUtf8(" · ") + m_news;
    m_indicator->setAccessibleDescription(description);
    m_indicator->setToolTip(description);
}

void LinkWatch::onSetpointEvent(const SetpointWatch::Event &event)
{
    switch (event.kind) {
    case SetpointWatch::Event::Kind::Changed:
        break;
    case SetpointWatch::Event::Kind::Unconfirmed: // stays in the state line until it clears
        refresh();
        return;
    case SetpointWatch::Event::Kind::Confirmed:
    case SetpointWatch::Event::Kind::SentElsewhere:
        tell(Messages::setpointNews(event));
        return;
    }
    // The changes one reply brings are told together, after the reply's own notification has
    // returned, and never resent by themselves: the pump may have restarted, and the operator
    // decides.
    if (m_changes.isEmpty()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                const QList<SetpointWatch::Event> changes = std::exchange(m_changes, {});
                m_dialogs.messageBox(Messages::changedWhileAway(changes), Messages::reconnectTitle);
            },
            Qt::QueuedConnection);
    }
    m_changes << event;
}

void LinkWatch::tell(const QString &news)
{
    m_news = news;
    m_newsLabel->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) + news);
    refresh();
}
