#include "alarmlist.h"

#include "journal.h"
#include "monotonic.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString rowDetail(const AlarmList::Alarm &alarm)
{
    return QStringLiteral("%1 %2").arg(alarm.name, alarm.text);
}

} // namespace

AlarmList::AlarmList(QObject *parent)
    : QObject(parent)
    , m_clock(&monotonicMs)
{
    m_soundTimer.setObjectName(QStringLiteral("alarmSoundTimer"));
    m_soundTimer.setInterval(1000);
    connect(&m_soundTimer, &QTimer::timeout, this, &AlarmList::tick);
    m_soundTimer.start();
}

AlarmList::Alarm *AlarmList::find(const QString &name)
{
    for (auto it = m_alarms.rbegin(); it != m_alarms.rend(); ++it) {
        if (it->name == name)
            return it->state == State::Gone ? nullptr : &*it;
    }
    return nullptr;
}

const AlarmList::Alarm *AlarmList::current(const QString &name) const
{
    return const_cast<AlarmList *>(this)->find(name);
}

bool AlarmList::isActive(const QString &name) const
{
    const Alarm *alarm = current(name);
    return alarm && alarm->active();
}

void AlarmList::raise(const QString &name, Priority priority, const QString &text)
{
    Alarm *alarm = find(name);
    if (alarm && alarm->active()) {
        if (alarm->text == text && alarm->priority == priority)
            return;
        alarm->text = text;
        alarm->priority = priority;
        emit changed();
        return;
    }
    if (alarm) {
        // Cleared but not acknowledged, and back: the occurrence is active again, unacknowledged.
        alarm->state = State::ActiveUnacknowledged;
        alarm->text = text;
        alarm->priority = priority;
        alarm->cleared = QDateTime();
        alarm->raised = QDateTime::currentDateTime();
        alarm->raisedAt = m_clock();
    } else {
        m_alarms.append(Alarm{name, priority, text, State::ActiveUnacknowledged,
                              QDateTime::currentDateTime(), QDateTime(), QDateTime(), m_clock()});
        alarm = &m_alarms.last();
    }
    noteTo(m_journal, QStringLiteral("alarm"), rowDetail(*alarm));
    sound();
    emit changed();
}

void AlarmList::latch(const QString &name, Priority priority, const QString &text)
{
    raise(name, priority, text);
    if (Alarm *alarm = find(name); alarm && (!alarm->latched || alarm->resettable)) {
        alarm->latched = true;
        alarm->resettable = false;
        emit changed();
    }
}

void AlarmList::setResettable(const QString &name, bool resettable)
{
    Alarm *alarm = find(name);
    if (!alarm || !alarm->latched || !alarm->active() || alarm->resettable == resettable)
        return;
    alarm->resettable = resettable;
    emit changed();
}

void AlarmList::requestReset(const QString &name)
{
    const Alarm *alarm = find(name);
    if (alarm && alarm->latched && alarm->active())
        emit resetRequested(name);
}

const AlarmList::Alarm *AlarmList::resettableLatch() const
{
    for (const Alarm &alarm : m_alarms) {
        if (alarm.latched && alarm.active() && alarm.resettable)
            return &alarm;
    }
    return nullptr;
}

void AlarmList::clear(const QString &name)
{
    Alarm *alarm = find(name);
    if (!alarm || !alarm->active())
        return;
    alarm->cleared = QDateTime::currentDateTime();
    alarm->state =
        alarm->state == State::ActiveAcknowledged ? State::Gone : State::ClearedUnacknowledged;
    noteTo(m_journal, QStringLiteral("alarm-cleared"), rowDetail(*alarm));
    emit changed();
}

bool AlarmList::acknowledge(const QString &name)
{
    Alarm *alarm = find(name);
    if (!alarm || !alarm->unacknowledged())
        return false;
    alarm->acknowledged = QDateTime::currentDateTime();
    alarm->state =
        alarm->state == State::ActiveUnacknowledged ? State::ActiveAcknowledged : State::Gone;
    noteTo(m_journal, QStringLiteral("alarm-ack"), rowDetail(*alarm));
    emit acknowledged(name);
    emit changed();
    return true;
}

void AlarmList::acknowledgeAll()
{
    QStringList names;
    for (const Alarm &alarm : std::as_const(m_alarms)) {
        if (alarm.unacknowledged())
            names << alarm.name;
    }
    for (const QString &name : std::as_const(names))
        acknowledge(name);
}

QList<AlarmList::Alarm> AlarmList::pending() const
{
    QList<Alarm> shown;
    // Newest first, also among those raised in the same millisecond.
    for (auto it = m_alarms.crbegin(); it != m_alarms.crend(); ++it) {
        if (it->state != State::Gone)
            shown << *it;
    }
    std::stable_sort(shown.begin(), shown.end(), [](const Alarm &a, const Alarm &b) {
        if (a.priority != b.priority)
            return a.priority > b.priority;
        if (a.active() != b.active())
            return a.active();
        if (a.unacknowledged() != b.unacknowledged())
            return a.unacknowledged();
        return a.raisedAt > b.raisedAt;
    });
    return shown;
}

std::optional<AlarmList::Priority> AlarmList::worstActive() const
{
    std::optional<Priority> worst;
    for (const Alarm &alarm : m_alarms) {
        if (alarm.active() && (!worst || alarm.priority > *worst))
            worst = alarm.priority;
    }
    return worst;
}

void AlarmList::addNews(const QString &text)
{
    m_news.append(News{QDateTime::currentDateTime(), text});
    emit changed();
}

void AlarmList::sound()
{
    m_lastBeep = m_clock();
    emit beep();
}

void AlarmList::tick()
{
    const bool highUnacknowledged =
        std::any_of(m_alarms.cbegin(), m_alarms.cend(), [](const Alarm &alarm) {
            return alarm.priority == Priority::High && alarm.unacknowledged();
        });
    if (highUnacknowledged && m_clock() - m_lastBeep >= repeatInterval)
        sound();
}

QString AlarmList::priorityText(Priority priority)
{
    switch (priority) {
    case Priority::High:
        return QCoreApplication::translate("AlarmList", "高");
    case Priority::Medium:
        return QCoreApplication::translate("AlarmList", "中");
    case Priority::Low:
        return QCoreApplication::translate("AlarmList", "低");
    }
    Q_UNREACHABLE();
}

QString AlarmList::stateText(State state)
{
    switch (state) {
    case State::ActiveUnacknowledged:
        return QCoreApplication::translate("AlarmList", "报警中，未确认");
    case State::ActiveAcknowledged:
        return QCoreApplication::translate("AlarmList", "报警中，已确认");
    case State::ClearedUnacknowledged:
        return QCoreApplication::translate("AlarmList", "已消除，未确认");
    case State::Gone:
        return QCoreApplication::translate("AlarmList", "已结束");
    }
    Q_UNREACHABLE();
}
