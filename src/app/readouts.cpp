#include "readouts.h"

#include "pumpstate.h"

ReadoutView::ReadoutView()
    : m_captions{QStringLiteral("00.0"), QStringLiteral("02.0"), QStringLiteral("000"), QString(),
                 QStringLiteral("     STOP")}
{}

void ReadoutView::setCaption(Readout readout, const QString &caption)
{
    m_captions[index(readout)] = caption;
    emit captionChanged(readout, caption);
}

void ReadoutView::showReported(Reply::Target target, const PumpState &state,
                               std::optional<Readout> typedInto)
{
    const std::optional<PumpState::Value> value = PumpState::valueOf(target);
    const std::optional<Readout> readout = readoutOf(target);
    if (value && readout != typedInto)
        setCaption(*readout, state.caption(*value));
}

std::optional<Readout> ReadoutView::readoutOf(Reply::Target target)
{
    const std::optional<PumpState::Value> value = PumpState::valueOf(target);
    if (!value)
        return std::nullopt;
    switch (*value) {
    case PumpState::Value::CurrentPressure:
        return Readout::CurrentPressure;
    case PumpState::Value::SetPressure:
        return Readout::SetPressure;
    case PumpState::Value::SetFlow:
        return Readout::SetFlow;
    }
    Q_UNREACHABLE();
}
