// The panel's measurements, each against a floor measured in the same run:
//   benchmarks latency FRAMES     reply latency, pseudo-terminal write to label, vs a bare read
//   benchmarks flood SECONDS      replies at 10 x the line's rate: loss, CPU, memory
//   benchmarks idle SECONDS       polling a silent pump: CPU, vs a bare event loop with a timer
//   benchmarks records            saving 1,000,000 values, vs a plain printf("%.15g") loop
//   benchmarks silence RUNS       last reply to the red light, against the 3.0 s limit
//   benchmarks reconnect RUNS     a device that comes back to its first reply shown
//   benchmarks away SECONDS       a device that stays away: CPU and memory of the reconnecting
//   benchmarks logcost SECONDS    the run log at the flood rate: latency p99 and CPU, with and
//                                 without it
//   benchmarks logsize POLLS      the run log's bytes per hour at the normal poll rate
//   benchmarks killtest RUNS      kill -9 during a flood: every row up to the last accepted
//                                 reply is in the file and the chain verifies
//   benchmarks limits RUNS        the pressure limits: tripping reply on the line to STOP back on
//                                 it; 10,000 single spikes and 1,000 sustained excursions
//   benchmarks program SECONDS    a 12-step, one-hour program at 120 times the wall's pace: each
//                                 step at the pump against its plan; CPU with and without one
//   benchmarks history ROWS       the history window on a run log of ROWS replies: open to drawn,
//                                 redraws at 1920 px, memory; live rows; reply latency with it open
#include "alarmbanner.h"
#include "alarmlist.h"
#include "benchsupport.h"
#include "fakepumpport.h"
#include "form1.h"
#include "historyplot.h"
#include "historywindow.h"
#include "linkwatch.h"
#include "monotonic.h"
#include "paneldriver.h"
#include "pressureguard.h"
#include "programrunner.h"
#include "pseudoterminal.h"
#include "pumplink.h"
#include "qtpumpport.h"
#include "recordstore.h"
#include "runfiles.h"
#include "runjournal.h"
#include "runlog.h"
#include "runlogformat.h"
#include "simulatedpump.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
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

// The simulated pump on a link in a temporary folder of its own.
struct LinkedPump
{
    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("pump"));
    SimulatedPump pump{QStringLiteral(PUMPSIM_PATH), link};

    // Starts the pump with `options` and opens the panel's port on it.
    bool open(Panel &panel, const QStringList &options = {})
    {
        return start(options) && panel.driver.openPort(link);
    }
    bool start(const QStringList &options = {}) { return pump.start(options); }
    void stop() { pump.stop(); }
    long answersSent() const { return pump.answersSent(); }
};

void runFor(qint64 milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Handles events until `done` or `limit` ms have passed; whether it is done.
bool runUntil(const std::function<bool()> &done, qint64 limit, int slice = 50)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limit)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, slice);
    return done();
}

// The share of one core this process uses while its event loop runs for `milliseconds`.
double cpuPercentOver(qint64 milliseconds)
{
    const double start = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    runFor(milliseconds);
    return 100.0 * (cpuSeconds() - start) / (clock.elapsed() / 1000.0);
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
    if (!panel.driver.openPort(pump.slavePath(), PanelDriver::Polling::ByTest))
        return 1;
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
    // 9600 baud carries at most 960 / 9 = 106.7 frames a second; ten times that is 1067 frames,
    // about 356 three-frame answers.
    LinkedPump pump;
    Panel panel;
    if (!pump.open(panel, {"--flood", "356"}))
        return 1;
    runFor(2000); // settle
    const long memoryStart = residentKilobytes();
    const qint64 acceptedStart = panel.form.link()->status().repliesAccepted;
    const double cpu = cpuPercentOver(seconds * 1000);
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
    LinkedPump pump;
    Panel panel;
    if (!pump.open(panel, {"--silent"}))
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
        LinkedPump pump;
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
        if (!panel.driver.openPort(pump.link))
            return 1;
        runUntil([&] { return red >= 0; }, 10000, 100);
        if (red < 0 || lastReply < 0)
            return 1;
        delays.push_back((red - lastReply) / 1e6);
    }
    std::printf("silence: last reply to red light over %d runs: median %.1f ms, max %.1f ms "
                "(goal <= 3100 ms)\n",
                runs, percentile(delays, 0.5), *std::max_element(delays.begin(), delays.end()));
    return 0;
}

