#pragma once

#include <QTimer>
#include <QtGlobal>

#include <functional>

class Dialogs;
class FrameSender;
class Journal;
class QLabel;

// A run of a set number of minutes under 定时(T): Timer1 counts the seconds in tset, the elapsed
// time shows in the top-left corner, and the stop frame goes out when the time is up.
class TimedRun
{
public:
    // tset is a 16-bit count of seconds, so no run may last longer than this.
    static constexpr qint16 countLimit = 32767;
    static constexpr double longestMinutes = countLimit / 60.0; // 546.1166…

    struct Display
    {
        QLabel *lhour;
        QLabel *lmin;
        QLabel *lsed;
        // The unit labels 时, 分 and 秒.
        QLabel *Label1;
        QLabel *Label2;
        QLabel *Label3;
    };

    TimedRun(Display display, FrameSender &sender, Dialogs &dialogs);

    void stset_Click();
    void ststart_Click();
    void stzanting_Click();
    void stcontiune_Click();
    void stend_Click();
    // One second of the run, as Timer1 counts it.
    void Timer1_Timer();

    // The pressure protection stopped the pump: the count stops as 暂停 stops it, without a
    // stop frame of its own (the trip sent one). 继续 goes on from here.
    void pauseByTrip();
    bool isCounting() const { return m_Timer1.isActive(); }

    qint16 tset() const { return m_tset; }
    double timeset() const { return m_timeset; }
    QTimer *Timer1() { return &m_Timer1; }
    // What keeps a run from starting (开始, 继续), in words; empty when nothing does.
    void setRefusal(std::function<QString()> refusal) { m_refusal = std::move(refusal); }
    // Where the steps of a run and refused durations are noted.
    void setJournal(Journal *journal) { m_journal = journal; }

private:
    void setDisplayVisible(bool visible);
    bool refused(const QString &command);
    QString elapsedText() const;

    qint16 m_tset = 0;    // elapsed seconds
    double m_timeset = 0; // length of the run, minutes
    Display m_display;
    QTimer m_Timer1;
    FrameSender &m_sender;
    Dialogs &m_dialogs;
    Journal *m_journal = nullptr;
    std::function<QString()> m_refusal;
};
