#pragma once

#include "frames.h"

#include <QString>

class Dialogs;
class FrameSender;
class QLabel;

// Typing a set flow or set pressure on the keypad. L or P starts an entry, the digit keys type
// straight into the caption of LsetF or LsetP, and the entry ends by itself on its last digit:
// the value is sent with the pump number, or refused when it is above its limit.
class KeypadEntry
{
public:
    static constexpr double flowLimit = 200;   // ml/min
    static constexpr double pressureLimit = 2; // MPa

    struct State
    {
        qint16 &lq;
        qint16 &pr;
        const qint16 &Set_Pump_NO;
        QString &setliqstr;
    };
    struct Labels
    {
        QLabel *LsetF;
        QLabel *LsetP;
        QLabel *LSetState;
    };

    KeypadEntry(State state, Labels labels, FrameSender &sender, Dialogs &dialogs);

    void Cmdl_Click();
    void Cmdp_Click();
    // The three keys of the Cmd0 group (0, up arrow, down arrow) all type "0".
    void Cmd0_Click(qint16 index);
    void typeDigit(char digit);

    // Whether a reply for `target` would overwrite the field an entry is typing into.
    bool isTypingInto(Reply::Target target) const;

private:
    void endFlowEntry();
    void endPressureEntry();
    void endEntry(qint16 &mode, QLabel *field, double limit, const char *refusal, QChar letter,
                  QString (*dataField)(double));

    State m_state;
    Labels m_labels;
    FrameSender &m_sender;
    Dialogs &m_dialogs;
};
