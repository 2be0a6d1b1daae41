// A simulated pump on a pseudo-terminal. It answers each status poll with its current pressure,
// set pressure and set flow, obeys run, stop, set-flow and set-pressure frames, and can misbehave
// in the ways a real line does, so the panel's link can be tried against them.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

const char *const usage = R"(Usage: pumppanel-pumpsim [OPTIONS]

Plays the pump on a pseudo-terminal. On start it prints the device to type into the panel's
"通信" (Communication) box:
    pumpsim: device /dev/pts/N
    pumpsim: link PATH -> /dev/pts/N        (with --link)

It speaks 9-character frames "Q", pump number (2 digits), letter, 4 data characters, "Y":
    Q00F0000Y  poll: answered with three frames in one write, e.g.
               Q00N01.2Y (current pressure, MPa)  Q00P02.0Y (set pressure)  Q00L0150Y (set flow)
    Q00R0000Y  run          Q00S0000Y  stop
    QnnL0150Y  set flow 150 ml/min      QnnP01.5Y  set pressure 1.5 MPa   (any pump number nn)
Other frames and stray bytes are logged and ignored.

While running, the pressure moves towards 0.012 MPa per ml/min of set flow, never above the set
pressure, with a little noise; stopped, it falls back towards 0.

Options:
  --link PATH          also make PATH a link to the device (removed on exit)
  --log FILE           log every frame received and sent to FILE (default: standard error)
  --quiet              no log
  --seed N             seed of the pressure noise (default 1)
  --drop-every N       leave every N-th poll unanswered
  --garbage N          write N bytes of line noise before each answer
  --pieces N           send each answer in pieces of N bytes ...
  --piece-gap MS       ... MS milliseconds apart (default 5)
  --delay MS           answer each poll MS milliseconds late
  --silent             answer nothing (commands are still obeyed)
  --mute-after N       after the first N polls, leave the next ones unanswered ...
  --mute-for M         ... M of them (default: all), then answer again
  --ignore-setpoints   log set-flow and set-pressure frames and leave the setpoints as they are
  --set-flow N         start with a set flow of N ml/min (default 0)
  --set-pressure X     start with a set pressure of X MPa (default 2.0)
  --hang-up-after SEC  hang up (close the device) after SEC seconds, then exit
  --flood HZ           also send HZ unsolicited answers a second (three frames each)
  --block-after SEC    from SEC seconds on, a blocked line: while running, the pressure rises
                       0.15 MPa an answer, past the set pressure
  --leak-after SEC     from SEC seconds on, a leak or a dry run: while running, the pressure
                       halves each answer, down to nothing
  --spike-every N      every N-th answer reports the pressure SIZE MPa higher, that once ...
  --spike-size SIZE    ... (default 0.3)
  -h, --help           this text

Example:
  pumppanel-pumpsim --link /tmp/pump &   then choose 通信 in the panel and type /tmp/pump
Stops cleanly on Ctrl+C or SIGTERM.
)";

struct Options
{
    std::string link;
    std::string log;
    bool quiet = false;
    unsigned seed = 1;
    int dropEvery = 0;
    int garbage = 0;
    int pieces = 0;
    int pieceGap = 5;
    int delay = 0;
    bool silent = false;
    long muteAfter = -1;
    long muteFor = -1;
    bool ignoreSetpoints = false;
    int setFlow = 0;
    double setPressure = 2.0;
    double hangUpAfter = -1;
    double flood = 0;
    double blockAfter = -1;
    double leakAfter = -1;
    long spikeEvery = 0;
    double spikeSize = 0.3;
};

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int)
{
    stopRequested = 1;
}

class Pump
{
public:
    // What goes wrong in the line, and when.
    struct Faults
    {
        double blockAfter = -1; // s; below 0: never
        double leakAfter = -1;
        long spikeEvery = 0;
        double spikeSize = 0;
    };

    Pump(unsigned seed, int setFlow, double setPressure, Faults faults)
        : m_random(seed ? seed : 1)
        , m_setFlow(setFlow)
        , m_setPressure(setPressure)
        , m_faults(faults)
    {}

