#pragma once

#include "frames.h"

#include <QString>

class Dialogs;
class FrameSender;
class Journal;
class PumpNumber;

// The menu 设定(S): flow and pressure sent through input boxes with pump number "00", and the
// pump number that the keypad's frames carry. Cancel and answers that are not numbers end a
// dialog quietly, keeping the values stored before.
class SetpointDialogs
{
public:
    SetpointDialogs(PumpNumber &pumpNumber, FrameSender &sender, Dialogs &dialogs);

    void liquid_Click();
    void pressure_Click();
    void Pump_NO_Click();

    // The flow and the pressure last answered in their dialogs, sent or refused.
    double setliq() const { return m_setliq; }
    double setpresure() const { return m_setpresure; }
    // Where refused answers are noted.
    void setJournal(Journal *journal) { m_journal = journal; }

private:
    struct Prompt
    {
        const char *firstLine;
        const char *secondLine;
        const char *title;
        const char *preset;
        const char *refusal;
    };
    void askSetpoint(Frames::Setpoint setpoint, const Prompt &prompt, double &stored);

    double m_setliq = 0;
    double m_setpresure = 0;
    PumpNumber &m_pumpNumber;
    FrameSender &m_sender;
    Dialogs &m_dialogs;
    Journal *m_journal = nullptr;
};
