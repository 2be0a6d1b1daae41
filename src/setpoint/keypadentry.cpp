#include "keypadentry.h"

#include "dialogs.h"
#include "framesender.h"
#include "journal.h"
#include "numbers.h"
#include "pumpnumber.h"
#include <QCoreApplication>

KeypadEntry::KeypadEntry(Captions &readouts, const PumpNumber &pumpNumber, FrameSender &sender,
                         Dialogs &dialogs)
    : m_readouts(readouts)
    , m_pumpNumber(pumpNumber)
    , m_sender(sender)
    , m_dialogs(dialogs)
{}

void KeypadEntry::Cmdl_Click()
{
    startEntry(Mode::Flow, Readout::SetFlow, QStringLiteral("Lset"));
}

void KeypadEntry::Cmdp_Click()
{
    startEntry(Mode::Pressure, Readout::SetPressure, QStringLiteral("Pset"));
}

void KeypadEntry::startEntry(Mode mode, Readout field, const QString &state)
{
    // An entry in progress is neither restarted nor cancelled.
    if (m_mode != Mode::Idle)
        return;
    m_mode = mode;
    m_readouts.setCaption(field, QString());
    m_readouts.setCaption(Readout::EntryState, state);
}

void KeypadEntry::typeDigit(char digit)
{
    const std::optional<Readout> field = entryField();
    if (!field)
        return;
    const QString typed = m_readouts.caption(*field) + QLatin1Char(digit);
    m_readouts.setCaption(*field, typed);
    if (m_mode == Mode::Flow) {
        if (typed.size() == 3)
            endEntry(Frames::Setpoint::Flow, Readout::SetFlow,
                     QT_TRANSLATE_NOOP("KeypadEntry", "流量设定错误"));
        return;
    }
    if (typed.size() == 2)
        m_readouts.setCaption(*field, typed + QLatin1Char('.'));
    else if (typed.size() == 4)
        endEntry(Frames::Setpoint::Pressure, Readout::SetPressure,
                 QT_TRANSLATE_NOOP("KeypadEntry", "压力设定错误"));
}

std::optional<Readout> KeypadEntry::entryField() const
{
    switch (m_mode) {
    case Mode::Flow:
        return Readout::SetFlow;
    case Mode::Pressure:
        return Readout::SetPressure;
    case Mode::Idle:
        break;
    }
    return std::nullopt;
}

void KeypadEntry::endEntry(Frames::Setpoint setpoint, Readout field, const char *refusal)
{
    m_mode = Mode::Idle; // the entry is over, whatever comes of it
    // The field holds the digits typed (and the point), so this always converts.
    const double value = textToDouble(m_readouts.caption(field)).value_or(0);
    if (value > Frames::rule(setpoint).limit) {
        noteTo(m_journal, QStringLiteral("refused"),
               QCoreApplication::translate("KeypadEntry", "键盘 %1 %2")
                   .arg(setpoint == Frames::Setpoint::Flow
                            ? QCoreApplication::translate("KeypadEntry", "流量")
                            : QCoreApplication::translate("KeypadEntry", "压力"),
                        m_readouts.caption(field)));
        m_dialogs.messageBox(QCoreApplication::translate("KeypadEntry", refusal),
                             QCoreApplication::translate("KeypadEntry", "设定错误"));
        return;
    }
    if (!m_sender.send(Frames::setpointFrame(setpoint, m_pumpNumber.Set_Pump_NO(), value)))
        return;
    m_readouts.setCaption(Readout::EntryState, QString());
}
