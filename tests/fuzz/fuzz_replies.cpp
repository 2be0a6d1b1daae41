// Arbitrary bytes, cut into arbitrary pieces, through the receive path: the link, the readouts
// and the trend. Whatever arrives, the panel must accept exactly the frames a plain scan of the
// whole stream finds, however the pieces fall, and keep its state within bounds.
#include "fakepumpport.h"
#include "fuzzsupport.h"
#include "picturebox.h"
#include "pressuretrend.h"
#include "pumplink.h"
#include "readouts.h"

#include <QApplication>

#include <cstdint>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApplication();
    if (size < 1)
        return 0;
    // The first byte chooses how the rest is cut into pieces, and its top bits the field the
    // keypad is typing into meanwhile, if any.
    const unsigned pattern = data[0];
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const std::optional<Readout> typedInto = [pattern]() -> std::optional<Readout> {
        switch (pattern >> 6) {
        case 1:
            return Readout::SetFlow;
        case 2:
            return Readout::SetPressure;
        default:
            return std::nullopt;
        }
    }();

    static PictureBox *box = [] {
        auto *picture = new PictureBox;
        picture->setGeometry(40, 312, 665, 145);
        return picture;
    }();
    box->Cls();
    PressureTrend trend(box);
    ReadoutView readouts;
    const QString typedCaption = typedInto ? readouts.caption(*typedInto) : QString();

    FakePumpPort port;
    PumpLink link(&port);
    check(link.open(QStringLiteral("1")).outcome == PumpLink::OpenOutcome::Opened);

    QList<Reply> shown;
    QObject::connect(&link, &PumpLink::replyAccepted, &link, [&](const Reply &reply) {
        check(reply.data.size() == 4);
        // As the window shows a reply.
        readouts.showReported(reply.target(), link.pumpState(), typedInto);
        const std::optional<Readout> target = ReadoutView::readoutOf(reply.target());
        if (target && target == typedInto)
            check(readouts.caption(*target) == typedCaption);
        else if (target)
            check(readouts.caption(*target) == reply.caption());
        if (target == Readout::SetPressure && target != typedInto) {
            const QString caption = readouts.caption(Readout::SetPressure);
            check(caption.size() == 4 && caption.at(2) == QLatin1Char('.'));
        }
        trend.step(readouts.caption(Readout::CurrentPressure));
        check(trend.itime() >= 0 && trend.itime() < PressureTrend::positions);
        shown.append(reply);
    });

    qsizetype at = 0;
    unsigned step = pattern;
    while (at < stream.size()) {
        const qsizetype piece = qsizetype(step % 13 + 1);
        port.deliver(stream.mid(at, piece));
        at += piece;
        step = step * 1103515245u + 12345u;
    }

    ReplyAssembler whole;
    const QList<Reply> expected = whole.feed(stream);
    check(shown.size() == expected.size());
    for (qsizetype i = 0; i < shown.size(); ++i)
        check(shown[i].letter == expected[i].letter && shown[i].data == expected[i].data);
    check(shown.size() <= stream.size() / 9);
    check(link.status().repliesAccepted == shown.size());
    if (typedInto)
        check(readouts.caption(*typedInto) == typedCaption);
    return 0;
}