// The pump's device goes away until the panel is reconnecting, `whileAway` runs (false: give
// up), and after a while the pump starts again, at another point of the 2 s retry round each
// run. The clock's reading when it started again, or -1.
qint64 awayAndBack(
    LinkedPump &pump, PumpLink &link, const QElapsedTimer &clock, int run, int runs,
    const std::function<bool()> &whileAway = [] { return true; })
{
    pump.stop();
    runUntil([&] { return link.status().state == LinkStatus::State::Reconnecting; }, 5000);
    if (!whileAway())
        return -1;
    runFor(300 + run * 2000 / runs);
    const qint64 back = clock.nsecsElapsed();
    return pump.start() ? back : -1;
}

// Milliseconds from starting the pump again (its device and link appear) to the first reply
// the panel accepts from it, the pump coming back at different points of the 2 s retry round.
int reconnect(int runs)
{
    LinkedPump pump;
    Panel panel;
    PumpLink *pumpLink = panel.form.link();
    if (!pump.open(panel))
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
        firstReply = -1;
        const qint64 back = awayAndBack(pump, *pumpLink, clock, run, runs);
        if (back < 0)
            return 1;
        runUntil([&] { return firstReply >= 0; }, 10000);
        if (firstReply < 0)
            return 1;
        delays.push_back((firstReply - back) / 1e6);
    }
    std::printf("reconnect: device back to first reply over %d runs: median %.0f ms, max %.0f ms "
                "(goal <= 2500 ms)\n",
                runs, percentile(delays, 0.5), *std::max_element(delays.begin(), delays.end()));
    return 0;
}

// A STOP pressed while the device is away is owed; milliseconds from the port opening again to
// the owed STOP written to the line and to the run log, and from the device's return to it.
int owedstop(int runs)
{
    LinkedPump pump;
    Panel panel;
    PumpLink *pumpLink = panel.form.link();
    if (!pump.open(panel))
        return 1;
    QElapsedTimer clock;
    clock.start();
    qint64 opened = -1;
    qint64 paid = -1;
    QObject::connect(pumpLink, &PumpLink::stateChanged, [&] {
        if (opened < 0 && pumpLink->status().state == LinkStatus::State::Open)
            opened = clock.nsecsElapsed();
    });
    // Connected after the window's run journal, so the row is written when this runs.
    QObject::connect(pumpLink, &PumpLink::frameSent, [&](const QString &) {
        if (paid < 0 && pumpLink->paying())
            paid = clock.nsecsElapsed();
    });
    std::vector<double> afterOpen;
    std::vector<double> afterReturn;
    for (int run = 0; run < runs; ++run) {
        if (!panel.driver.press({QStringLiteral("RUN")}))
            return 1;
        opened = paid = -1;
        const qint64 back = awayAndBack(pump, *pumpLink, clock, run, runs, [&] {
            return panel.driver.press({QStringLiteral("STOP")}) &&
                   pumpLink->pumpState().owedStop().owed;
        });
        if (back < 0)
            return 1;
        runUntil([&] { return paid >= 0; }, 10000);
        if (paid < 0 || opened < 0)
            return 1;
        afterOpen.push_back((paid - opened) / 1e6);
        afterReturn.push_back((paid - back) / 1e6);
    }
    std::printf(
        "owedstop: port open to owed STOP written over %d runs: median %.2f ms, max %.2f ms "
        "(goal <= 50 ms); device back to it: median %.0f ms, max %.0f ms\n",
        runs, percentile(afterOpen, 0.5), *std::max_element(afterOpen.begin(), afterOpen.end()),
        percentile(afterReturn, 0.5), *std::max_element(afterReturn.begin(), afterReturn.end()));
    return 0;
}

// A reading as the pump's data field carries it, to two decimals: "1.85".
QByteArray readingFrame(double mpa)
{
    char frame[16];
    std::snprintf(frame, sizeof frame, "Q00N%4.2fY", mpa);
    return QByteArray(frame, 9);
}

