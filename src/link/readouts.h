#pragma once

#include "frames.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

// The five captions the panel shows its values in: the three numbers the pump reports, the
// keypad's entry state and the run state the keys set.
enum class Readout { CurrentPressure, SetPressure, SetFlow, EntryState, RunState };

// What the readouts show. The window puts each caption into its label; the keypad types into the
// set-flow and set-pressure captions, which serve as its entry fields.
class ReadoutView : public QObject
{
    Q_OBJECT
public:
    ReadoutView();

    QString caption(Readout readout) const { return m_captions[index(readout)]; }
    void setCaption(Readout readout, const QString &caption);

    // Shows what an accepted reply reports, except in the field the keypad is typing into:
    // the next poll brings that value again once the entry is over.
    void showReply(const Reply &reply, std::optional<Readout> typedInto);

    static std::optional<Readout> readoutOf(Reply::Target target);

signals:
    void captionChanged(Readout readout, const QString &caption);

private:
    static std::size_t index(Readout readout) { return std::size_t(readout); }

    std::array<QString, 5> m_captions;
};
