// Every dialog answer an operator could type, through the conversions and checks: the flow,
// pressure and pump-number dialogs, the duration of a timed run and the port box. Nothing may
// crash, no frame may leave that is not exactly 9 characters of the right shape, and what is
// stored stays within its limits.
#include "fakedialogs.h"
#include "fakepumpport.h"
#include "fakesender.h"
#include "fuzzsupport.h"
#include "numbers.h"
#include "portname.h"
#include "pumplink.h"
#include "pumpnumber.h"
#include "setpointdialogs.h"
#include "timedrun.h"

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApplication();
    const QString answer = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    if (const std::optional<double> value = textToDouble(answer)) {
        check(std::isfinite(*value));
        const QString flow = formatPattern(*value, 4, 0);
        const QString pressure = formatPattern(*value, 2, 1);
        check(flow.size() >= 4 && pressure.size() >= 4);
    }
    if (const std::optional<qint16> number = textToInt16(answer))
        check(textToDouble(answer).has_value());

    static const QRegularExpression setpointFrame(QStringLiteral("^Q00(L\\d{4}|P\\d\\d\\.\\d)Y$"));
    PumpNumber pumpNumber;
    pumpNumber.set(5);
    FakeSender sender;
    FakeDialogs dialogs;
    SetpointDialogs setpoints(pumpNumber, sender, dialogs);
    dialogs.answers = QStringList{answer, answer, answer};
    setpoints.liquid_Click();
    setpoints.pressure_Click();
    setpoints.Pump_NO_Click();
    for (const QString &frame : std::as_const(sender.sent))
        check(setpointFrame.match(frame).hasMatch());
    check(pumpNumber.Set_Pump_NO() >= 0 && pumpNumber.Set_Pump_NO() <= PumpNumber::largest);

    QLabel labels[6];
    TimedRun run({&labels[0], &labels[1], &labels[2], &labels[3], &labels[4], &labels[5]}, sender,
                 dialogs);
    dialogs.answers = QStringList{answer};
    run.stset_Click();
    check(run.timeset() * 60.0 <= TimedRun::countLimit);

    FakePumpPort port;
    PumpLink link(&port);
    const PumpLink::OpenResult opened = link.open(answer);
    check((opened.outcome == PumpLink::OpenOutcome::Opened) ==
          (!answer.isEmpty() && portDeviceName(answer).has_value()));
    return 0;
}
