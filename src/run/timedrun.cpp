#include "timedrun.h"

#include "dialogs.h"
#include "frames.h"
#include "framesender.h"
#include "numbers.h"

#include <QLabel>
#include <QTimer>

TimedRun::TimedRun(State state, Display display, QTimer *Timer1, FrameSender &sender,
                   Dialogs &dialogs)
    : m_state(state)
    , m_display(display)
    , m_Timer1(Timer1)
    , m_sender(sender)
    , m_dialogs(dialogs)
{}

void TimedRun::stset_Click()
{
    const std::optional<double> minutes =
        textToDouble(m_dialogs.inputBox(QString::fromUtf8("请输入设定时间 单位 分 "),
                                        QString::fromUtf8("时间设定"), QStringLiteral("0")));
    if (!minutes)
        return; // Cancel, or not a number: the duration stays as it was
    if (*minutes * 60.0 > countLimit) {
        m_dialogs.messageBox(
            QString::fromUtf8("时间设定错误!\r\n最长定时为 546.1 分（9 时 6 分 7 秒）。"),
            QString::fromUtf8("错误"));
        return;
    }
    m_state.timeset = *minutes;
}

// A run whose run frame did not go out has not started: no count, and no stop frame later that
// nobody asked for.
void TimedRun::ststart_Click()
{
    if (!m_sender.send(Frames::runFrame))
        return;
    m_state.tset = 0;
    m_Timer1->start();
    setDisplayVisible(true);
}

void TimedRun::stzanting_Click()
{
    m_Timer1->stop();
    m_sender.send(Frames::stopFrame);
}

void TimedRun::stcontiune_Click()
{
    if (!m_sender.send(Frames::runFrame))
        return;
    m_Timer1->start();
}

void TimedRun::stend_Click()
{
    m_state.timeset = 0;
    m_Timer1->stop();
    if (!m_sender.send(Frames::stopFrame))
        return;
    setDisplayVisible(false);
}

void TimedRun::Timer1_Timer()
{
    if (m_state.tset < countLimit)
        ++m_state.tset;
    const int seconds = m_state.tset;
    m_display.lhour->setText(QString::number(seconds / 3600));
    m_display.lmin->setText(QString::number(seconds % 3600 / 60));
    m_display.lsed->setText(QString::number(seconds % 60));

    if (double(m_state.tset) >= m_state.timeset * 60.0 || m_state.tset == countLimit) {
        // The run ends here even when the stop frame cannot go out (a lost port): a timer left
        // running would try, and tell the operator, again every second.
        m_Timer1->stop();
        m_state.tset = 0;
        m_sender.send(Frames::stopFrame);
    }
}

void TimedRun::setDisplayVisible(bool visible)
{
    for (QLabel *label : {m_display.lhour, m_display.lmin, m_display.lsed, m_display.Label1,
                          m_display.Label2, m_display.Label3})
        label->setVisible(visible);
}
