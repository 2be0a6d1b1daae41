#pragma once

#include <QString>

// The five captions the panel shows its values in: the three numbers the pump reports, the
// keypad's entry state and the run state the keys set.
enum class Readout { CurrentPressure, SetPressure, SetFlow, EntryState, RunState };

// Where the keypad types and the run keys show what they did. The window's readout view holds
// the captions; the keypad uses the set-flow and set-pressure captions as its entry fields.
class Captions
{
public:
    virtual ~Captions() = default;
    virtual QString caption(Readout readout) const = 0;
    virtual void setCaption(Readout readout, const QString &caption) = 0;
};
