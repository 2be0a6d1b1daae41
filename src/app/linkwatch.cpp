#include "linkwatch.h"

#include "alarmlist.h"
#include "dialogs.h"
#include "messages.h"
#include "pumplink.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTime>

#include <tuple>
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

LinkWatch::LinkWatch(PumpLink &link, AlarmList &alarms, Dialogs &dialogs, QStatusBar *bar,
                     QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_alarms(alarms)
    , m_dialogs(dialogs)
{
    m_indicator = statusLabel("linkIndicator", bar);
    m_indicator->setFixedSize(14, 14);
    m_indicator->setAccessibleName(QCoreApplication::translate("LinkWatch", "连接状态"));
    m_state = statusLabel("linkStatus", bar);
    m_newsLabel = statusLabel("linkNews", bar);
    // The news takes what the state leaves, and shows only when it fits whole.
    m_newsLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_indicator);
    bar->addWidget(m_state);
    bar->addWidget(m_newsLabel, 1);
    m_newsLabel->installEventFilter(this);

    connect(&m_link, &PumpLink::stateChanged, this, &LinkWatch::refresh);
    connect(&m_link, &PumpLink::setpointEvent, this, &LinkWatch::onSetpointEvent);
    // The silence is an alarm, which sounds; no dialog: an unattended run must not pile up
    // message boxes.
    connect(&m_link, &PumpLink::silenceStarted, this, &LinkWatch::refresh);
    connect(&m_alarms, &AlarmList::changed, this, &LinkWatch::refresh);
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
    m_light = status.state == LinkStatus::State::Closed ? Light::Off : Light::Green;
    if (const std::optional<AlarmList::Priority> worst = m_alarms.worstActive())
        m_light = *worst == AlarmList::Priority::High ? Light::Red : Light::Amber;
    if (status.state == LinkStatus::State::Open && !status.pumpSilent() &&
        !m_link.setpoints().unconfirmed(m_link.pumpState()).isEmpty()) {
        // While silent nothing is called unconfirmed; the banner says which setpoint and why.
        line += QCoreApplication::translate("LinkWatch", " · 设定未确认");
    }
    if (m_state->text() != line)
        m_state->setText(line);
    showNews();
    const Look look = lookOf(m_light);
    const QLatin1String name(look.name);
    if (m_indicator->property("light").toString() !=
        name) { // restyling costs; twice a second adds up
        m_indicator->setStyleSheet(
            QStringLiteral("background: %1; border-radius: 7px;").arg(QLatin1String(look.colour)));
        m_indicator->setProperty("light", name);
    }
    // A screen reader says the same words the status bar shows, and the tooltip the rest.
    const QString description =
        m_news.isEmpty() ? line : line + QCoreApplication::translate("LinkWatch", " · ") + m_news;
    m_indicator->setAccessibleDescription(description);
    QStringList tip{Messages::linkDetails(status)};
    if (!m_newsLine.isEmpty())
        tip << m_newsLine;
    if (!m_logState.isEmpty())
        tip << m_logState;
    const QString toolTip = tip.join(QLatin1Char('\n'));
    for (QLabel *label : {m_indicator, m_state, m_newsLabel})
        label->setToolTip(toolTip);
}

void LinkWatch::showNews()
{
    const bool fits = m_newsLabel->fontMetrics().horizontalAdvance(m_newsLine) <=
                      m_newsLabel->contentsRect().width();
    const QString shown = fits ? m_newsLine : QString();
    if (m_newsLabel->text() != shown)
        m_newsLabel->setText(shown);
}

bool LinkWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_newsLabel && event->type() == QEvent::Resize)
        showNews(); // the state beside it grew or shrank
    return QObject::eventFilter(watched, event);
}

void LinkWatch::setLogState(const QString &text)
{
    m_logState = text;
    refresh();
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
                m_dialogs.messageBox(Messages::changedWhileAway(changes),
                                     Messages::reconnectTitle());
            },
            Qt::QueuedConnection);
    }
    m_changes << event;
}

void LinkWatch::tell(const QString &news)
{
    m_alarms.addNews(news);
    // What one reply brings (the end of a silence and a confirmed setpoint) is kept together;
    // news after the next frame or reply, or later, replaces it.
    const LinkStatus status = m_link.status();
    const std::tuple moment{status.framesSent, status.repliesAccepted, m_link.clockNow()};
    if (!m_news.isEmpty() && moment == m_newsMoment) {
        m_news += QCoreApplication::translate("LinkWatch", "；") + news;
    } else {
        m_news = news;
        m_newsMoment = moment;
    }
    m_newsLine = QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) + m_news;
    refresh();
}
