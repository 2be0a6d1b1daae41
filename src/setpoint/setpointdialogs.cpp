#include "setpointdialogs.h"

#include "dialogs.h"
#include "framesender.h"
#include "journal.h"
#include "numbers.h"
#include "pumpnumber.h"

#include <QCoreApplication>

namespace {

const QString crlf = QStringLiteral("\r\n");
QString errorTitle()
{
    return QCoreApplication::translate("SetpointDialogs", "错误");
}

} // namespace

SetpointDialogs::SetpointDialogs(PumpNumber &pumpNumber, FrameSender &sender, Dialogs &dialogs)
    : m_pumpNumber(pumpNumber)
    , m_sender(sender)
    , m_dialogs(dialogs)
{}

void SetpointDialogs::liquid_Click()
{
    askSetpoint(Frames::Setpoint::Flow,
                {QT_TRANSLATE_NOOP("SetpointDialogs", "请输入您需要的流量 单位 ml/min "),
                 QT_TRANSLATE_NOOP("SetpointDialogs", "流量范围为1—200ml/min"),
                 QT_TRANSLATE_NOOP("SetpointDialogs", "流量设定"), "0",
                 QT_TRANSLATE_NOOP("SetpointDialogs", "流量设定错误!")},
                m_setliq);
}

void SetpointDialogs::pressure_Click()
{
    askSetpoint(Frames::Setpoint::Pressure,
                {QT_TRANSLATE_NOOP("SetpointDialogs", "请输入您需要保护压 单位 MPa"),
                 QT_TRANSLATE_NOOP("SetpointDialogs", "压力设定范围为0—2.0MPa"),
                 QT_TRANSLATE_NOOP("SetpointDialogs", "压力设定"), "2",
                 QT_TRANSLATE_NOOP("SetpointDialogs", "压力设定错误!")},
                m_setpresure);
}

void SetpointDialogs::askSetpoint(Frames::Setpoint setpoint, const Prompt &prompt, double &stored)
{
    const QString text = QCoreApplication::translate("SetpointDialogs", prompt.firstLine) + crlf +
                         QCoreApplication::translate("SetpointDialogs", prompt.secondLine);
    const QString typed =
        m_dialogs.inputBox(text, QCoreApplication::translate("SetpointDialogs", prompt.title),
                           QLatin1String(prompt.preset));
    const std::optional<double> answer = textToDouble(typed);
    if (!answer)
        return; // Cancel, or not a number
    stored = *answer;
    // A negative value has no place in the frame's data field.
    if (stored > Frames::rule(setpoint).limit || stored < 0) {
        noteTo(m_journal, QStringLiteral("refused"),
               QCoreApplication::translate("SetpointDialogs", "%1：%2")
                   .arg(QCoreApplication::translate("SetpointDialogs", prompt.title), typed));
        m_dialogs.messageBox(QCoreApplication::translate("SetpointDialogs", prompt.refusal),
                             errorTitle());
        return;
    }
    // The dialogs always address pump 00.
    m_sender.send(Frames::setpointFrame(setpoint, 0, stored));
}

void SetpointDialogs::Pump_NO_Click()
{
    const QString typed = m_dialogs.inputBox(
        QCoreApplication::translate("SetpointDialogs", "请输入要控制泵的编号 "),
        QCoreApplication::translate("SetpointDialogs", "编号设定"), QStringLiteral("0"));
    const std::optional<qint16> answer = textToInt16(typed);
    if (!answer)
        return;
    if (*answer < 0 || *answer > PumpNumber::largest) {
        noteTo(m_journal, QStringLiteral("refused"),
               QCoreApplication::translate("SetpointDialogs", "编号设定：%1").arg(typed));
        m_dialogs.messageBox(QCoreApplication::translate("SetpointDialogs", "泵编号设定错误!"),
                             errorTitle());
        return;
    }
    m_pumpNumber.set(*answer);
}
