#include "keypadentry.h"

#include "dialogs.h"
#include "framesender.h"
#include "numbers.h"

#include <QLabel>

KeypadEntry::KeypadEntry(State state, Labels labels, FrameSender &sender, Dialogs &dialogs)
    : m_state(state)
    , m_labels(labels)
    , m_sender(sender)
    , m_dialogs(dialogs)
{}

void KeypadEntry::Cmdl_Click()
{
    if (m_state.lq == 1 || m_state.pr == 1)
        return;
    m_state.lq = 1;
    m_labels.LsetF->setText(QString());
    m_labels.LSetState->setText(QStringLiteral("Lset"));
}

void KeypadEntry::Cmdp_Click()
{
    if (m_state.pr == 1 || m_state.lq == 1)
        return;
    m_state.pr = 1;
    m_labels.LsetP->setText(QString());
    m_labels.LSetState->setText(QStringLiteral("Pset"));
}

void KeypadEntry::Cmd0_Click(qint16)
{
    typeDigit('0');
}

void KeypadEntry::typeDigit(char digit)
{
    const QChar c = QLatin1Char(digit);
    if (m_state.lq == 1)
        m_labels.LsetF->setText(m_labels.LsetF->text() + c);
    if (m_state.pr == 1)
        m_labels.LsetP->setText(m_labels.LsetP->text() + c);
    if (m_state.lq == 1 && m_labels.LsetF->text().size() == 3)
        endFlowEntry();
    if (m_state.pr == 1) {
        const qsizetype length = m_labels.LsetP->text().size();
        if (length == 2)
            m_labels.LsetP->setText(m_labels.LsetP->text() + QLatin1Char('.'));
        else if (length == 4)
            endPressureEntry();
    }
}

bool KeypadEntry::isTypingInto(Reply::Target target) const
{
    return (target == Reply::Target::SetFlow && m_state.lq == 1) ||
           (target == Reply::Target::SetPressure && m_state.pr == 1);
}

void KeypadEntry::endFlowEntry()
{
    endEntry(m_state.lq, m_labels.LsetF, flowLimit, "流量设定错误", QLatin1Char('L'),
             &Frames::flowField);
}

void KeypadEntry::endPressureEntry()
{
    endEntry(m_state.pr, m_labels.LsetP, pressureLimit, "压力设定错误", QLatin1Char('P'),
             &Frames::pressureField);
}

void KeypadEntry::endEntry(qint16 &mode, QLabel *field, double limit, const char *refusal,
                           QChar letter, QString (*dataField)(double))
{
    mode = 0; // the entry is over, whatever comes of it
    // The field holds the digits typed (and the point), so this always converts.
    const double value = textToDouble(field->text()).value_or(0);
    if (value > limit) {
        m_dialogs.messageBox(QString::fromUtf8(refusal), QString::fromUtf8("设定错误"));
        return;
    }
    m_state.setliqstr =
        Frames::pumpNumberField(m_state.Set_Pump_NO) + letter + dataField(value) + QLatin1Char('Y');
    if (!m_sender.send(QLatin1Char('Q') + m_state.setliqstr))
        return;
    m_labels.LSetState->setText(QString());
}
