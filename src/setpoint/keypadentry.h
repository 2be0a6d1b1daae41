#pragma once

#include "captions.h"
#include "frames.h"

#include <QString>

#include <optional>

class Dialogs;
class FrameSender;
class Journal;
class PumpNumber;

// Typing a set flow or set pressure on the keypad. L or P starts an entry, the digit keys type
// straight into the set-flow or set-pressure caption, and the entry ends by itself on its last
// digit: the value is sent with the pump number, or refused when it is above its limit.
class KeypadEntry
{
public:
    enum class Mode { Idle, Flow, Pressure };

    KeypadEntry(Captions &readouts, const PumpNumber &pumpNumber, FrameSender &sender,
                Dialogs &dialogs);

    void Cmdl_Click();
    void Cmdp_Click();
    // The digit keys; the up and down arrows type "0" as the key 0 does.
    void typeDigit(char digit);

    Mode mode() const { return m_mode; }
    // 1 while a flow entry, or a pressure entry, is in progress.
    qint16 lq() const { return m_mode == Mode::Flow; }
    qint16 pr() const { return m_mode == Mode::Pressure; }
    // The caption being typed into, if any: a reply must not overwrite it.
    std::optional<Readout> entryField() const;
    // Where refused entries are noted.
    void setJournal(Journal *journal) { m_journal = journal; }

private:
    void startEntry(Mode mode, Readout field, const QString &state);
    void endEntry(Frames::Setpoint setpoint, Readout field, const char *refusal);

    Mode m_mode = Mode::Idle;
    Captions &m_readouts;
    const PumpNumber &m_pumpNumber;
    FrameSender &m_sender;
    Dialogs &m_dialogs;
    Journal *m_journal = nullptr;
};
