#pragma once

#include "journal.h"
#include "runlog.h"
#include "setpointwatch.h"

#include <QObject>
#include <QString>

#include <array>

class Dialogs;
class PumpLink;
class QLabel;
class QStatusBar;
class ReadoutView;
struct Reply;

// What the run log is told, and from where: every accepted reply, every frame sent but the
// polls, the link's silence, loss and return, what became of setpoints, and what the parts note
// (refused entries, commands not sent, the timed run's steps, saving and printing). Each row
// carries the readouts as the window shows them then, and the run state as last commanded. A
// log folder that cannot be written is told once in a message and shown in the status bar.
class RunJournal : public QObject, public Journal
{
    Q_OBJECT
public:
    RunJournal(const QString &folder, PumpLink &link, const ReadoutView &readouts, Dialogs &dialogs,
               QStatusBar *bar, QObject *parent = nullptr);
    ~RunJournal() override;

    // A port opened through 通信: a new log begins.
    void portOpened(const QString &device);
    // The program closes the port.
    void portClosed();
    void setpointEvent(const SetpointWatch::Event &event);

    void note(const QString &event, const QString &detail) override;

    RunLog &log() { return m_log; }

private:
    void onReply(const Reply &reply);
    void onFrameSent(const QString &frame);
    RunLog::Readings readings() const;
    void showState(const QString &text);

    RunLog m_log;
    PumpLink &m_link;
    const ReadoutView &m_readouts;
    Dialogs &m_dialogs;
    QLabel *m_state = nullptr;
    // Whether each of the three reported readouts has had a reply yet.
    std::array<bool, 3> m_reported{};
    // The set flow and set pressure the pump last reported, for "old -> new".
    std::array<QString, 2> m_lastReported;
    QString m_run;
};