// The limits at work: the reply that trips, written on a pseudo-terminal, to the STOP frame
// read back from it, through the real port and window; then the rules over random spikes and
// excursions through the whole window on a fake port (every reading logged as in a run).
int limits(int runs)
{
    PseudoTerminal line;
    QtPumpPort linePort;
    QElapsedTimer clock;
    qint64 read = 0;
    qint64 stopWritten = 0;
    // Connected before the window is made, so it runs before the window reads the bytes.
    QObject::connect(&linePort, &PumpPort::received, [&] { read = clock.nsecsElapsed(); });
    PanelDriver panel(linePort);
    if (!panel.setLimits(QStringLiteral("1.80"), QString()) ||
        !panel.openPort(line.slavePath(), PanelDriver::Polling::ByTest))
        return 1;
    AlarmList &alarms = panel.form().alarms();
    QObject::connect(panel.form().link(), &PumpLink::frameSent, [&](const QString &frame) {
        if (frame == Frames::stopFrame)
            stopWritten = clock.nsecsElapsed();
    });
    std::vector<double> lineToLine;
    std::vector<double> readToStop;
    for (int run = 0; run < runs; ++run) {
        const qint64 before = panel.accepted();
        line.write("Q00N01.0Y"); // back within, so that the last trip can be reset
        if (!runUntil([&] { return panel.accepted() == before + 1; }, 2000))
            return 1;
        alarms.requestReset(PressureGuard::tripAlarm);
        if (!panel.form().guard().latchedText().isEmpty())
            return 1;
        line.readAvailable();
        QByteArray heard;
        clock.start();
        line.write("Q00N02.5Y");
        while (!heard.contains("Q00S0000Y") && clock.elapsed() < 2000) {
            QCoreApplication::processEvents();
            heard += line.readAvailable();
        }
        if (!heard.contains("Q00S0000Y"))
            return 1;
        lineToLine.push_back(clock.nsecsElapsed() / 1e6);
        readToStop.push_back((stopWritten - read) / 1e6);
    }
    std::printf(
        "limits: tripping reply on the line to STOP read back over %d runs: median %.2f "
        "ms, max %.2f ms (goal <= 5 ms); bytes read to STOP written: median %.3f ms, "
        "max %.3f ms\n",
        runs, percentile(lineToLine, 0.5), *std::max_element(lineToLine.begin(), lineToLine.end()),
        percentile(readToStop, 0.5), *std::max_element(readToStop.begin(), readToStop.end()));

    FakePumpPort port;
    PanelDriver driver(port);
    qint64 now = 0;
    driver.form().link()->setClock([&now] { return now; });
    if (!driver.setLimits(QStringLiteral("1.80"), QStringLiteral("0.20"), QStringLiteral("0")) ||
        !driver.openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest))
        return 1;
    driver.press({QStringLiteral("RUN")});
    auto deliver = [&](double mpa) {
        now += PumpLink::pollInterval;
        port.deliver(readingFrame(mpa));
    };
    deliver(1.0); // the first reading after opening is judged at once

    auto stops = [&] { return port.written.count(QByteArray(Frames::stopFrame.toLatin1())); };
    QRandomGenerator random(25);
    auto between = [&](double from, double to) {
        return from + (to - from) * random.generateDouble();
    };
    // Single readings beyond a limit, high or low at random levels short of the at-once margin,
    // each followed by one back within.
    const int spikes = 10000;
    for (int i = 0; i < spikes; ++i) {
        deliver(i % 2 ? between(1.81, 1.99) : between(0.0, 0.19));
        deliver(between(0.24, 1.76));
    }
    const qsizetype spikeTrips = stops();
    if (!driver.form().guard().latchedText().isEmpty())
        return 1; // a trip among the spikes would hide the rest
    // Excursions that last: two to six readings above, or four to eight below, then back
    // within, 复位 and RUN again.
    const int excursions = 1000;
    int oneEach = 0;
    for (int i = 0; i < excursions; ++i) {
        const qsizetype before = stops();
        const bool high = i % 2 == 0;
        const int length = high ? 2 + int(random.bounded(5)) : 4 + int(random.bounded(5));
        for (int k = 0; k < length; ++k)
            deliver(high ? between(1.81, 2.5) : between(0.0, 0.19));
        oneEach += stops() == before + 1 ? 1 : 0;
        deliver(1.0);
        driver.form().alarms().requestReset(PressureGuard::tripAlarm);
        driver.press({QStringLiteral("RUN")});
    }
    std::printf("limits: %d single-reading spikes at random levels: %lld trips (goal 0); %d "
                "sustained excursions: %lld trips, %d with exactly one (goal %d)\n",
                spikes, static_cast<long long>(spikeTrips), excursions,
                static_cast<long long>(stops() - spikeTrips), oneEach, excursions);
    return 0;
}

// Twelve five-minute steps, three of them ramps.
Method hourProgram()
{
    Method method;
    for (int i = 0; i < 12; ++i) {
        MethodStep step;
        step.name = QStringLiteral("step %1").arg(i + 1);
        step.duration = 5;
        step.unit = MethodStep::Unit::Minutes;
        step.flow = 20 + 15 * (i % 6);
        step.pressure = 1.0 + 0.1 * (i % 5);
        step.flowRamp = i % 4 == 3;
        method.steps << step;
    }
    return method;
}

