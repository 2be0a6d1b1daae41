// What pumpsim does with the bytes it reads and when it writes, without doing any I/O itself:
// the program feeds it the bytes read and the time, and writes what it hands out. The fault
// modes and all timers live here, so the tests can drive them with made-up times.
#pragma once

#include "options.h"
#include "simulator.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace pumpsim {

using Nanos = std::chrono::nanoseconds; // time since the program started

class Log
{
public:
    virtual ~Log() = default;
    virtual void line(Nanos time, std::string_view text) = 0;
};

// "12.345 text": seconds since start with milliseconds, a space, the text.
std::string formatLogLine(Nanos time, std::string_view text);

struct Stats
{
    std::uint64_t pollsReceived = 0;
    std::uint64_t pollsAnswered = 0;
    std::uint64_t unsolicitedAnswers = 0;
    std::uint64_t commandsObeyed = 0;
    std::uint64_t framesIgnored = 0;
    std::uint64_t garbledBytes = 0;
    std::uint64_t answersDropped = 0; // the panel did not read them and the backlog was full
};

// "pumpsim: summary: polls answered 3, commands obeyed 2, frames ignored 1, ..."
std::string summaryLine(const Stats &stats);

// Paces unsolicited answers at hz per second from start: answer k (1, 2, ...) is due at
// start + k / hz. take() hands out all that are due, at most one second's worth at a time (the
// rest is skipped, not sent late in a burst).
class FloodPacer
{
public:
    FloodPacer(double hz, Nanos start);
    struct Batch
    {
        std::uint64_t send = 0;
        std::uint64_t skipped = 0;
    };
    Batch take(Nanos now);
    Nanos nextDeadline() const { return deadline(done_ + 1); }

private:
    Nanos deadline(std::uint64_t k) const;
    std::uint64_t dueBy(Nanos now) const;

    double periodNs_;
    Nanos start_;
    std::uint64_t maxBatch_;
    std::uint64_t done_ = 0; // answers sent or skipped
};

class Engine
{
public:
    // Answers the panel does not read pile up to this many bytes; later ones are dropped.
    static constexpr std::size_t maxBacklog = 64 * 1024;

    // log may be null (--quiet).
    Engine(const Options &options, Log *log, Nanos start = Nanos(0));

    // Bytes read from the device at time now.
    void receive(std::string_view bytes, Nanos now);
    // Fires every timer due at now: late answers, flood answers, the hang-up.
    void tick(Nanos now);
    // The earliest time after now at which tick() has something to do or more output may be
    // written; empty when there is nothing to wait for.
    std::optional<Nanos> nextDeadline(Nanos now) const;

    // Bytes that may be written now (the current piece, or what is left of it); empty if none.
    std::string_view readyOutput(Nanos now) const;
    // n bytes of readyOutput() were written at now.
    void wrote(std::size_t n, Nanos now);
    std::size_t queuedBytes() const { return queued_; }

    bool hangUpDue() const { return hangUpDue_; }
    const Stats &stats() const { return stats_; }
    const Pump &pump() const { return pump_; }
    const FrameCutter &cutter() const { return cutter_; }

private:
    void note(Nanos now, std::string_view text);
    void handleFrame(const std::string &frame, Nanos now);
    void answer(Nanos now, bool unsolicited);

    Options options_;
    Log *log_;
    FrameCutter cutter_;
    Pump pump_;
    Prng garbageRng_;
    Stats stats_;

    std::deque<Nanos> lateAnswers_; // when each delayed poll is to be answered
    std::optional<FloodPacer> flood_;
    std::optional<Nanos> hangUpAt_;
    bool hangUpDue_ = false;
    std::uint64_t droppedInRow_ = 0; // answers dropped since the backlog last had room

    std::deque<std::string> output_; // pieces (or whole answers) to write, in order
    std::size_t frontWritten_ = 0;   // bytes of output_.front() already written
    std::size_t queued_ = 0;         // bytes in output_ not yet written
    Nanos nextWriteAt_{0};           // a piece may not go out before this
};

} // namespace pumpsim
