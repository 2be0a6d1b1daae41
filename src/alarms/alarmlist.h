#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class Journal;

// The conditions an operator must act on, each an alarm with a priority and a state: raised by
// its condition, cleared when the condition ends, acknowledged by the operator. An alarm stays
// listed until it is both cleared and acknowledged; every occurrence of the run is kept for the
// alarm window. A high-priority alarm sounds when raised and again every repeatInterval until it
// is acknowledged; the others sound once.
class AlarmList : public QObject
{
    Q_OBJECT
public:
    enum class Priority { Low, Medium, High };
    enum class State {
        ActiveUnacknowledged,
        ActiveAcknowledged,
        ClearedUnacknowledged,
        Gone, // cleared and acknowledged
    };
    struct Alarm
    {
        QString name; // one word, as the run log names it: "pump-silent", "stop-owed", ...
        Priority priority = Priority::Low;
        QString text; // in full words, as the banner shows it
        State state = State::Gone;
        QDateTime raised;
        QDateTime cleared;
        QDateTime acknowledged;
        qint64 raisedAt = 0; // monotonic, for ordering and sound
        // A latched alarm stays active until its owner resets it at the operator's 复位, which
        // it allows only once the condition is over; acknowledging only silences it.
        bool latched = false;
        bool resettable = false;

        bool active() const
        {
            return state == State::ActiveUnacknowledged || state == State::ActiveAcknowledged;
        }
        bool unacknowledged() const
        {
            return state == State::ActiveUnacknowledged || state == State::ClearedUnacknowledged;
        }
    };
    // What the operator and the run log are told at a moment: news of the link and the pump.
    struct News
    {
        QDateTime time;
        QString text;
    };

    static constexpr qint64 repeatInterval = 15000; // ms

    explicit AlarmList(QObject *parent = nullptr);

    // Raises the alarm, or, while it is active, brings its text up to date without a new row or
    // sound. Raising one that is cleared but not acknowledged makes it active and unacknowledged
    // again.
    void raise(const QString &name, Priority priority, const QString &text);
    void clear(const QString &name);
    // Raises a latched alarm: it is cleared only through its owner's reset.
    void latch(const QString &name, Priority priority, const QString &text);
    // Whether 复位 is offered for the latched alarm now.
    void setResettable(const QString &name, bool resettable);
    // The operator asks to reset it (复位): told to its owner, which decides.
    void requestReset(const QString &name);
    // The latched alarm whose 复位 is offered, or null.
    const Alarm *resettableLatch() const;
    // False when there was nothing to acknowledge.
    bool acknowledge(const QString &name);
    void acknowledgeAll();

    // Every occurrence of this run, in the order raised.
    const QList<Alarm> &alarms() const { return m_alarms; }
    // The occurrence of `name` that is not gone, if there is one.
    const Alarm *current(const QString &name) const;
    bool isActive(const QString &name) const;
    // Active or unacknowledged, most urgent first: by priority, active before cleared,
    // unacknowledged before acknowledged, newest first.
    QList<Alarm> pending() const;
    // The highest priority of the active alarms.
    std::optional<Priority> worstActive() const;

    void addNews(const QString &text);
    const QList<News> &news() const { return m_news; }

    // Where raising, clearing and acknowledging are noted.
    void setJournal(Journal *journal) { m_journal = journal; }
    // A monotonic clock in milliseconds; tests set their own, and tick() for the repeat timer.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }
    void tick();
    QTimer *soundTimer() { return &m_soundTimer; }

    static QString priorityText(Priority priority);
    static QString stateText(State state);

signals:
    void changed();
    void acknowledged(const QString &name);
    void resetRequested(const QString &name);
    // Sound the alert once.
    void beep();

private:
    Alarm *find(const QString &name);
    void sound();

    QList<Alarm> m_alarms;
    QList<News> m_news;
    Journal *m_journal = nullptr;
    std::function<qint64()> m_clock;
    qint64 m_lastBeep = 0;
    QTimer m_soundTimer;
};
