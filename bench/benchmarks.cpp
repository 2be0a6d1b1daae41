// The panel's measurements, each against a floor measured in the same run:
//   benchmarks latency FRAMES     reply latency, pseudo-terminal write to label, vs a bare read
//   benchmarks flood SECONDS      replies at 10 x the line's rate: loss, CPU, memory
//   benchmarks idle SECONDS       polling a silent pump: CPU, vs a bare event loop with a timer
//   benchmarks records            saving 1,000,000 values, vs a plain printf("%.15g") loop
//   benchmarks silence RUNS       last reply to the red light, against the 3.0 s limit
//   benchmarks reconnect RUNS     a device that comes back to its first reply shown
//   benchmarks away SECONDS       a device that stays away: CPU and memory of the reconnecting
#include "benchsupport.h"
#include "form1.h"
#include "linkwatch.h"
#include "paneldriver.h"
#include "pseudoterminal.h"
#include "pumplink.h"
#include "qtpumpport.h"
#include "recordstore.h"
#include "simulatedpump.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

// The real window and serial port; nothing is printed and no user file is written.
struct Panel
{
    QtPumpPort port;
    PanelDriver driver{port};
    Form1 &form = driver.form();
};

void runFor(qint64 milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(fraction * double(values.size())))];
}

// Microseconds from each write on the master to `arrived` being called, one frame at a time.
std::vector<double> measureLatency(PseudoTerminal &pump, int frames, bool &arrivedFlag)
{
    std::vector<double> latencies;
    latencies.reserve(std::size_t(frames));
    QElapsedTimer clock;
    for (int i = 0; i < frames; ++i) {
        char frame[16];
        std::snprintf(frame, sizeof frame, "Q00N%02d.%dY", i / 10 % 100, i % 10);
        arrivedFlag = false;
        clock.start();
        pump.write(QByteArray(frame, 9));
        while (!arrivedFlag)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        latencies.push_back(clock.nsecsElapsed() / 1000.0);
    }
    return latencies;
}

int latency(int frames)
{
    // The floor: the same pseudo-terminal read by nothing but a socket notifier.
    PseudoTerminal bare;
    const int fd =
        ::open(bare.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    bool arrived = false;
    QByteArray pending;
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0)
            pending.append(buffer, got);
        if (pending.size() >= 9) {
            pending.remove(0, 9);
            arrived = true;
        }
    });
    const std::vector<double> floor = measureLatency(bare, frames, arrived);
    notifier.setEnabled(false);
    ::close(fd);

    PseudoTerminal pump;
    Panel panel;
    if (!panel.driver.openPort(pump.slavePath()))
        return 1;
    panel.driver.stopPolling(); // no polls in the way
    QLabel *LcurrP = panel.driver.label(QStringLiteral("LcurrP"));
    QString expected;
    // Connected after the window's own handler, so it runs once the label shows the value.
    QObject::connect(panel.form.link(), &PumpLink::replyAccepted,
                     [&](const Reply &reply) { arrived = LcurrP->text() == reply.caption(); });
    const std::vector<double> shown = measureLatency(pump, frames, arrived);

    const double median = percentile(shown, 0.5), p99 = percentile(shown, 0.99);
    const double floorMedian = percentile(floor, 0.5), floorP99 = percentile(floor, 0.99);
    std::printf(
        "latency: %d frames, write to label: median %.0f us, p99 %.0f us (target p99 < 1000 us)\n",
        frames, median, p99);
    std::printf(
        "latency: floor (bare read): median %.0f us, p99 %.0f us; ratio median %.2f, p99 %.2f\n",
        floorMedian, floorP99, median / floorMedian, p99 / floorP99);
    return 0;
}

int flood(int seconds)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("pump"));
    // 9600 baud carries at most 960 / 9 = 106.7 frames a second; ten times that is 1067 frames,
    // about 356 three-frame answers.
    SimulatedPump pump(QStringLiteral(PUMPSIM_PATH), link);
    if (!pump.start({"--flood", "356"}))
        return 1;
    Panel panel;
    if (!panel.driver.openPort(link))
        return 1;
    runFor(2000); // settle
    const long memoryStart = residentKilobytes();
    const qint64 acceptedStart = panel.form.link()->status().repliesAccepted;
    const double cpuStart = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    runFor(seconds * 1000);
    const double cpu = 100.0 * (cpuSeconds() - cpuStart) / (clock.elapsed() / 1000.0);
    const long memoryEnd = residentKilobytes();
    pump.stop();
    const long pumpFrames = pump.answersSent() * 3;
    runFor(200);
    const LinkStatus status = panel.form.link()->status();
    std::printf(
        "flood: %d s at ~1067 frames/s: pump sent %ld frames, panel accepted %lld, rejected %lld, "
        "lost %lld\n",
        seconds, pumpFrames, static_cast<long long>(status.repliesAccepted),
        static_cast<long long>(status.repliesRejected),
        static_cast<long long>(pumpFrames - status.repliesAccepted));
    std::printf(
        "flood: cpu %.2f %% of one core (target < 10 %%); memory %ld kB -> %ld kB (%+ld kB; "
        "readings stored %d)\n",
        cpu, memoryStart, memoryEnd, memoryEnd - memoryStart, panel.form.records().saveprcout());
    std::printf("flood: accepted during the measured %d s: %lld\n", seconds,
                static_cast<long long>(status.repliesAccepted - acceptedStart));
    return 0;
}