    // Applies one frame; false if it is not a command the pump knows.
    bool obey(const std::string &frame, std::string *why)
    {
        const char letter = frame[3];
        const std::string data = frame.substr(4, 4);
        switch (letter) {
        case 'F':
            return true;
        case 'R':
            m_running = true;
            return true;
        case 'S':
            m_running = false;
            return true;
        case 'L': {
            if (data.find_first_not_of("0123456789") != std::string::npos) {
                *why = "flow is not a number";
                return false;
            }
            m_setFlow = std::stoi(data);
            return true;
        }
        case 'P': {
            char *end = nullptr;
            const double value = std::strtod(data.c_str(), &end);
            if (end != data.c_str() + data.size() ||
                data.find_first_not_of("0123456789.") != std::string::npos) {
                *why = "pressure is not a number";
                return false;
            }
            m_setPressure = value;
            return true;
        }
        default:
            *why = "unknown command";
            return false;
        }
    }

    // One step of the pressure at `seconds` after the start, then the three-frame answer.
    std::string answer(double seconds)
    {
        const bool blocked = m_faults.blockAfter >= 0 && seconds >= m_faults.blockAfter;
        const bool leaking = m_faults.leakAfter >= 0 && seconds >= m_faults.leakAfter;
        if (m_running && blocked) {
            // Nothing flows out: the pump's own relief is all that would stop it.
            m_pressure = std::min(m_pressure + 0.15, 9.9);
        } else if (m_running && leaking) {
            m_pressure *= 0.5;
        } else if (m_running) {
            const double target = std::min(m_setPressure, m_setFlow * 0.012);
            m_pressure += (target - m_pressure) * 0.3 + noise();
            m_pressure = std::clamp(m_pressure, 0.0, m_setPressure);
        } else {
            m_pressure *= 0.7;
        }
        double reported = m_pressure;
        if (m_faults.spikeEvery > 0 && ++m_answers % m_faults.spikeEvery == 0)
            reported += m_faults.spikeSize;
        char text[64];
        std::snprintf(text, sizeof text, "Q00N%04.1fYQ00P%04.1fYQ00L%04dY",
                      std::min(reported, 99.9), std::min(m_setPressure, 99.9),
                      std::min(m_setFlow, 9999));
        return text;
    }

private:
    double noise()
    {
        m_random = m_random * 1103515245u + 12345u;
        return ((m_random >> 16) % 4001) / 100000.0 - 0.02; // ±0.02 MPa
    }

    std::uint32_t m_random;
    bool m_running = false;
    int m_setFlow;
    double m_setPressure;
    double m_pressure = 0;
    Faults m_faults;
    long m_answers = 0;
};

class Log
{
public:
    Log(const Options &options, Clock::time_point start)
        : m_start(start)
    {
        if (options.quiet)
            return;
        m_file = options.log.empty() ? stderr : std::fopen(options.log.c_str(), "a");
        if (!m_file) {
            std::fprintf(stderr, "pumpsim: cannot write the log %s: %s\n", options.log.c_str(),
                         std::strerror(errno));
            std::exit(2);
        }
    }
    ~Log()
    {
        if (m_file && m_file != stderr)
            std::fclose(m_file);
    }

    void line(const char *kind, const std::string &text)
    {
        if (!m_file)
            return;
        const double seconds = std::chrono::duration<double>(Clock::now() - m_start).count();
        std::fprintf(m_file, "%.3f %s %s\n", seconds, kind, printable(text).c_str());
        std::fflush(m_file);
    }

private:
    static std::string printable(const std::string &bytes)
    {
        std::string out;
        for (unsigned char c : bytes) {
            if (c > 32 && c < 127) {
                out += char(c);
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                out += hex;
            }
        }
        return out;
    }

    Clock::time_point m_start;
    std::FILE *m_file = nullptr;
};

