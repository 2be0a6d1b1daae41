#include "timedrun.h"

#include "dialogs.h"
#include "frames.h"
#include "framesender.h"
#include "journal.h"
#include "numbers.h"

#include <QCoreApplication>
#include <QLabel>

TimedRun::TimedRun(Display display, FrameSender &sender, Dialogs &dialogs)
    : m_display(display)
    , m_sender(sender)
    , m_dialogs(dialogs)
{
    m_Timer1.setObjectName(QStringLiteral("Timer1"));
    m_Timer1.setInterval(1000);
    QObject::connect(&m_Timer1, &QTimer::timeout, &m_Timer1, [this] { Timer1_Timer(); });
}

void TimedRun::stset_Click()
{
    const QString typed = m_dialogs.inputBox(
        QCoreApplication::translate("TimedRun", "请输入设定时间 单位 分 "),
        QCoreApplication::translate("TimedRun", "时间设定"), QStringLiteral("0"));
    const std::optional<double> minutes = textToDouble(typed);
    if (!minutes)
        return; // Cancel, or not a number: the duration stays as it was
    if (*minutes * 60.0 > countLimit) {
        noteTo(m_journal, QStringLiteral("refused"),
               QCoreApplication::translate("TimedRun", "时间设定：%1").arg(typed));
        m_dialogs.messageBox(
            QCoreApplication::translate("TimedRun",
                                        "时间设定错误!\r\n最长定时为 546.1 分（9 时 6 分 7 秒）。"),
            QCoreApplication::translate("TimedRun", "错误"));
        return;
    }
    m_timeset = *minutes;
}

// A run whose run frame did not go out has not started: no count, and no stop frame later that
// nobody asked for.
void TimedRun::ststart_Click()
{
    if (refused(QCoreApplication::translate("TimedRun", "开始")) ||
        !m_sender.send(Frames::runFrame))
        return;
    m_tset = 0;
    m_Timer1.start();
    setDisplayVisible(true);
    noteTo(m_journal, QStringLiteral("timed-start"),
           QCoreApplication::translate("TimedRun", "定时 %1 分").arg(QString::number(m_timeset)));
}

void TimedRun::stzanting_Click()
{
    m_Timer1.stop();
    m_sender.send(Frames::stopFrame);
    noteTo(m_journal, QStringLiteral("timed-pause"), elapsedText());
}

void TimedRun::pauseByTrip()
{
    if (!m_Timer1.isActive())
        return;
    m_Timer1.stop();
    noteTo(m_journal, QStringLiteral("timed-pause"),
           QCoreApplication::translate("TimedRun", "压力保护跳闸，") + elapsedText());
}

void TimedRun::stcontiune_Click()
{
    if (refused(QCoreApplication::translate("TimedRun", "继续")) ||
        !m_sender.send(Frames::runFrame))
        return;
    m_Timer1.start();
    noteTo(m_journal, QStringLiteral("timed-resume"), elapsedText());
}

void TimedRun::stend_Click()
{
    noteTo(m_journal, QStringLiteral("timed-end"), elapsedText());
    m_timeset = 0;
    m_Timer1.stop();
    if (!m_sender.send(Frames::stopFrame))
        return;
    setDisplayVisible(false);
}

void TimedRun::Timer1_Timer()
{
    if (m_tset < countLimit)
        ++m_tset;
    const int seconds = m_tset;
    m_display.lhour->setText(QString::number(seconds / 3600));
    m_display.lmin->setText(QString::number(seconds % 3600 / 60));
    m_display.lsed->setText(QString::number(seconds % 60));

    if (double(m_tset) >= m_timeset * 60.0 || m_tset == countLimit) {
        // The run ends here even when the stop frame cannot go out (a lost port): a timer left
        // running would try, and tell the operator, again every second.
        noteTo(m_journal, QStringLiteral("timed-done"), elapsedText());
        m_Timer1.stop();
        m_tset = 0;
        m_sender.send(Frames::stopFrame);
    }
}

bool TimedRun::refused(const QString &command)
{
    const QString why = m_refusal ? m_refusal() : QString();
    if (why.isEmpty())
        return false;
    noteTo(m_journal, QStringLiteral("refused"),
           QCoreApplication::translate("TimedRun", "定时 %1：%2").arg(command, why));
    m_dialogs.messageBox(why, QCoreApplication::translate("TimedRun", "定时"));
    return true;
}

QString TimedRun::elapsedText() const
{
    return QCoreApplication::translate("TimedRun", "已运行 %1 秒，定时 %2 分")
        .arg(m_tset)
        .arg(QString::number(m_timeset));
}

void TimedRun::setDisplayVisible(bool visible)
{
    for (QLabel *label : {m_display.lhour, m_display.lmin, m_display.lsed, m_display.Label1,
                          m_display.Label2, m_display.Label3})
        label->setVisible(visible);
}