// A program against the simulated pump: the one-hour program on a clock 120 times as fast as the
// wall's, every step's set flow at the pump against its planned time on the program's clock;
// then the panel's CPU over `seconds` while it polls, without and with a program running.
int program(int seconds)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("pump"));
    const QString logFile = dir.filePath(QStringLiteral("pump.log"));
    SimulatedPump pump(QStringLiteral(PUMPSIM_PATH), link, logFile);
    QtPumpPort port;
    PanelDriver panel(port);
    if (!pump.start() || !panel.openPort(link))
        return 1;
    constexpr double scale = 120;
    ProgramRunner &runner = panel.form().program();
    QElapsedTimer wall;
    wall.start();
    runner.setClock([&wall] { return qint64(double(wall.nsecsElapsed()) * scale / 1e6); }, scale);
    const Method method = hourProgram();
    const QList<PlannedStep> plan = method.plan(0, 2.0);
    if (!runner.start(method, QString(), method.toJson(), 0, 2.0))
        return 1;
    runUntil([&] { return !runner.isActive(); }, 60000);
    runFor(200);
    if (runner.isActive())
        return 1;
    // Each step sets its pressure once, at its start (none of them ramps it): the k-th set
    // pressure the pump hears is the k-th step's.
    std::vector<double> heard;
    for (const SimulatedPump::Logged &entry : pump.loggedTimes(QStringLiteral("recv"))) {
        if (entry.frame.startsWith(QLatin1String("Q00P")))
            heard.push_back(entry.seconds);
    }
    if (heard.size() != std::size_t(plan.size()))
        return 1;
    std::vector<double> departures;
    for (qsizetype k = 0; k < plan.size(); ++k)
        departures.push_back(
            std::abs((heard[std::size_t(k)] - heard[0]) * scale - plan[k].start / 1000.0));
    std::printf("program: 12 steps, one hour at 120 x the wall's pace: departure from the plan on "
                "the program's clock: median %.2f s, max %.2f s (goal <= 1.5 s)\n",
                percentile(departures, 0.5),
                *std::max_element(departures.begin(), departures.end()));

    runner.setClock([] { return monotonicMs(); });
    runFor(1000);
    const double idle = cpuPercentOver(seconds * 1000);
    if (!runner.start(method, QString(), method.toJson(), 0, 2.0))
        return 1;
    const double running = cpuPercentOver(seconds * 1000);
    runner.stop();
    std::printf("program: panel CPU over %d s while polling: %.3f %% of a core without a "
                "program, %.3f %% with one running\n",
                seconds, idle, running);
    return 0;
}

// Milliseconds from an alarm raised to the banner's text painted, in a shown window.
int bannerpaint(int runs)
{
    FakePumpPort port;
    PanelDriver driver(port);
    Form1 &form = driver.form();
    form.show();
    runFor(500);
    const AlarmBanner &banner = form.alarmBanner();
    QElapsedTimer clock;
    clock.start();
    qint64 painted = -1;
    struct PaintWatch : QObject
    {
        std::function<void()> seen;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                seen();
            return QObject::eventFilter(watched, event);
        }
    } watch;
    watch.seen = [&] {
        if (painted < 0)
            painted = clock.nsecsElapsed();
    };
    banner.textLabel()->installEventFilter(&watch);
    std::vector<double> delays;
    for (int run = 0; run < runs; ++run) {
        painted = -1;
        const qint64 raised = clock.nsecsElapsed();
        form.alarms().raise(
            QStringLiteral("pump-silent"), AlarmList::Priority::High,
            QString::fromUtf8("泵无应答：串口 /dev/ttyUSB0 已打开，但泵 3 秒没有应答，"
                              "泵可能仍在运行（设定流量 0250 ml/min）"));
        runUntil([&] { return painted >= 0; }, 2000, 5);
        if (painted < 0)
            return 1;
        delays.push_back((painted - raised) / 1e6);
        form.alarms().acknowledgeAll();
        form.alarms().clear(QStringLiteral("pump-silent"));
        runFor(50);
    }
    std::printf("bannerpaint: alarm raised to banner painted over %d runs: median %.2f ms, "
                "p99 %.2f ms, max %.2f ms (goal <= 16.7 ms, one frame at 60 Hz)\n",
                runs, percentile(delays, 0.5), percentile(delays, 0.99),
                *std::max_element(delays.begin(), delays.end()));
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
    LinkedPump pump;
    Panel panel;
    if (!pump.open(panel))
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

