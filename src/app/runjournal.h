#pragma once

#include "journal.h"
#include "runlog.h"
#include "setpointwatch.h"

#include <QObject>
#include <QString>

class Dialogs;
class PumpLink;

// What the run log is told, and from where: every accepted reply, every frame sent but the
// polls, the link's silence, loss and return, what became of setpoints, and what the parts note
// (refused entries, commands not sent, the timed run's steps, saving and printing). Each row
// carries what the pump last reported, its data fields as received, and the run state as last
// commanded, all read from the pump's state: what the operator types shows only in the rows about
// it. A log folder that cannot be written is told once in a message and raised as an alarm; the
// log's state is told to whoever shows it.
class RunJournal : public QObject, public Journal
{
    Q_OBJECT
public:
    RunJournal(const QString &folder, PumpLink &link, Dialogs &dialogs, QObject *parent = nullptr);
    ~RunJournal() override;

    // A port opened through 通信: a new log begins.
    void portOpened(const QString &device);
    // The program closes the port, for `why`.
    void portClosed(const QString &why);

    void note(const QString &event, const QString &detail) override;

    // Words the command rows carry until it is set again (empty: none), for commands that go out
    // late.
    void setCommandNote(const QString &note) { m_commandNote = note; }

    RunLog &log() { return m_log; }
    // The log's file and state in words: "运行记录 2026-12-10_09-15-02.csv", ...
    QString stateText() const { return m_stateText; }

signals:
    void stateTextChanged(const QString &text);

private:
    void onFrameSent(const QString &frame);
    void onSetpointEvent(const SetpointWatch::Event &event);
    RunLog::Readings readings() const;
    void showState(const QString &text);

    RunLog m_log;
    PumpLink &m_link;
    Dialogs &m_dialogs;
    QString m_stateText;
    QString m_commandNote;
};
