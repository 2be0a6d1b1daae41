#include "alarmbanner.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QResizeEvent>

namespace {

const char *styleOf(AlarmList::Priority priority, bool active)
{
    if (!active) // cleared, waiting for acknowledgement
        return "QFrame#alarmBanner { background: #e0e0e0; } QLabel { color: black; }";
    switch (priority) {
    case AlarmList::Priority::High:
        return "QFrame#alarmBanner { background: #d81e1e; } QLabel { color: white; }";
    case AlarmList::Priority::Medium:
        return "QFrame#alarmBanner { background: #f0a000; } QLabel { color: black; }";
    case AlarmList::Priority::Low:
        return "QFrame#alarmBanner { background: #fff0a0; } QLabel { color: black; }";
    }
    Q_UNREACHABLE();
}

} // namespace

AlarmBanner::AlarmBanner(AlarmList &alarms, QWidget *parent)
    : QFrame(parent)
    , m_alarms(alarms)
{
    setObjectName(QStringLiteral("alarmBanner"));
    setAccessibleName(QCoreApplication::translate("AlarmBanner", "报警栏"));
    setFocusPolicy(Qt::NoFocus);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("alarmText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_others = new QLabel(this);
    m_others->setObjectName(QStringLiteral("alarmOthers"));
    m_others->setTextFormat(Qt::PlainText);
    m_acknowledge = new QPushButton(QCoreApplication::translate("AlarmBanner", "确认"), this);
    m_acknowledge->setObjectName(QStringLiteral("alarmAcknowledge"));
    m_acknowledge->setFocusPolicy(Qt::NoFocus); // the keys' tab order stays as it is
    m_reset = new QPushButton(QCoreApplication::translate("AlarmBanner", "复位"), this);
    m_reset->setObjectName(QStringLiteral("alarmReset"));
    m_reset->setFocusPolicy(Qt::NoFocus);
    m_reset->hide();
    auto *details = new QPushButton(QCoreApplication::translate("AlarmBanner", "详情"), this);
    details->setObjectName(QStringLiteral("alarmDetails"));
    details->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_others);
    layout->addWidget(m_acknowledge);
    layout->addWidget(m_reset);
    layout->addWidget(details);
    connect(m_acknowledge, &QPushButton::clicked, this, [this] {
        if (!m_shown.isEmpty())
            m_alarms.acknowledge(m_shown);
    });
    connect(m_reset, &QPushButton::clicked, this, [this] {
        if (!m_shown.isEmpty())
            m_alarms.requestReset(m_shown);
    });
    connect(details, &QPushButton::clicked, this, &AlarmBanner::detailsRequested);
    connect(&m_alarms, &AlarmList::changed, this, &AlarmBanner::refresh);
    hide();
    refresh();
}

QString AlarmBanner::text() const
{
    return accessibleDescription();
}

void AlarmBanner::refresh()
{
    const QList<AlarmList::Alarm> pending = m_alarms.pending();
    if (pending.isEmpty()) {
        m_shown.clear();
        setAccessibleDescription(QString());
        if (isVisibleTo(parentWidget())) {
            hide();
            emit heightChanged();
        }
        return;
    }
    const AlarmList::Alarm &top = pending.first();
    m_shown = top.name;
    QString line = top.text;
    if (!top.active())
        line += QCoreApplication::translate("AlarmBanner", "（已消除，请确认）");
    const bool latched = top.latched && top.active();
    if (latched) {
        line += QCoreApplication::translate("AlarmBanner", "（%1）")
                    .arg(top.raised.toString(QStringLiteral("HH:mm:ss")));
        if (!top.resettable)
            line += QCoreApplication::translate("AlarmBanner", "。压力回到限值以内后才能复位");
    }
    m_reset->setVisible(latched);
    m_reset->setEnabled(latched && top.resettable);
    m_text->setText(line);
    const QString others =
        pending.size() > 1
            ? QCoreApplication::translate("AlarmBanner", "另有 %1 条").arg(pending.size() - 1)
            : QString();
    m_others->setText(others);
    m_others->setVisible(!others.isEmpty());
    m_acknowledge->setEnabled(top.unacknowledged());
    setAccessibleDescription(
        others.isEmpty() ? line : line + QCoreApplication::translate("AlarmBanner", "。") + others);
    const QString style = QLatin1String(styleOf(top.priority, top.active()));
    if (style != m_style) { // restyling costs
        setStyleSheet(style);
        m_style = style;
    }
    if (!isVisibleTo(parentWidget()))
        show();
    emit heightChanged();
}

void AlarmBanner::showEvent(QShowEvent *event)
{
    QFrame::showEvent(event);
    // Sized while hidden, the layout may still hold the height it had then.
    layout()->setGeometry(rect());
}

void AlarmBanner::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        emit heightChanged();
}