// The run log's file of a panel, once it has one.
QString runLogFile(Panel &panel)
{
    return panel.form.runJournal().log().currentFile();
}

// Write-to-label latency on a pseudo-terminal, as latency() measures it.
std::vector<double> shownLatency(Panel &panel, PseudoTerminal &pump, int frames)
{
    QLabel *LcurrP = panel.driver.label(QStringLiteral("LcurrP"));
    bool arrived = false;
    const QMetaObject::Connection connection =
        QObject::connect(panel.form.link(), &PumpLink::replyAccepted,
                         [&](const Reply &reply) { arrived = LcurrP->text() == reply.caption(); });
    std::vector<double> latencies = measureLatency(pump, frames, arrived);
    QObject::disconnect(connection);
    return latencies;
}

int logcost(int seconds)
{
    // Latency, with the log and then with it stopped, on one window.
    {
        PseudoTerminal pump;
        Panel panel;
        if (!panel.driver.openPort(pump.slavePath(), PanelDriver::Polling::ByTest))
            return 1;
        const std::vector<double> logged = shownLatency(panel, pump, 10000);
        const qint64 bytes = QFileInfo(runLogFile(panel)).size();
        panel.form.runJournal().log().stop(QStringLiteral("bench"));
        const std::vector<double> bare = shownLatency(panel, pump, 10000);
        std::printf(
            "logcost: latency over 10,000 frames: with the log median %.0f us, p99 %.0f us; "
            "without median %.0f us, p99 %.0f us (log file %lld bytes)\n",
            percentile(logged, 0.5), percentile(logged, 0.99), percentile(bare, 0.5),
            percentile(bare, 0.99), static_cast<long long>(bytes));
    }
    // CPU at ten times the line's rate, with and without the log.
    for (const bool withLog : {true, false}) {
        LinkedPump pump;
        Panel panel;
        if (!pump.open(panel, {"--flood", "356"}))
            return 1;
        if (!withLog)
            panel.form.runJournal().log().stop(QStringLiteral("bench"));
        runFor(2000);
        const qint64 acceptedStart = panel.form.link()->status().repliesAccepted;
        const double cpu = cpuPercentOver(seconds * 1000);
        const qint64 accepted = panel.form.link()->status().repliesAccepted - acceptedStart;
        pump.stop();
        std::printf(
            "logcost: flood %d s, %s the log: cpu %.2f %% of one core, %lld replies "
            "accepted%s\n",
            seconds, withLog ? "with" : "without", cpu, static_cast<long long>(accepted),
            withLog ? qPrintable(
                          QStringLiteral(", log %1 bytes").arg(QFileInfo(runLogFile(panel)).size()))
                    : "");
    }
    return 0;
}

// Bytes of run log per answered poll, times the polls of an hour at 1.5 s.
int logsize(int polls)
{
    LinkedPump pump;
    Panel panel;
    if (!pump.open(panel))
        return 1;
    panel.driver.stopPolling();
    if (!panel.driver.poll(3))
        return 1;
    const qint64 start = QFileInfo(runLogFile(panel)).size();
    for (int i = 2; i <= polls + 1; ++i) {
        if (!panel.driver.poll(3 * i))
            return 1;
    }
    const double perPoll = double(QFileInfo(runLogFile(panel)).size() - start) / polls;
    const double perHour = perPoll * 3600.0 / (PumpLink::pollInterval / 1000.0);
    std::printf("logsize: %d polls, %.0f bytes per answered poll (three reply rows): %.2f MB per "
                "hour, %.1f MB per day at one poll every 1.5 s\n",
                polls, perPoll, perHour / 1e6, perHour * 24 / 1e6);
    return 0;
}

// The child of the kill test: a panel logging a flood from the pump at `link`. Prints where its
// log goes, then every 20 ms how many replies it has accepted, each count printed only after
// the rows of those replies were handed to the system.
int logchild(const QString &link)
{
    Panel panel;
    if (!panel.driver.openPort(link))
        return 1;
    std::printf("file %s\n", qPrintable(runLogFile(panel)));
    std::fflush(stdout);
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        std::printf("accepted %lld\n",
                    static_cast<long long>(panel.form.link()->status().repliesAccepted));
        std::fflush(stdout);
    });
    report.start(20);
    runFor(60000);
    return 0;
}