bool parse(int argc, char **argv, Options *options)
{
    auto number = [&](int &i, double *value) {
        if (i + 1 >= argc)
            return false;
        char *end = nullptr;
        *value = std::strtod(argv[++i], &end);
        return end && *end == '\0' && *value >= 0;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        double value = 0;
        if (option == "-h" || option == "--help") {
            std::fputs(usage, stdout);
            std::exit(0);
        } else if (option == "--link" && i + 1 < argc) {
            options->link = argv[++i];
        } else if (option == "--log" && i + 1 < argc) {
            options->log = argv[++i];
        } else if (option == "--quiet") {
            options->quiet = true;
        } else if (option == "--silent") {
            options->silent = true;
        } else if (option == "--ignore-setpoints") {
            options->ignoreSetpoints = true;
        } else if (option == "--mute-after" && number(i, &value)) {
            options->muteAfter = long(value);
        } else if (option == "--mute-for" && number(i, &value)) {
            options->muteFor = long(value);
        } else if (option == "--set-flow" && number(i, &value) && value <= 9999) {
            options->setFlow = int(value);
        } else if (option == "--set-pressure" && number(i, &value) && value <= 99.9) {
            options->setPressure = value;
        } else if (option == "--seed" && number(i, &value)) {
            options->seed = unsigned(value);
        } else if (option == "--drop-every" && number(i, &value) && value >= 1) {
            options->dropEvery = int(value);
        } else if (option == "--garbage" && number(i, &value)) {
            options->garbage = int(value);
        } else if (option == "--pieces" && number(i, &value) && value >= 1) {
            options->pieces = int(value);
        } else if (option == "--piece-gap" && number(i, &value)) {
            options->pieceGap = int(value);
        } else if (option == "--delay" && number(i, &value)) {
            options->delay = int(value);
        } else if (option == "--hang-up-after" && number(i, &value)) {
            options->hangUpAfter = value;
        } else if (option == "--flood" && number(i, &value)) {
            options->flood = value;
        } else if (option == "--block-after" && number(i, &value)) {
            options->blockAfter = value;
        } else if (option == "--leak-after" && number(i, &value)) {
            options->leakAfter = value;
        } else if (option == "--spike-every" && number(i, &value) && value >= 1) {
            options->spikeEvery = long(value);
        } else if (option == "--spike-size" && number(i, &value) && value <= 99.9) {
            options->spikeSize = value;
        } else {
            std::fprintf(stderr, "pumpsim: bad option %s (try --help)\n", option.c_str());
            return false;
        }
    }
    return true;
}