int idle(int seconds)
{
    // The floor: an event loop with a 1.5 s timer and nothing else.
    double floor = 0;
    {
        QTimer timer;
        timer.start(1500);
        const double start = cpuSeconds();
        runFor(seconds * 1000);
        floor = 100.0 * (cpuSeconds() - start) / seconds;
    }
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("pump"));
    SimulatedPump pump(QStringLiteral(PUMPSIM_PATH), link);
    if (!pump.start({"--silent"}))
        return 1;
    Panel panel;
    if (!panel.driver.openPort(link))
        return 1;
    const double start = cpuSeconds();
    runFor(seconds * 1000);
    const double cpu = 100.0 * (cpuSeconds() - start) / seconds;
    pump.stop();
    std::printf("idle: %d s polling a silent pump: cpu %.3f %% of one core (target < 0.5 %%); "
                "floor %.3f %%; %lld polls sent\n",
                seconds, cpu, floor,
                static_cast<long long>(panel.form.link()->status().framesSent));
    return 0;
}

int records()
{
    RecordStore store;
    for (int i = 0; i < RecordStore::capacity; ++i)
        store.append((i * 7 % 2001) / 1000.0 - (i % 97 == 0 ? 0.5 : 0));
    QTemporaryDir dir;

    // The floor: the same values, written with printf("%.15g") straight to a file.
    QElapsedTimer clock;
    clock.start();
    const QByteArray floorPath = dir.filePath(QStringLiteral("floor.txt")).toLocal8Bit();
    std::FILE *file = std::fopen(floorPath.constData(), "w");
    for (int i = 1; i <= store.saveprcout(); ++i) {
        std::fprintf(file, "%.15g ", store.saveprdata(i));
        if (i % 5 == 0)
            std::fputs("\r\n", file);
    }
    std::fclose(file);
    const double floor = clock.nsecsElapsed() / 1e6;

    clock.restart();
    QtRecordFile recordFile(dir.filePath(QStringLiteral("mytext.txt")));
    QString error;
    const bool written = recordFile.write(recordFileText(store), &error);
    const double panel = clock.nsecsElapsed() / 1e6;

    // The same file, by the rules, one value at a time, to check the bytes.
    QByteArray expected;
    char number[40];
    for (int i = 1; i <= store.saveprcout(); ++i) {
        const double value = store.saveprdata(i);
        std::snprintf(number, sizeof number, "%.15G", value < 0 ? -value : value);
        const char *digits = number[0] == '0' && number[1] == '.' ? number + 1 : number;
        expected += (value < 0 ? "-" : " ") + QByteArray(digits) + " ";
        if (i % 5 == 0)
            expected += "\r\n";
    }
    QFile saved(recordFile.path());
    saved.open(QIODevice::ReadOnly);
    const bool identical = written && saved.readAll() == expected;
    std::printf("records: save of 1,000,000 values %.0f ms, printf loop %.0f ms, ratio %.2f "
                "(target <= 1.00); file %s the rules\n",
                panel, floor, panel / floor, identical ? "byte-identical to" : "DIFFERS from");
    return identical ? 0 : 1;
}

// Milliseconds from the last accepted reply to the red light, with the real timers: the pump
// answers the first poll, then nothing.
int silence(int runs)
{
    std::vector<double> delays;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("pump"));
        SimulatedPump pump(QStringLiteral(PUMPSIM_PATH), link);
        if (!pump.start({"--mute-after", "1"}))
            return 1;
        Panel panel;
        PumpLink *pumpLink = panel.form.link();
        QElapsedTimer clock;
        clock.start();
        qint64 lastReply = -1;
        qint64 red = -1;
        QObject::connect(pumpLink, &PumpLink::replyAccepted,
                         [&](const Reply &) { lastReply = clock.nsecsElapsed(); });
        // Connected after the window's own watch, so the light has changed when this runs.
        QObject::connect(pumpLink, &PumpLink::silenceStarted, [&] {
            if (panel.form.linkWatch().light() == LinkWatch::Light::Red)
                red = clock.nsecsElapsed();
        });
        if (!panel.driver.openPort(link))
            return 1;
        QElapsedTimer limit;
        limit.start();
        while (red < 0 && limit.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        if (red < 0 || lastReply < 0)
            return 1;
        delays.push_back((red - lastReply) / 1e6);
    }
    std::printf("silence: last reply to red light over %d runs: median %.1f ms, max %.1f ms "
                "(goal <= 3100 ms)\n",
                runs, percentile(delays, 0.5), *std::max_element(delays.begin(), delays.end()));
    return 0;
}

