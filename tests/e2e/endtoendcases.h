#pragma once

#include <QString>

class PanelDriver;

// What the end-to-end tests on Linux and on Windows both check, the real window and serial link
// against the simulated pump: only the way to the pump differs, and the test chooses it by the
// answer it gives the port prompt (the pump's pseudo-terminal link on Linux, "1" for COM1 under
// Wine). A case records its failures in the test function that calls it and returns at the
// first; the caller ends there too, or goes on with checks of its own.
class EndToEndCases
{
public:
    // `answer` opens the port `device`; the pump behind it is running.
    EndToEndCases(PanelDriver &panel, const QString &answer, const QString &device);

    // Opens the port as the operator does and stops the poll timer: the cases make each poll
    // themselves, and the timer would add polls of its own.
    void openPanel();
    // One poll and the pump's answer to it, three replies, shown.
    bool pollOnce();

    // After the port opens, a poll shows the pump's numbers and stores a reading.
    void opensAndShowsThePump();
    // A flow typed on the keypad and values answered in the 设定(S) dialogs reach the pump,
    // which reports them back.
    void setpointsReachThePump();
    // RUN raises the pressure towards the set pressure and STOP lets it fall; every
    // current-pressure reply is stored.
    void runAndStop();

private:
    PanelDriver &m_panel;
    QString m_answer;
    QString m_device;
};
