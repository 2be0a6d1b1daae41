#include "engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pumpsim {

std::string formatLogLine(Nanos time, std::string_view text)
{
    const long long ms = std::max<long long>(0, time.count() / 1'000'000);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%lld.%03lld ", ms / 1000, ms % 1000);
    std::string line = stamp;
    line += text;
    return line;
}

std::string summaryLine(const Stats &stats)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "pumpsim: summary: polls answered %llu, commands obeyed %llu, frames ignored "
                  "%llu (polls received %llu, unsolicited answers %llu, garbled bytes %llu, "
                  "answers dropped %llu)",
                  static_cast<unsigned long long>(stats.pollsAnswered),
                  static_cast<unsigned long long>(stats.commandsObeyed),
                  static_cast<unsigned long long>(stats.framesIgnored),
                  static_cast<unsigned long long>(stats.pollsReceived),
                  static_cast<unsigned long long>(stats.unsolicitedAnswers),
                  static_cast<unsigned long long>(stats.garbledBytes),
                  static_cast<unsigned long long>(stats.answersDropped));
    return text;
}

FloodPacer::FloodPacer(double hz, Nanos start)
    : periodNs_(1e9 / hz)
    , start_(start)
    , maxBatch_(static_cast<std::uint64_t>(std::max(1.0, std::ceil(hz))))
{}

Nanos FloodPacer::deadline(std::uint64_t k) const
{
    return start_ + Nanos(std::llround(static_cast<double>(k) * periodNs_));
}

std::uint64_t FloodPacer::dueBy(Nanos now) const
{
    if (now < deadline(1))
        return 0;
    // The division is a guess that rounding may put one off; deadline() has the last word,
    // so that an answer is due exactly when nextDeadline() said it would be.
    auto n = static_cast<std::uint64_t>(static_cast<double>((now - start_).count()) / periodNs_);
    while (deadline(n + 1) <= now)
        ++n;
    while (n > 0 && deadline(n) > now)
        --n;
    return n;
}

FloodPacer::Batch FloodPacer::take(Nanos now)
{
    Batch batch;
    const std::uint64_t due = dueBy(now);
    if (due <= done_)
        return batch;
    const std::uint64_t behind = due - done_;
    batch.send = std::min(behind, maxBatch_);
    batch.skipped = behind - batch.send;
    done_ = due;
    return batch;
}

Engine::Engine(const Options &options, Log *log, Nanos start)
    : options_(options)
    , log_(log)
    , pump_(options.seed)
    , garbageRng_(options.seed ^ 0x6a09e667f3bcc908ULL)
{
    if (options_.floodHz > 0.0 && !options_.silent)
        flood_.emplace(options_.floodHz, start);
    if (options_.hangUpAfter)
        hangUpAt_ = start + Nanos(std::llround(*options_.hangUpAfter * 1e9));
}

void Engine::note(Nanos now, std::string_view text)
{
    if (log_)
        log_->line(now, text);
}

void Engine::receive(std::string_view bytes, Nanos now)
{
    for (const FrameCutter::Piece &piece : cutter_.feed(bytes)) {
        if (piece.kind == FrameCutter::Piece::Kind::Garbled) {
            stats_.garbledBytes += piece.bytes.size();
            note(now,
                 "garbled \"" + escapeBytes(piece.bytes) + "\" (" + std::string(piece.why) + ")");
        } else {
            note(now, "recv " + escapeBytes(piece.bytes));
            handleFrame(piece.bytes, now);
        }
    }
}

void Engine::handleFrame(const std::string &frame, Nanos now)
{
    const ParsedFrame parsed = parseFrame(frame);
    if (!parsed.command) {
        ++stats_.framesIgnored;
        note(now, "ignored " + escapeBytes(frame) + " (" + parsed.problem + ")");
        return;
    }
    const Command &command = *parsed.command;
    if (command.kind == CommandKind::Poll) {
        const std::uint64_t n = ++stats_.pollsReceived;
        const std::string which = "poll " + std::to_string(n);
        if (options_.silent) {
            note(now, "fault silent: " + which + " not answered");
        } else if (options_.dropEvery > 0 && n % static_cast<unsigned>(options_.dropEvery) == 0) {
            note(now, "fault drop: " + which + " not answered");
        } else if (options_.delayMs > 0) {
            lateAnswers_.push_back(now + std::chrono::milliseconds(options_.delayMs));
            note(now, "fault delay: " + which + " to be answered in " +
                          std::to_string(options_.delayMs) + " ms");
        } else {
            answer(now, false);
        }
        return;
    }

    pump_.apply(command);
    ++stats_.commandsObeyed;
    std::string what;
    switch (command.kind) {
    case CommandKind::Run:
        what = "run";
        break;
    case CommandKind::Stop:
        what = "stop";
        break;
    case CommandKind::SetFlow:
        what = "flow " + std::to_string(command.flow) + " ml/min";
        break;
    case CommandKind::SetPressure: {
        char text[32];
        std::snprintf(text, sizeof text, "pressure %g MPa", command.pressure);
        what = text;
        break;
    }
    case CommandKind::Poll:
        break;
    }
    if (command.pump != 0)
        what += " (pump " + std::to_string(command.pump) + ")";
    note(now, "obey " + what);
}

