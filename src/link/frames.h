#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

// Frames are 9 ASCII characters in both directions: "Q", a two-digit pump number, a letter,
// a 4-character data field, "Y". No length byte, no checksum, no line ending.
namespace Frames {

constexpr int frameLength = 9;

inline const QString runFrame = QStringLiteral("Q00R0000Y");
inline const QString stopFrame = QStringLiteral("Q00S0000Y");
inline const QString pollFrame = QStringLiteral("Q00F0000Y");

// The fields of the setpoint frames.
QString pumpNumberField(qint16 pumpNumber); // "00"
QString flowField(double flow);             // "0000"
QString pressureField(double pressure);     // "00.0"

// The two values the operator sets on the pump. The keypad and the dialogs both read this table.
enum class Setpoint { Flow, Pressure };
struct SetpointRule
{
    char letter;
    double limit; // the largest value the pump is given
    QString (*dataField)(double);
};
const SetpointRule &rule(Setpoint setpoint);
// The setpoint a frame letter sets ('L', 'P'), if any.
std::optional<Setpoint> setpointOf(QChar letter);

// "Q" + pump number field + letter + data field + "Y". The builders check no widths: an
// out-of-range value gives a longer text, which the sending side refuses to write.
QString setpointFrame(Setpoint setpoint, qint16 pumpNumber, double value);
inline QString flowFrame(qint16 pumpNumber, double flow)
{
    return setpointFrame(Setpoint::Flow, pumpNumber, flow);
}
inline QString pressureFrame(qint16 pumpNumber, double pressure)
{
    return setpointFrame(Setpoint::Pressure, pumpNumber, pressure);
}

} // namespace Frames

// What an accepted reply shows, and where.
struct Reply
{
    enum class Target { None, CurrentPressure, SetPressure, SetFlow };

    QChar letter;
    QString data;                        // the 4 characters of the data field
    QString pump = QStringLiteral("00"); // the pump number field

    // The frame as it was received.
    QString frame() const { return QLatin1Char('Q') + pump + letter + data + QLatin1Char('Y'); }

    Target target() const;
    QString caption() const { return captionOf(target(), data); } // what the target label shows
    // The caption a data field of `target` gives: the set pressure shows a point in place of
    // its third character.
    static QString captionOf(Target target, const QString &data);
};
Q_DECLARE_METATYPE(Reply)

// Cuts the byte stream from the pump into replies. A read may hold several frames, part of one,
// or line noise: bytes up to the next "Q" are dropped, a 9-byte run from a "Q" that ends in "Y"
// is a reply, and a run that does not is dropped from its "Q" on. An incomplete tail (at most 8
// bytes) waits for the next read.
class ReplyAssembler
{
public:
    // The replies completed by `bytes`, in arrival order.
    QList<Reply> feed(const QByteArray &bytes);

    int pendingBytes() const { return int(m_pending.size()); }
    // How many runs of bytes were dropped as not being a reply.
    qint64 rejectedCount() const { return m_rejected; }

private:
    QByteArray m_pending;
    qint64 m_rejected = 0;
    bool m_dropping = false;
};
