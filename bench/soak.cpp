// A long run of the real window and link against the simulated pump at the highest rate the
// line allows, cycling through the pump's fault modes. Prints frames sent, replies accepted and
// rejected, and memory at the start and the end.
#include "benchsupport.h"
#include "form1.h"
#include "paneldriver.h"
#include "pumplink.h"
#include "qtpumpport.h"
#include "simulatedpump.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double minutes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 1;
    const QString pumpsim = QStringLiteral(PUMPSIM_PATH);
    const QString link = QDir::temp().filePath(
        QStringLiteral("pumppanel-soak-%1").arg(QCoreApplication::applicationPid()));

    // The real window and serial port; nothing is printed and no user file is written.
    QtPumpPort port;
    PanelDriver panel(port);
    Form1 &form = panel.form();
    SimulatedPump pump(pumpsim, link);

    // 9600 baud carries 960 bytes a second: 35 three-frame answers (945 bytes).
    const QStringList flood = {"--flood", "35"};
    const QList<QStringList> modes = {
        {},
        {"--garbage", "5"},
        {"--pieces", "3", "--piece-gap", "3"},
        {"--drop-every", "3"},
        {"--delay", "400"},
        {"--hang-up-after", "10"},
    };
    const qint64 total = qint64(minutes * 60000);
    const qint64 phase = std::clamp<qint64>(total / 12, 5000, 60000);

    QElapsedTimer clock;
    clock.start();
    long pumpFrames = 0;
    long memoryStart = -1;
    int phases = 0;
    const double cpuStart = cpuSeconds();
    while (clock.elapsed() < total) {
        const QStringList &mode = modes[phases % modes.size()];
        if (!pump.start(flood + mode))
            return 1;
        // A pump that has hung up is opened again by the same answer.
        panel.openPort(link);
        QEventLoop wait;
        QTimer::singleShot(std::min(phase, total - clock.elapsed()), &wait, &QEventLoop::quit);
        wait.exec();
        pump.stop();
        const long answers = pump.answersSent();
        if (answers > 0)
            pumpFrames += answers * 3;
        QCoreApplication::processEvents(); // the hang-up of the stopped pump
        if (memoryStart < 0)
            memoryStart = residentKilobytes(); // after the first phase, once everything is loaded
        ++phases;
        std::printf("phase %d (%s): accepted %lld so far, resident %ld kB\n", phases,
                    mode.isEmpty() ? "clean" : qPrintable(mode.join(QLatin1Char(' '))),
                    static_cast<long long>(form.link()->status().repliesAccepted),
                    residentKilobytes());
        std::fflush(stdout);
    }
    const LinkStatus status = form.link()->status();
    const double seconds = clock.elapsed() / 1000.0;
    std::printf("soak: %.0f s, %d phases\n", seconds, phases);
    std::printf("frames sent by the panel: %lld\n", static_cast<long long>(status.framesSent));
    std::printf("frames sent by the pump:  %ld\n", pumpFrames);
    std::printf("replies accepted:         %lld (%.3f %% of the pump's)\n",
                static_cast<long long>(status.repliesAccepted),
                pumpFrames > 0 ? 100.0 * double(status.repliesAccepted) / double(pumpFrames) : 0);
    std::printf("replies rejected:         %lld\n", static_cast<long long>(status.repliesRejected));
    std::printf("readings stored:          %d\n", form.records().saveprcout());
    std::printf("messages shown:           %lld (link losses)\n",
                static_cast<long long>(panel.dialogs().messages.size()));
    std::printf("memory: %ld kB after the first phase, %ld kB at the end\n", memoryStart,
                residentKilobytes());
    std::printf("cpu: %.1f %% of one core\n", 100.0 * (cpuSeconds() - cpuStart) / seconds);
    return 0;
}