// Milliseconds from starting the pump again (its device and link appear) to the first reply
// the panel accepts from it, the pump coming back at different points of the 2 s retry round.
int reconnect(int runs)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("pump"));
    SimulatedPump pump(QStringLiteral(PUMPSIM_PATH), link);
    if (!pump.start())
        return 1;
    Panel panel;
    PumpLink *pumpLink = panel.form.link();
    if (!panel.driver.openPort(link))
        return 1;
    QElapsedTimer clock;
    clock.start();
    qint64 firstReply = -1;
    QObject::connect(pumpLink, &PumpLink::replyAccepted, [&](const Reply &) {
        if (firstReply < 0)
            firstReply = clock.nsecsElapsed();
    });
    std::vector<double> delays;
    for (int run = 0; run < runs; ++run) {
        pump.stop(); // the device goes away
        QElapsedTimer limit;
        limit.start();
        while (pumpLink->status().state != LinkStatus::State::Reconnecting &&
               limit.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        runFor(300 + run * 2000 / runs); // away for a while, back at another point of the round
        firstReply = -1;
        const qint64 back = clock.nsecsElapsed();
        if (!pump.start())
            return 1;
        limit.restart();
        while (firstReply < 0 && limit.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (firstReply < 0)
            return 1;
        delays.push_back((firstReply - back) / 1e6);
    }
    std::printf("reconnect: device back to first reply over %d runs: median %.0f ms, max %.0f ms "
                "(goal <= 2500 ms)\n",
                runs, percentile(delays, 0.5), *std::max_element(delays.begin(), delays.end()));
    return 0;
}

// A device that goes away and stays away: the panel tries every 2 s. CPU against a bare event
// loop with a 2 s timer, and memory sampled every 10 s.
int away(int seconds)
{
    double floor = 0;
    {
        QTimer timer;
        timer.start(2000);
        const double start = cpuSeconds();
        runFor(std::min(seconds, 60) * 1000);
        floor = 100.0 * (cpuSeconds() - start) / std::min(seconds, 60);
    }
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("pump"));
    SimulatedPump pump(QStringLiteral(PUMPSIM_PATH), link);
    if (!pump.start())
        return 1;
    Panel panel;
    if (!panel.driver.openPort(link))
        return 1;
    pump.stop();
    runFor(3000);
    if (panel.form.link()->status().state != LinkStatus::State::Reconnecting)
        return 1;
    const long memoryStart = residentKilobytes();
    long memoryMax = memoryStart;
    const double start = cpuSeconds();
    for (int elapsed = 0; elapsed < seconds; elapsed += 10) {
        runFor(std::min(10, seconds - elapsed) * 1000);
        memoryMax = std::max(memoryMax, residentKilobytes());
    }
    const double cpu = 100.0 * (cpuSeconds() - start) / seconds;
    const long memoryEnd = residentKilobytes();
    std::printf("away: %d s of a device that stays away, %d attempts: cpu %.3f %% of one core "
                "(goal < 0.5 %%; floor %.3f %%); memory %ld kB -> %ld kB, highest %ld kB\n",
                seconds, panel.form.link()->status().reconnectTries, cpu, floor, memoryStart,
                memoryEnd, memoryMax);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int amount = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
    if (what == QLatin1String("latency"))
        return latency(amount > 0 ? amount : 10000);
    if (what == QLatin1String("flood"))
        return flood(amount > 0 ? amount : 60);
    if (what == QLatin1String("idle"))
        return idle(amount > 0 ? amount : 60);
    if (what == QLatin1String("records"))
        return records();
    if (what == QLatin1String("silence"))
        return silence(amount > 0 ? amount : 5);
    if (what == QLatin1String("reconnect"))
        return reconnect(amount > 0 ? amount : 10);
    if (what == QLatin1String("away"))
        return away(amount > 0 ? amount : 600);
    std::fprintf(stderr,
                 "usage: benchmarks latency|flood|idle|records|silence|reconnect|away [AMOUNT]\n");
    return 2;
}
