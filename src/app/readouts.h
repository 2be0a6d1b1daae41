#pragma once

#include "captions.h"
#include "frames.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

class PumpState;

// What the readouts show. The window puts each caption into its label; the keypad types into the
// set-flow and set-pressure captions, which serve as its entry fields; the pump's values come
// from its state as the link last updated it.
class ReadoutView : public QObject, public Captions
{
    Q_OBJECT
public:
    ReadoutView();

    QString caption(Readout readout) const override { return m_captions[index(readout)]; }
    void setCaption(Readout readout, const QString &caption) override;

    // Shows what the pump reports for `target` now, except in the field the keypad is typing
    // into: the next poll brings that value again once the entry is over.
    void showReported(Reply::Target target, const PumpState &state,
                      std::optional<Readout> typedInto);

    static std::optional<Readout> readoutOf(Reply::Target target);

signals:
    void captionChanged(Readout readout, const QString &caption);

private:
    static std::size_t index(Readout readout) { return std::size_t(readout); }

    std::array<QString, 5> m_captions;
};
