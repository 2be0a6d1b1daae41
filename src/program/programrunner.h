#pragma once

#include "method.h"

#include <QObject>
#include <QTimer>

#include <functional>

class FrameSender;
class Journal;

// Plays a method on the link. 开始 sends the first step's setpoints and then RUN; each later step
// sends its setpoints at its start, a ramp a new value each time it changes by the frame's
// resolution (1 ml/min, 0.1 MPa) but never more often than once a poll; the end sends STOP.
// 暂停 stops the program's clock and leaves the pump as it is; 继续 goes on with what is left of
// the step. The pump does not stop when the link does, so the clock goes on through an outage: a
// step that starts then is owed, and its setpoints go out the moment the port is open again.
class ProgramRunner : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Running, Paused };
    // What the window and the status bar show.
    struct Progress
    {
        int index = 0; // among the planned steps
        int count = 0;
        int stepNumber = 0; // 1-based, in the method
        QString name;
        qint64 leftInStep = 0; // ms
        qint64 leftInProgram = 0;
        double volume = 0; // ml, the set flow integrated over the time run: an estimate
    };

    // `operatorSender` carries what the operator asked for (开始's frames, 停止), with its
    // messages and refusals; `stepSender` what the program sends by itself, unattended.
    ProgramRunner(FrameSender &operatorSender, FrameSender &stepSender, QObject *parent = nullptr);

    // A monotonic clock in ms and how many of its ms pass in one real ms (tests run faster).
    void setClock(std::function<qint64()> clock, double scale = 1);
    void setJournal(Journal *journal) { m_journal = journal; }
    // Whether the port is open: a step that starts while it is not is owed.
    void setLinkOpen(std::function<bool()> open) { m_linkOpen = std::move(open); }
    // Where the command rows of a late step say how late (empty: they say nothing more).
    void setCommandNote(std::function<void(const QString &)> note)
    {
        m_commandNote = std::move(note);
    }

    // Starts `method`, which must have no fault; `flow` and `pressure` are the setpoints before
    // it, where a first ramp starts. False when its first frames did not go out.
    bool start(const Method &method, const QString &file, const QByteArray &content, double flow,
               double pressure);
    void pause();
    void resume();
    // 停止: STOP, and the program ends.
    void stop();
    // The pressure protection tripped: it has sent its STOP, and the program ends.
    void endByTrip();
    // Does whatever is due now, as the runner's timer does.
    void advance();
    // The port is open again: an owed step's setpoints go out.
    void portOpened();

    State state() const { return m_state; }
    bool isActive() const { return m_state != State::Idle; }
    Progress progress() const;

signals:
    void stepStarted(int number, const MethodStep &step);
    void stepLate(int number, qint64 lateMs);
    void ended(const QString &why);
    void changed();

private:
    qint64 programTime() const;
    void beginStep(int index, bool late);
    void sendSetpoints(bool atStart);
    bool sendValue(bool flow, double value);
    void finish(const QString &why, bool sendStop);
    void schedule();
    void addVolume();
    // The volume pumped, by the set flow, since the last addVolume.
    double volumeSince(qint64 now) const;
    void note(const QString &event, const QString &detail);

    FrameSender &m_operatorSender;
    FrameSender &m_stepSender;
    FrameSender *m_sending = &m_stepSender;
    std::function<qint64()> m_clock;
    double m_scale = 1;
    std::function<bool()> m_linkOpen;
    std::function<void(const QString &)> m_commandNote;
    Journal *m_journal = nullptr;
    QTimer m_timer;

    State m_state = State::Idle;
    Method m_method;
    QList<PlannedStep> m_plan;
    qint64 m_total = 0;
    int m_current = -1;
    qint64 m_startedAt = 0;
    qint64 m_pausedAt = 0;
    qint64 m_pausedFor = 0;
    std::optional<double> m_sentFlow;
    std::optional<double> m_sentPressure;
    qint64 m_lastRampSend = -1;
    bool m_owed = false; // the current step's setpoints have not gone out
    double m_volume = 0;
    qint64 m_volumeAt = 0; // program time the volume is counted to
};
