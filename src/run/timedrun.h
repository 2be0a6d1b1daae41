#pragma once

#include <QtGlobal>

#include <array>

class Dialogs;
class FrameSender;
class QLabel;
class QTimer;

// A run of a set number of minutes under 定时(T): Timer1 counts the seconds in tset, the elapsed
// time shows in the top-left corner, and the stop frame goes out when the time is up.
class TimedRun
{
public:
    // tset is a 16-bit count of seconds, so no run may last longer than this.
    static constexpr qint16 countLimit = 32767;
    static constexpr double longestMinutes = countLimit / 60.0; // 546.1166…

    struct State
    {
        qint16 &tset;
        double &timeset;
    };
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

    TimedRun(State state, Display display, QTimer *Timer1, FrameSender &sender, Dialogs &dialogs);

    void stset_Click();
    void ststart_Click();
    void stzanting_Click();
    void stcontiune_Click();
    void stend_Click();
    void Timer1_Timer();

private:
    void setDisplayVisible(bool visible);

    State m_state;
    Display m_display;
    QTimer *m_Timer1;
    FrameSender &m_sender;
    Dialogs &m_dialogs;
};