int killtest(int runs)
{
    int failures = 0;
    for (int run = 1; run <= runs; ++run) {
        LinkedPump pump;
        if (!pump.start({"--flood", "356"}))
            return 1;
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("logchild"), pump.link});
        if (!child.waitForStarted())
            return 1;
        const int after = 1000 + int(QRandomGenerator::global()->bounded(3000));
        QString file;
        qint64 lastCount = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < after) {
            child.waitForReadyRead(50);
            while (child.canReadLine()) {
                const QString line = QString::fromLocal8Bit(child.readLine()).trimmed();
                if (line.startsWith(QLatin1String("file ")))
                    file = line.mid(5);
                else if (line.startsWith(QLatin1String("accepted ")))
                    lastCount = line.mid(9).toLongLong();
            }
        }
        // At a moment of its own, not just after a count was printed.
        QThread::usleep(QRandomGenerator::global()->bounded(20000));
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished();
        pump.stop();
        QFile log(file);
        if (file.isEmpty() || !log.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray bytes = log.readAll();
        const RunLogFormat::Verification result = RunLogFormat::verify(bytes);
        qint64 replyRows = 0;
        for (const QStringList &row : RunLogFormat::rows(bytes))
            replyRows += row[2] == QLatin1String("reply");
        const bool holds = result.outcome == RunLogFormat::Verification::Outcome::Holds;
        const bool complete = replyRows >= lastCount;
        // Killed, it wrote no closing row, and its lock is stale: --verify-log says exit 3.
        const int exitCode = RunFiles::check({file}).value(0).exitCode();
        failures += !(holds && complete && exitCode == 3);
        std::printf("killtest %d: killed after %d ms; last count read %lld, reply rows in the file "
                    "%lld (%s); chain %s over %d rows%s; --verify-log exit %d\n",
                    run, after, static_cast<long long>(lastCount),
                    static_cast<long long>(replyRows), complete ? "none missing" : "MISSING",
                    holds ? "holds" : "BROKEN", result.rows,
                    result.incompleteTail ? ", then a row cut short" : "", exitCode);
        // The killed window could not remove its temporary folder (the one above "runs").
        QDir(QFileInfo(QFileInfo(file).path()).path()).removeRecursively();
    }
    std::printf("killtest: %d of %d runs kept every row and verified\n", runs - failures, runs);
    return failures == 0 ? 0 : 1;
}

// Rows as the panel writes them, with the set pressure, set flow and run state of a steady run.
struct RowWriter
{
    QByteArray out;
    QByteArray chain = RunLogFormat::firstChain;
    QDateTime time;
    qint64 elapsed = 0;

    void row(const QString &event, const QString &pressure, const QString &detail)
    {
        const QByteArray fields = RunLogFormat::fieldsText(
            {RunLogFormat::timeText(time), RunLogFormat::secondsText(elapsed), event, pressure,
             QStringLiteral("02.0"), QStringLiteral("0150"), QStringLiteral("RUN"), detail});
        chain = RunLogFormat::chain(chain, fields);
        out += RunLogFormat::line(fields, chain);
    }
    void advance(qint64 ms)
    {
        time = time.addMSecs(ms);
        elapsed += ms;
    }
};

// A run log of `replies` replies, one answered poll (three replies) every 1.5 s, with a command
// every 500 polls and a minute of silence every 5,000; written straight with the log's format.
bool writeLongLog(const QString &path, int replies)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    RowWriter w;
    w.out = RunLogFormat::fileStart();
    w.time = QDateTime(QDate(2026, 11, 20), QTime(8, 0), QTimeZone(8 * 3600));
    QByteArray &out = w.out;
    auto row = [&w](const QString &event, const QString &pressure, const QString &detail) {
        w.row(event, pressure, detail);
    };
    row(QStringLiteral("opened"), QString(), QStringLiteral("/dev/ttyUSB0"));
    for (int poll = 0; poll * 3 < replies; ++poll) {
        w.advance(1500);
        if (poll % 5000 == 4999)
            w.advance(60000);
        const QString pressure = QStringLiteral("%1").arg(1.0 + 0.8 * std::sin(poll / 300.0), 4,
                                                          'f', 1, QLatin1Char('0'));
        row(QStringLiteral("reply"), pressure, QStringLiteral("Q00N%1Y").arg(pressure));
        row(QStringLiteral("reply"), pressure, QStringLiteral("Q00P02.0Y"));
        row(QStringLiteral("reply"), pressure, QStringLiteral("Q00L0150Y"));
        if (poll % 500 == 0)
            row(QStringLiteral("command"), pressure,
                QStringLiteral("Q00L0150Y set_flow 0150 -> 0150"));
        if (out.size() > (8 << 20)) {
            file.write(out);
            out.clear();
        }
    }
    return file.write(out) == out.size();
}

