// Arbitrary bytes, cut into arbitrary pieces, through the receive path: the link, the labels
// and the trend. Whatever arrives, the panel must accept exactly the frames a plain scan of the
// whole stream finds, however the pieces fall, and keep its state within bounds.
#include "fakecommcontrol.h"
#include "fuzzsupport.h"
#include "picturebox.h"
#include "pressuretrend.h"
#include "pumplink.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApplication();
    if (size < 1)
        return 0;
    // The first byte chooses how the rest is cut into pieces.
    const unsigned pattern = data[0];
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    static QLabel *LcurrP = new QLabel;
    static QLabel *LsetP = new QLabel;
    static QLabel *LsetF = new QLabel;
    static PictureBox *box = [] {
        auto *picture = new PictureBox;
        picture->setGeometry(40, 312, 665, 145);
        picture->setScale(QPointF(0, 2), QPointF(100, -0.8));
        return picture;
    }();
    LcurrP->setText(QStringLiteral("00.0"));
    box->Cls();
    qint16 itime = 0;
    std::array<double, 103> plotpr{};
    PressureTrend trend(itime, plotpr, LcurrP, box);

    FakeCommControl port;
    QTimer timer;
    PumpLink link(&port, &timer);
    check(link.open(QStringLiteral("1")).outcome == PumpLink::OpenOutcome::Opened);

    QList<Reply> shown;
    QObject::connect(&link, &PumpLink::replyAccepted, &link, [&](const Reply &reply) {
        check(reply.data.size() == 4);
        switch (reply.target()) {
        case Reply::Target::CurrentPressure:
            LcurrP->setText(reply.caption());
            break;
        case Reply::Target::SetPressure:
            LsetP->setText(reply.caption());
            check(LsetP->text().size() == 4 && LsetP->text().at(2) == QLatin1Char('.'));
            break;
        case Reply::Target::SetFlow:
            LsetF->setText(reply.caption());
            break;
        case Reply::Target::None:
            break;
        }
        trend.step();
        check(itime >= 0 && itime < 100);
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
    check(port.rThreshold() >= 1 && port.rThreshold() <= 9);
    return 0;
}