void Engine::answer(Nanos now, bool unsolicited)
{
    pump_.step();
    const std::string text = pump_.answer();
    const std::string noise = makeGarbage(garbageRng_, static_cast<std::size_t>(options_.garbage));
    const std::size_t size = noise.size() + text.size();

    if (queued_ + size > maxBacklog) {
        if (droppedInRow_ == 0)
            note(now, "backlog full: the panel is not reading, dropping answers");
        ++droppedInRow_;
        ++stats_.answersDropped;
        return;
    }
    if (droppedInRow_ > 0) {
        note(now,
             "backlog: sending again after " + std::to_string(droppedInRow_) + " answers dropped");
        droppedInRow_ = 0;
    }

    if (!noise.empty())
        note(now, "fault garbage: " + std::to_string(noise.size()) + " bytes \"" +
                      escapeBytes(noise) + "\" before the answer");
    note(now, "send " + text + (unsolicited ? " (unsolicited)" : ""));

    const std::string payload = noise + text;
    if (options_.pieces > 0) {
        const auto pieces = splitPieces(payload, static_cast<std::size_t>(options_.pieces));
        note(now, "fault pieces: " + std::to_string(pieces.size()) + " pieces of up to " +
                      std::to_string(options_.pieces) + " bytes, " +
                      std::to_string(options_.pieceGapMs) + " ms apart");
        for (const std::string &piece : pieces)
            output_.push_back(piece);
    } else {
        output_.push_back(payload);
    }
    queued_ += size;
    ++(unsolicited ? stats_.unsolicitedAnswers : stats_.pollsAnswered);
}

void Engine::tick(Nanos now)
{
    while (!lateAnswers_.empty() && lateAnswers_.front() <= now) {
        lateAnswers_.pop_front();
        answer(now, false);
    }
    if (flood_) {
        const FloodPacer::Batch batch = flood_->take(now);
        if (batch.skipped > 0)
            note(now,
                 "flood: " + std::to_string(batch.skipped) + " answers skipped, too far behind");
        for (std::uint64_t i = 0; i < batch.send; ++i)
            answer(now, true);
    }
    if (hangUpAt_ && !hangUpDue_ && now >= *hangUpAt_) {
        hangUpDue_ = true;
        note(now, "fault hang-up: closing the device");
    }
}

std::optional<Nanos> Engine::nextDeadline(Nanos now) const
{
    std::optional<Nanos> next;
    const auto consider = [&](Nanos t) {
        if (!next || t < *next)
            next = t;
    };
    if (!lateAnswers_.empty())
        consider(lateAnswers_.front());
    if (flood_)
        consider(flood_->nextDeadline());
    if (hangUpAt_ && !hangUpDue_)
        consider(*hangUpAt_);
    if (!output_.empty() && nextWriteAt_ > now)
        consider(nextWriteAt_);
    return next;
}

std::string_view Engine::readyOutput(Nanos now) const
{
    if (output_.empty() || now < nextWriteAt_)
        return {};
    return std::string_view(output_.front()).substr(frontWritten_);
}

void Engine::wrote(std::size_t n, Nanos now)
{
    if (output_.empty())
        return;
    n = std::min(n, output_.front().size() - frontWritten_);
    frontWritten_ += n;
    queued_ -= n;
    if (frontWritten_ < output_.front().size())
        return;
    output_.pop_front();
    frontWritten_ = 0;
    if (options_.pieces > 0)
        nextWriteAt_ = now + std::chrono::milliseconds(options_.pieceGapMs);
}

} // namespace pumpsim