// A run of `polls` answered polls, one every 1.5 s, as the panel writes it past midnight: one file
// a day, each left with a closing row that names the next, each next one beginning with a row
// that names it and carries its last chain. Returns the last file.
QString writeDailyFiles(const QString &folder, int polls)
{
    QDir().mkpath(folder);
    RowWriter w;
    // From a midnight on: 979,199 polls are 17 days, the last 1.5 s before the 17th midnight.
    w.time = QDateTime(QDate(2026, 11, 20), QTime(0, 0), QTimeZone(8 * 3600));
    QFile file;
    QDate day;
    auto nameAt = [&w] {
        return w.time.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral(".csv");
    };
    auto open = [&](const QString &name) {
        file.setFileName(QDir(folder).filePath(name));
        file.open(QIODevice::WriteOnly);
        w.out = RunLogFormat::fileStart();
        w.chain = RunLogFormat::firstChain;
        day = w.time.date();
    };
    open(nameAt());
    w.row(QStringLiteral("opened"), QString(), QStringLiteral("/dev/ttyUSB0"));
    for (int poll = 0; poll < polls; ++poll) {
        w.advance(1500);
        const QString pressure = QStringLiteral("%1").arg(1.0 + 0.8 * std::sin(poll / 300.0), 4,
                                                          'f', 1, QLatin1Char('0'));
        if (w.time.date() != day) {
            const QString previous = QFileInfo(file.fileName()).fileName();
            const QString next = nameAt();
            w.row(QStringLiteral("closed"), pressure,
                  RunLogFormat::Links::closedDetail(QString::fromUtf8("日期变更"), next));
            const QByteArray last = w.chain;
            file.write(w.out);
            file.close();
            open(next);
            w.row(QStringLiteral("continued"), pressure,
                  RunLogFormat::Links::continuedDetail(previous, last));
        }
        w.row(QStringLiteral("reply"), pressure, QStringLiteral("Q00N%1Y").arg(pressure));
        w.row(QStringLiteral("reply"), pressure, QStringLiteral("Q00P02.0Y"));
        w.row(QStringLiteral("reply"), pressure, QStringLiteral("Q00L0150Y"));
        if (poll % 500 == 0)
            w.row(QStringLiteral("command"), pressure,
                  QStringLiteral("Q00L0150Y set_flow 0150 -> 0150"));
        if (w.out.size() > (8 << 20)) {
            file.write(w.out);
            w.out.clear();
        }
    }
    file.write(w.out);
    return file.fileName();
}

// Opening the log at `path` (with the run it belongs to) and drawing it, as history and
// historyrun measure it.
int measureHistory(const QString &path, const QString &what)
{
    QImage frame(1920, 1000, QImage::Format_RGB32);
    HistoryWindow window(QFileInfo(path).path(), QStringLiteral("bench"));
    window.plot()->resize(frame.size());
    window.plot()->render(&frame); // an empty window, drawn once
    const long emptyMemory = residentKilobytes();

    QElapsedTimer clock;
    clock.start();
    if (!window.openLog(path, false))
        return 1;
    window.plot()->render(&frame);
    const double openMs = clock.nsecsElapsed() / 1e6;
    const long loadedMemory = residentKilobytes();
    qint64 bytes = 0;
    for (const RunFiles::Piece &piece : window.pieces())
        bytes += QFileInfo(piece.path).size();

    // Zooming in step by step around the middle, then panning: one frame each.
    std::vector<double> redraws;
    const double middle = window.plot()->width() / 2.0;
    for (int step = 0; step < 40; ++step) {
        if (step < 30)
            window.plot()->zoom(1.25, middle);
        else
            window.plot()->pan(step % 2 ? 0.3 : -0.2);
        clock.restart();
        window.plot()->render(&frame);
        redraws.push_back(clock.nsecsElapsed() / 1e6);
    }
    // The whole run again, as a double-click fits it: every reading goes through a column.
    window.plot()->fitAll();
    std::vector<double> wholeRedraws;
    for (int i = 0; i < 20; ++i) {
        clock.restart();
        window.plot()->render(&frame);
        wholeRedraws.push_back(clock.nsecsElapsed() / 1e6);
    }
    const RunData &data = window.data();
    std::printf("%s: %zu readings (%.1f days), %lld files of %.0f MB: open to the whole run drawn "
                "%.0f ms (goal <= 1000 ms); memory %+.1f MB over an empty window (goal <= 40 MB)\n",
                qPrintable(what), data.readingTime.size(),
                double(data.lastTime - data.firstTime) / 86400e3,
                static_cast<long long>(window.pieces().size()), bytes / 1e6, openMs,
                (loadedMemory - emptyMemory) / 1024.0);
    std::printf(
        "%s: redraw at 1920 px while zooming and panning, 40 frames: median %.1f ms, max %.1f "
        "ms; the whole run, 20 frames: median %.1f ms, max %.1f ms (goal <= 16 ms)\n",
        qPrintable(what), percentile(redraws, 0.5),
        *std::max_element(redraws.begin(), redraws.end()), percentile(wholeRedraws, 0.5),
        *std::max_element(wholeRedraws.begin(), wholeRedraws.end()));
    return 0;
}

