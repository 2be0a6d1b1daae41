#include "runjournal.h"

#include "dialogs.h"
#include "messages.h"
#include "numbers.h"
#include "pumplink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

RunJournal::RunJournal(const QString &folder, PumpLink &link, Dialogs &dialogs, QObject *parent)
    : QObject(parent)
    , m_log(folder)
    , m_link(link)
    , m_dialogs(dialogs)
{
    // The link tells a reply, then what it confirmed or flagged: the rows come in that order.
    connect(&m_link, &PumpLink::replyAccepted, this,
            [this](const Reply &reply) { note(QStringLiteral("reply"), reply.frame()); });
    connect(&m_link, &PumpLink::setpointEvent, this, &RunJournal::onSetpointEvent);
    connect(&m_link, &PumpLink::frameSent, this, &RunJournal::onFrameSent);
    connect(&m_link, &PumpLink::silenceStarted, this, [this] {
        note(QStringLiteral("silent"), QCoreApplication::translate("RunJournal", "%1 秒没有应答")
                                           .arg(secondsText(LinkStatus::silenceLimit)));
    });
    connect(&m_link, &PumpLink::silenceEnded, this, [this](qint64 silentFor) {
        note(QStringLiteral("answering"),
             QCoreApplication::translate("RunJournal", "%1 秒没有应答后恢复")
                 .arg(secondsText(silentFor)));
    });
    connect(&m_link, &PumpLink::linkLost, this, [this](const QString &reason) {
        note(QStringLiteral("lost"),
             QCoreApplication::translate("RunJournal", "串口 %1 的设备已断开（%2）")
                 .arg(m_link.device(), reason));
    });
    connect(&m_link, &PumpLink::reconnected, this, [this](qint64 downFor) {
        note(QStringLiteral("reconnected"),
             QCoreApplication::translate("RunJournal", "%1，断开 %2 秒")
                 .arg(m_link.device(), secondsText(downFor)));
    });

    connect(&m_log, &RunLog::fileStarted, this, [this](const QString &path, bool) {
        showState(QCoreApplication::translate("RunJournal", "运行记录 %1")
                      .arg(QFileInfo(path).fileName()));
    });
    connect(&m_log, &RunLog::writeFailed, this, [this](const QString &reason) {
        showState(QCoreApplication::translate("RunJournal", "运行记录无法写入"));
        // Once per failure, after the event that found it has been handled.
        QMetaObject::invokeMethod(
            this,
            [this, reason] {
                m_dialogs.messageBox(Messages::runLogFailed(m_log.folder(), reason),
                                     Messages::runLogTitle());
            },
            Qt::QueuedConnection);
    });
    connect(&m_log, &RunLog::writingResumed, this, [this](int late, int dropped) {
        showState(
            Messages::runLogResumed(QFileInfo(m_log.currentFile()).fileName(), late, dropped));
    });
    showState(QCoreApplication::translate("RunJournal", "运行记录：打开串口后开始"));
}

RunJournal::~RunJournal()
{
    // The last row is written without telling the status bar, which may be gone by now.
    disconnect(&m_log, nullptr, this, nullptr);
    m_log.stop(QCoreApplication::translate("RunJournal", "程序结束"));
}

void RunJournal::portOpened(const QString &device)
{
    m_log.start();
    // The program's version says what the columns mean: from 2.1 on, what the pump reported.
    note(QStringLiteral("opened"),
         QCoreApplication::translate("RunJournal", "串口 %1，9600,n,8,1（pumppanel %2）")
             .arg(device, QStringLiteral(PUMPPANEL_VERSION)));
}

void RunJournal::portClosed(const QString &why)
{
    m_log.stop(why);
}

void RunJournal::note(const QString &event, const QString &detail)
{
    m_log.record(event, detail, readings());
}

void RunJournal::onSetpointEvent(const SetpointWatch::Event &event)
{
    switch (event.kind) {
    case SetpointWatch::Event::Kind::Confirmed:
        note(QStringLiteral("confirmed"), Messages::setpointNews(event));
        break;
    case SetpointWatch::Event::Kind::Unconfirmed:
        note(QStringLiteral("unconfirmed"), Messages::setpointNews(event));
        break;
    case SetpointWatch::Event::Kind::Changed:
        note(QStringLiteral("differs"), QCoreApplication::translate("RunJournal", "重新连接后 ") +
                                            Messages::setpointNews(event));
        break;
    case SetpointWatch::Event::Kind::SentElsewhere:
        break; // the command row names the pump
    }
}

void RunJournal::onFrameSent(const QString &frame)
{
    if (frame == Frames::pollFrame)
        return; // the replies are logged; a poll every 1.5 s would only double the rows
    QString detail = frame;
    const std::optional<Frames::Setpoint> setpoint =
        frame.size() == Frames::frameLength ? Frames::setpointOf(frame.at(3)) : std::nullopt;
    if (setpoint) {
        const bool flow = *setpoint == Frames::Setpoint::Flow;
        // The old value is the one the pump last reported.
        const PumpState::Reported &reported = m_link.pumpState().reported(
            flow ? PumpState::Value::SetFlow : PumpState::Value::SetPressure);
        detail += QStringLiteral(" %1 %2 -> %3")
                      .arg(flow ? QStringLiteral("set_flow") : QStringLiteral("set_pressure"),
                           reported.data, frame.mid(4, 4));
        if (frame.mid(1, 2) != QLatin1String("00"))
            detail += QCoreApplication::translate("RunJournal", "（泵 %1）").arg(frame.mid(1, 2));
    }
    if (const PumpState::OwedStop *owed = m_link.paying()) {
        detail +=
            QCoreApplication::translate("RunJournal", " 未送达的停止命令，自 %1 起欠下，晚了 %2 秒")
                .arg(owed->sinceTime.toString(QStringLiteral("HH:mm:ss")),
                     secondsText(m_link.clockNow() - owed->since));
    }
    if (!m_commandNote.isEmpty())
        detail += QLatin1Char(' ') + m_commandNote;
    note(QStringLiteral("command"), detail);
}

RunLog::Readings RunJournal::readings() const
{
    const PumpState &pump = m_link.pumpState();
    auto reported = [&pump](PumpState::Value value) { return pump.reported(value).data; };
    return {reported(PumpState::Value::CurrentPressure), reported(PumpState::Value::SetPressure),
            reported(PumpState::Value::SetFlow), pump.runText()};
}

void RunJournal::showState(const QString &text)
{
    m_stateText = text;
    emit stateTextChanged(text);
}
