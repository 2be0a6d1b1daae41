#include "options.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace pumpsim {

namespace {

std::optional<long long> toInteger(std::string_view text, long long low, long long high)
{
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> toSeed(std::string_view text)
{
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<double> toNumber(std::string_view text, double low, double high)
{
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    if (!std::isfinite(value) || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

OptionsResult parseOptions(const std::vector<std::string> &args)
{
    Options options;
    bool logGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            continue;
        }
        if (arg == "--silent") {
            options.silent = true;
            continue;
        }
        if (arg == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (arg.substr(0, 2) != "--")
            return {std::nullopt, "unexpected argument '" + std::string(arg) + "'"};

        std::string name(arg);
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.erase(eq);
            hasValue = true;
        }
        static const char *const valued[] = {
            "--link",   "--seed",      "--log",   "--drop-every",    "--garbage",
            "--pieces", "--piece-gap", "--delay", "--hang-up-after", "--flood"};
        bool known = false;
        for (const char *option : valued)
            known = known || name == option;
        if (!known) {
            if (name == "--silent" || name == "--quiet" || name == "--help")
                return {std::nullopt, "option " + name + " takes no value"};
            return {std::nullopt, "unknown option " + name};
        }
        if (!hasValue) {
            if (i + 1 >= args.size())
                return {std::nullopt, "option " + name + " needs a value"};
            value = args[++i];
        }

        const auto bad = [&](const char *what) {
            return OptionsResult{std::nullopt,
                                 "option " + name + " wants " + what + ", not '" + value + "'"};
        };
        if (name == "--link") {
            if (value.empty())
                return bad("a path");
            options.link = value;
        } else if (name == "--log") {
            if (value.empty())
                return bad("a file name");
            options.logFile = value;
            logGiven = true;
        } else if (name == "--seed") {
            const auto seed = toSeed(value);
            if (!seed)
                return bad("a whole number 0 or more");
            options.seed = *seed;
        } else if (name == "--drop-every") {
            const auto n = toInteger(value, 1, 1'000'000'000);
            if (!n)
                return bad("a whole number 1 or more");
            options.dropEvery = static_cast<int>(*n);
        } else if (name == "--garbage") {
            const auto n = toInteger(value, 0, 65536);
            if (!n)
                return bad("a byte count from 0 to 65536");
            options.garbage = static_cast<int>(*n);
        } else if (name == "--pieces") {
            const auto n = toInteger(value, 1, 65536);
            if (!n)
                return bad("a byte count from 1 to 65536");
            options.pieces = static_cast<int>(*n);
        } else if (name == "--piece-gap") {
            const auto n = toInteger(value, 0, 60'000);
            if (!n)
                return bad("milliseconds from 0 to 60000");
            options.pieceGapMs = static_cast<int>(*n);
        } else if (name == "--delay") {
            const auto n = toInteger(value, 0, 600'000);
            if (!n)
                return bad("milliseconds from 0 to 600000");
            options.delayMs = static_cast<int>(*n);
        } else if (name == "--hang-up-after") {
            const auto seconds = toNumber(value, 0.0, 1e7);
            if (!seconds)
                return bad("seconds, 0 or more");
            options.hangUpAfter = *seconds;
        } else if (name == "--flood") {
            const auto hz = toNumber(value, 0.0, 100'000.0);
            if (!hz || *hz <= 0.0)
                return bad("answers per second, above 0 and up to 100000");
            options.floodHz = *hz;
        }
    }
    if (options.quiet && logGiven)
        return {std::nullopt, "--quiet and --log exclude each other"};
    return {options, {}};
}

std::string helpText()
{
    return R"(Usage: pumpsim [OPTION]...
Plays the laboratory pump on a pseudo-terminal, so that the control panel can be run and
tested without the pump. At start it prints the device it made, as its first line:
  pumpsim: device /dev/pts/N
and, with --link, the line "pumpsim: link PATH -> /dev/pts/N". Type the device (or the link)
into the panel's 通信 (Communication) box. It runs until SIGINT (Ctrl+C) or SIGTERM, then
prints a summary on standard error.

What it speaks: frames of 9 ASCII bytes both ways, no line ending, no checksum:
'Q', a two-digit pump number, a command letter, a 4-byte data field, 'Y'.
  Q00F0000Y   poll; answered with three frames in one write:
              Q00Npp.pY current pressure in MPa (e.g. Q00N01.2Y),
              Q00Ppp.pY set pressure in MPa (e.g. Q00P02.0Y),
              Q00LffffY set flow in ml/min (e.g. Q00L0150Y)
  Q00R0000Y   run              Q00S0000Y   stop
  QnnLffffY   set flow, 0000 to 0200 ml/min (e.g. Q00L0150Y)
  QnnPpp.pY   set pressure in MPa (e.g. Q00P01.5Y)
Commands are obeyed whatever their pump number. Bytes up to the next 'Q' are skipped; a run
of 9 bytes from a 'Q' that does not end in 'Y' is dropped up to the next 'Q'. Frames with an
unknown letter or data that does not read are logged and ignored.

The pump starts stopped, with set flow 0 ml/min, set pressure 2.0 MPa, pressure 0.0 MPa.
With every answer it sends, the pressure takes a step: while running, 30 % of the way towards
min(set pressure, 0.012 MPa per ml/min of set flow), plus noise of up to 0.02 MPa either way,
never below 0 or above the set pressure; while stopped it falls to 70 % of what it was.

Options:
  --link PATH           also make a symbolic link PATH -> the device (a stale link is
                        replaced); it is removed at exit
  --seed N              seed of the noise and garbage generator (default 1); the same seed
                        and the same frames give the same answers
  --log FILE            log to FILE (replaced) instead of standard error
  --quiet               no log
  -h, --help            this text

Faults, which can be combined:
  --drop-every N        leave every N-th poll unanswered
  --garbage N           write N garbage bytes (never a 'Q') before each answer, in the
                        same write
  --pieces N            send each answer (with its garbage) in pieces of N bytes
  --piece-gap MS        pause between pieces, in milliseconds (default 5)
  --delay MS            answer each poll MS milliseconds late (frames that come meanwhile
                        are read and obeyed at once)
  --silent              answer nothing, not even --flood (commands are still obeyed and
                        logged)
  --hang-up-after SEC   after SEC seconds (fractions allowed) close the device, as if the
                        pump were unplugged, remove the link and exit with status 0
  --flood HZ            also send unsolicited answers, HZ of them per second (fractions
                        allowed), for load tests; if it falls behind it catches up in
                        batches of up to one second's worth

Log: one line for each event, flushed at once, starting with the seconds since start:
  12.345 recv Q00F0000Y
  12.346 send Q00N01.2YQ00P02.0YQ00L0150Y
  12.346 send Q00N01.2YQ00P02.0YQ00L0150Y (unsolicited)
  12.400 obey flow 150 ml/min
  12.401 ignored Q00X0000Y (unknown command)
  12.402 garbled "Q00F00" (no frame end)
  12.403 fault drop: poll 3 not answered
Bytes that are not printable ASCII show as \xHH, a backslash as \\.

Exit status: 0 after SIGINT, SIGTERM or --hang-up-after; 1 when the device, the link or the
log cannot be made; 2 for a wrong command line.

Example, with the panel:
  pumpsim --link /tmp/pump --garbage 3 --delay 200 &
  then start the panel, choose 通信 and type /tmp/pump. Press RUN, set a flow of 150 with
  L 1 5 0, and watch the pressure rise towards 1.8 MPa (or the set pressure, if lower).
)";
}

} // namespace pumpsim
