#include "setpointdialogs.h"

#include "dialogs.h"
#include "frames.h"
#include "framesender.h"
#include "keypadentry.h"
#include "numbers.h"

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString errorTitle = QString::fromUtf8("错误");

} // namespace

SetpointDialogs::SetpointDialogs(State state, FrameSender &sender, Dialogs &dialogs)
    : m_state(state)
    , m_sender(sender)
    , m_dialogs(dialogs)
{}

void SetpointDialogs::liquid_Click()
{
    askSetpoint({"请输入您需要的流量 单位 ml/min ", "流量范围为1—200ml/min", "流量设定", "0",
                 KeypadEntry::flowLimit, "流量设定错误!", 'L', &Frames::flowField},
                m_state.setliq);
}

void SetpointDialogs::pressure_Click()
{
    askSetpoint({"请输入您需要保护压 单位 MPa", "压力设定范围为0—2.0MPa", "压力设定", "2",
                 KeypadEntry::pressureLimit, "压力设定错误!", 'P', &Frames::pressureField},
                m_state.setpresure);
}

void SetpointDialogs::askSetpoint(const Setpoint &setpoint, double &stored)
{
    const QString prompt =
        QString::fromUtf8(setpoint.firstLine) + crlf + QString::fromUtf8(setpoint.secondLine);
    const std::optional<double> answer = textToDouble(m_dialogs.inputBox(
        prompt, QString::fromUtf8(setpoint.title), QLatin1String(setpoint.preset)));
    if (!answer)
        return; // Cancel, or not a number
    stored = *answer;
    // A negative value has no place in the frame's data field.
    if (stored > setpoint.limit || stored < 0) {
        m_dialogs.messageBox(QString::fromUtf8(setpoint.refusal), errorTitle);
        return;
    }
    m_sender.send(QStringLiteral("Q00") + QLatin1Char(setpoint.letter) +
                  setpoint.dataField(stored) + QLatin1Char('Y'));
}

void SetpointDialogs::Pump_NO_Click()
{
    const std::optional<qint16> answer =
        textToInt16(m_dialogs.inputBox(QString::fromUtf8("请输入要控制泵的编号 "),
                                       QString::fromUtf8("编号设定"), QStringLiteral("0")));
    if (!answer)
        return;
    // The frame has two digits for the pump number.
    if (*answer < 0 || *answer > 99) {
        m_dialogs.messageBox(QString::fromUtf8("泵编号设定错误!"), errorTitle);
        return;
    }
    m_state.Set_Pump_NO = *answer;
}
