#pragma once

#include <QString>

class Dialogs;
class FrameSender;

// The menu 设定(S): flow and pressure sent through input boxes with pump number "00", and the
// pump number that the keypad's frames carry. Any failure ends a dialog silently.
class SetpointDialogs
{
public:
    struct State
    {
        double &setliq;
        double &setpresure;
        qint16 &Set_Pump_NO;
    };

    SetpointDialogs(State state, FrameSender &sender, Dialogs &dialogs);

    void liquid_Click();
    void pressure_Click();
    void Pump_NO_Click();

private:
    struct Setpoint
    {
        const char *firstLine;
        const char *secondLine;
        const char *title;
        const char *preset;
        double limit;
        const char *refusal;
        char letter;
        QString (*dataField)(double);
    };
    void askSetpoint(const Setpoint &setpoint, double &stored);

    State m_state;
    FrameSender &m_sender;
    Dialogs &m_dialogs;
};