int historyRun(int polls)
{
    QTemporaryDir dir;
    const QString last = writeDailyFiles(dir.filePath(QStringLiteral("runs")), polls);
    return measureHistory(last, QStringLiteral("historyrun: %1 replies").arg(polls * 3));
}

int history(int replies)
{
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.csv"));
        if (!writeLongLog(path, replies))
            return 1;
        if (measureHistory(path, QStringLiteral("history: %1 replies").arg(replies)) != 0)
            return 1;
    }

    // Live: a reply logged by the window's panel is in the history window's data before the
    // next frame; and reply latency with the window open, against the same panel without it.
    PseudoTerminal pump;
    Panel panel;
    if (!panel.driver.openPort(pump.slavePath(), PanelDriver::Polling::ByTest))
        return 1;
    const std::vector<double> closed = shownLatency(panel, pump, 5000);
    panel.form.openHistory();
    HistoryWindow *window = panel.form.historyWindow();
    // Back to back, each reply as soon as the last is in the window; and one every 100 ms, as
    // replies come in use (three every 1.5 s).
    std::vector<double> burst, spaced;
    for (std::vector<double> *live : {&burst, &spaced}) {
        for (int i = 0; i < 100; ++i) {
            if (live == &spaced)
                runFor(100);
            const std::size_t before = window->data().readingTime.size();
            QElapsedTimer clock;
            clock.start();
            pump.write(QByteArray("Q00N01.5Y"));
            while (window->data().readingTime.size() == before)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            live->push_back(clock.nsecsElapsed() / 1e3);
        }
    }
    const std::vector<double> open = shownLatency(panel, pump, 5000);
    std::printf("history: live, pseudo-terminal write to the reading in the window (a frame is "
                "16,667 us): back to back median %.0f us, max %.0f us; 100 ms apart median %.0f "
                "us, max %.0f us\n",
                percentile(burst, 0.5), *std::max_element(burst.begin(), burst.end()),
                percentile(spaced, 0.5), *std::max_element(spaced.begin(), spaced.end()));
    std::printf("history: reply latency, 5,000 frames: window closed median %.0f us, p99 %.0f us; "
                "open median %.0f us, p99 %.0f us\n",
                percentile(closed, 0.5), percentile(closed, 0.99), percentile(open, 0.5),
                percentile(open, 0.99));
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
    if (what == QLatin1String("owedstop"))
        return owedstop(amount > 0 ? amount : 10);
    if (what == QLatin1String("program"))
        return program(amount > 0 ? amount : 30);
    if (what == QLatin1String("limits"))
        return limits(amount > 0 ? amount : 100);
    if (what == QLatin1String("bannerpaint"))
        return bannerpaint(amount > 0 ? amount : 100);
    if (what == QLatin1String("away"))
        return away(amount > 0 ? amount : 600);
    if (what == QLatin1String("logcost"))
        return logcost(amount > 0 ? amount : 30);
    if (what == QLatin1String("logsize"))
        return logsize(amount > 0 ? amount : 200);
    if (what == QLatin1String("history"))
        return history(amount > 0 ? amount : 1000000);
    if (what == QLatin1String("historyrun"))
        return historyRun(amount > 0 ? amount : 979199);
    if (what == QLatin1String("killtest"))
        return killtest(amount > 0 ? amount : 10);
    if (what == QLatin1String("logchild") && argc > 2)
        return logchild(QString::fromLocal8Bit(argv[2]));
    std::fprintf(
        stderr,
        "usage: benchmarks latency|flood|idle|records|silence|reconnect|owedstop|bannerpaint|away|"
        "limits|program|logcost|logsize|"
        "killtest|history|historyrun [AMOUNT]\n");
    return 2;
}
