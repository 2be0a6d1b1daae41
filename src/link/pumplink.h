#pragma once

#include "commcontrol.h"
#include "frames.h"
#include "framesender.h"

#include <QObject>
#include <QStringList>

class QTimer;

// The link to the pump: opening the port from the operator's answer, the status poll on
// Timer2, the one place frames are written, and cutting what arrives into replies.
class PumpLink : public QObject, public FrameSender
{
    Q_OBJECT
public:
    static constexpr int pollInterval = 1500; // ms
    inline static const QString lineSettings = QStringLiteral("9600,n,8,1");

    enum class OpenOutcome { Opened, Cancelled, InvalidPort, OpenFailed, SettingsRefused };
    struct OpenResult
    {
        OpenOutcome outcome = OpenOutcome::Cancelled;
        QString device;
        CommControl::OpenFailure failure = CommControl::OpenFailure::None;
        QString reason;
        QStringList availablePorts; // filled when opening failed
    };

    PumpLink(CommControl *MSComm1, QTimer *Timer2, QObject *parent = nullptr);

    // Opens the port an answer to the port prompt names and sets it up; an open port is closed
    // first. Does not start the poll.
    OpenResult open(const QString &answer);
    void startPoll();

    bool send(const QString &frame) override;
    Failure lastFailure() const override { return m_lastFailure; }

    void Timer2_Timer();
    void MSComm1_OnComm();

    CommControl *MSComm1() const { return m_MSComm1; }

signals:
    // Each accepted reply, in arrival order.
    void replyAccepted(const Reply &reply);
    // The port failed while open; it is closed and the poll stopped.
    void linkLost(const QString &reason);

private:
    void onPortLost(const QString &reason);

    CommControl *m_MSComm1;
    QTimer *m_Timer2;
    ReplyAssembler m_assembler;
    Failure m_lastFailure = Failure::None;
};
