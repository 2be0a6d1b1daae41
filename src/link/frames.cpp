#include "frames.h"

#include "numbers.h"

namespace Frames {

QString pumpNumberField(qint16 pumpNumber)
{
    return formatPattern(pumpNumber, 2, 0);
}

QString flowField(double flow)
{
    return formatPattern(flow, 4, 0);
}

QString pressureField(double pressure)
{
    return formatPattern(pressure, 2, 1);
}

const SetpointRule &rule(Setpoint setpoint)
{
    static const SetpointRule flow{'L', 200, &flowField};       // ml/min
    static const SetpointRule pressure{'P', 2, &pressureField}; // MPa
    return setpoint == Setpoint::Flow ? flow : pressure;
}

std::optional<Setpoint> setpointOf(QChar letter)
{
    for (const Setpoint setpoint : {Setpoint::Flow, Setpoint::Pressure}) {
        if (letter == QLatin1Char(rule(setpoint).letter))
            return setpoint;
    }
    return std::nullopt;
}

QString setpointFrame(Setpoint setpoint, qint16 pumpNumber, double value)
{
    const SetpointRule &setpointRule = rule(setpoint);
    return QLatin1Char('Q') + pumpNumberField(pumpNumber) + QLatin1Char(setpointRule.letter) +
           setpointRule.dataField(value) + QLatin1Char('Y');
}

} // namespace Frames

Reply::Target Reply::target() const
{
    switch (letter.unicode()) {
    case 'N':
        return Target::CurrentPressure;
    case 'P':
        return Target::SetPressure;
    case 'L':
        return Target::SetFlow;
    default:
        return Target::None;
    }
}

QString Reply::captionOf(Target target, const QString &data)
{
    // The set pressure always shows a point in place of its third data character.
    if (target == Target::SetPressure && !data.isEmpty())
        return data.left(2) + QLatin1Char('.') + data.mid(3, 1);
    return data;
}

QList<Reply> ReplyAssembler::feed(const QByteArray &bytes)
{
    m_pending.append(bytes);
    QList<Reply> replies;
    // A run of dropped bytes counts once as a rejected reply, however long it is.
    auto drop = [this] {
        if (!m_dropping)
            ++m_rejected;
        m_dropping = true;
    };
    qsizetype at = 0;
    while (at < m_pending.size()) {
        const qsizetype start = m_pending.indexOf('Q', at);
        if (start < 0) {
            drop(); // noise with no frame start in it
            at = m_pending.size();
            break;
        }
        if (start > at)
            drop();
        if (m_pending.size() - start < Frames::frameLength) {
            at = start; // an incomplete frame: keep it for the next read
            break;
        }
        if (m_pending.at(start + Frames::frameLength - 1) == 'Y') {
            const QByteArray frame = m_pending.mid(start, Frames::frameLength);
            replies.append(Reply{QLatin1Char(frame.at(3)), QString::fromLatin1(frame.mid(4, 4)),
                                 QString::fromLatin1(frame.mid(1, 2))});
            m_dropping = false;
            at = start + Frames::frameLength;
        } else {
            drop(); // not a frame after all; the next start may lie inside it
            at = start + 1;
        }
    }
    m_pending.remove(0, at);
    return replies;
}