// Bytes waiting to go out, each chunk not before its time.
struct Outgoing
{
    Clock::time_point due;
    std::string bytes;
    bool logged; // the answer was logged when it was made
};

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, &options))
        return 2;

    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "pumpsim: cannot make a pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    // Raw, or the line discipline would echo our own answers back to us. We keep this end open
    // so the device stays up while the panel closes and reopens it.
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    if (!options.link.empty()) {
        ::unlink(options.link.c_str());
        if (::symlink(name, options.link.c_str()) != 0) {
            std::fprintf(stderr, "pumpsim: cannot make the link %s: %s\n", options.link.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    std::printf("pumpsim: device %s\n", name);
    if (!options.link.empty())
        std::printf("pumpsim: link %s -> %s\n", options.link.c_str(), name);
    std::printf("pumpsim: type %s into the panel's 通信 box\n",
                options.link.empty() ? name : options.link.c_str());
    std::fflush(stdout);

    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const Clock::time_point start = Clock::now();
    Log log(options, start);
    Pump pump(options.seed, options.setFlow, options.setPressure,
              {options.blockAfter, options.leakAfter, options.spikeEvery, options.spikeSize});
    std::string received;
    std::deque<Outgoing> outgoing;
    long polls = 0, answered = 0, obeyed = 0, ignored = 0;
    Clock::time_point nextFlood = start;
    const auto floodPeriod = options.flood > 0
                                 ? std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(1.0 / options.flood))
                                 : Clock::duration::zero();
    std::uint32_t noise = options.seed * 2654435761u + 1;

    auto queueAnswer = [&](Clock::time_point due) {
        std::string bytes;
        for (int i = 0; i < options.garbage; ++i) {
            noise = noise * 1103515245u + 12345u;
            char c = char('a' + (noise >> 16) % 26); // never a frame start
            bytes += c;
        }
        const std::string answer =
            pump.answer(std::chrono::duration<double>(Clock::now() - start).count());
        log.line("send", answer);
        bytes += answer;
        ++answered;
        if (options.pieces > 0) {
            Clock::time_point at = due;
            for (std::size_t i = 0; i < bytes.size(); i += std::size_t(options.pieces)) {
                outgoing.push_back({at, bytes.substr(i, std::size_t(options.pieces)), true});
                at += std::chrono::milliseconds(options.pieceGap);
            }
        } else {
            outgoing.push_back({due, bytes, true});
        }
    };

    bool hungUp = false;
    while (!stopRequested) {
        const Clock::time_point now = Clock::now();
        if (options.hangUpAfter >= 0 &&
            now - start >= std::chrono::duration<double>(options.hangUpAfter)) {
            log.line("hangup", "closing the device");
            hungUp = true;
            break;
        }
        if (options.flood > 0) {
            // Catch up in batches when late, without running ahead.
            int batch = 0;
            while (nextFlood <= now && batch++ < 1000) {
                if (!options.silent)
                    queueAnswer(now);
                nextFlood += floodPeriod;
            }
        }
        while (!outgoing.empty() && outgoing.front().due <= now) {
            std::string &bytes = outgoing.front().bytes;
            const ssize_t written = ::write(master, bytes.data(), bytes.size());
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            if (written < 0) {
                outgoing.clear();
                break;
            }
            bytes.erase(0, std::size_t(written));
            if (!bytes.empty())
                break;
            outgoing.pop_front();
        }

        // Sleep until the next thing to do.
        int timeout = -1;
        auto until = [&](Clock::time_point when) {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now()).count() +
                1;
            const int wait = int(std::max<long long>(0, ms));
            timeout = timeout < 0 ? wait : std::min(timeout, wait);
        };
        if (!outgoing.empty())
            until(outgoing.front().due);
        if (options.flood > 0)
            until(nextFlood);
        if (options.hangUpAfter >= 0)
            until(start + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double>(options.hangUpAfter)));
        pollfd events{master, POLLIN, 0};
        if (!outgoing.empty() && outgoing.front().due <= Clock::now())
            events.events |= POLLOUT;
        if (::poll(&events, 1, timeout) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (!(events.revents & POLLIN))
            continue;

        char buffer[4096];
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0)
            continue;
        received.append(buffer, std::size_t(got));

        // Frames start at a "Q" and are 9 bytes ending in "Y"; anything else is noise.
        std::size_t at = 0;
        while (at < received.size()) {
            const std::size_t frameStart = received.find('Q', at);
            if (frameStart == std::string::npos) {
                log.line("noise", received.substr(at));
                ++ignored;
                at = received.size();
                break;
            }
            if (frameStart > at) {
                log.line("noise", received.substr(at, frameStart - at));
                ++ignored;
            }
            if (received.size() - frameStart < 9) {
                at = frameStart;
                break;
            }
            const std::string frame = received.substr(frameStart, 9);
            if (frame[8] != 'Y') {
                log.line("noise", frame.substr(0, 1));
                ++ignored;
                at = frameStart + 1;
                continue;
            }
            at = frameStart + 9;
            log.line("recv", frame);
            if (options.ignoreSetpoints && (frame[3] == 'L' || frame[3] == 'P')) {
                log.line("ignored", frame + " (told to ignore setpoints)");
                ++ignored;
                continue;
            }
            std::string why;
            if (!pump.obey(frame, &why)) {
                log.line("ignored", frame + " (" + why + ")");
                ++ignored;
                continue;
            }
            if (frame[3] != 'F') {
                ++obeyed;
                continue;
            }
            ++polls;
            if (options.silent)
                continue;
            const long earlierPolls = polls - 1;
            if (options.muteAfter >= 0 && earlierPolls >= options.muteAfter &&
                (options.muteFor < 0 || earlierPolls < options.muteAfter + options.muteFor)) {
                log.line("mute", frame);
                continue;
            }
            if (options.dropEvery > 0 && polls % options.dropEvery == 0) {
                log.line("drop", frame);
                continue;
            }
            queueAnswer(Clock::now() + std::chrono::milliseconds(options.delay));
        }
        received.erase(0, at);
    }

    ::close(master);
    ::close(slave);
    if (!options.link.empty())
        ::unlink(options.link.c_str());
    std::fprintf(stderr,
                 "pumpsim: %ld polls, %ld answers sent, %ld commands obeyed, %ld ignored%s\n",
                 polls, answered, obeyed, ignored, hungUp ? ", hung up" : "");
    return 0;
}
