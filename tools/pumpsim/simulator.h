// The simulated pump without any I/O: cutting the panel's byte stream into frames, reading the
// commands they carry, and the pump's state and pressure dynamics.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pumpsim {

// Every frame, both ways, is 'Q', a two-digit pump number, a letter, a 4-byte data field, 'Y'.
inline constexpr std::size_t frameSize = 9;

// Cuts the incoming bytes into frames. Everything up to the next 'Q' is skipped; a 9-byte run
// from a 'Q' that ends in 'Y' is a frame; one that does not is dropped from its 'Q' up to the
// next 'Q' after it. An incomplete run at the end is kept for the next feed.
class FrameCutter
{
public:
    struct Piece
    {
        enum class Kind { Frame, Garbled };
        Kind kind;
        std::string bytes;
        std::string_view why; // for Garbled: what was wrong with the bytes
    };

    std::vector<Piece> feed(std::string_view bytes);
    const std::string &pending() const { return buffer_; }

private:
    std::string buffer_;
};

enum class CommandKind { Poll, Run, Stop, SetFlow, SetPressure };

struct Command
{
    CommandKind kind = CommandKind::Poll;
    int pump = 0;          // the two-digit pump number the frame carried
    int flow = 0;          // ml/min, for SetFlow
    double pressure = 0.0; // MPa, for SetPressure
};

struct ParsedFrame
{
    std::optional<Command> command; // empty when the frame is to be ignored
    std::string problem;            // why it is ignored
};

inline constexpr int maxFlow = 200;         // ml/min
inline constexpr double maxPressure = 99.9; // MPa, the most a 4-byte field can carry

// Reads one 9-byte frame. F, R and S do not look at their data field; L wants four digits
// 0000..0200, P a decimal number like 01.5 (four bytes, one point, not at either end).
ParsedFrame parseFrame(std::string_view frame);

// splitmix64: small, fast and the same on every machine, so a seed replays a run exactly.
class Prng
{
public:
    explicit Prng(std::uint64_t seed)
        : state_(seed)
    {}
    std::uint64_t next();
    double uniform(double low, double high); // in [low, high)

private:
    std::uint64_t state_;
};

struct PumpState
{
    bool running = false;
    int flow = 0;             // set flow, ml/min
    double setPressure = 2.0; // MPa
    double pressure = 0.0;    // current pressure, MPa
};

// The three frames of an answer: current pressure, set pressure, set flow.
std::string formatAnswer(const PumpState &state);

class Pump
{
public:
    static constexpr double pressurePerFlow = 0.012; // MPa per ml/min at steady state
    static constexpr double approach = 0.3;          // share of the gap closed per step
    static constexpr double noise = 0.02;            // MPa, either way
    static constexpr double fallBack = 0.7;          // kept per step while stopped

    explicit Pump(std::uint64_t seed = 1)
        : rng_(seed)
    {}

    // Run, stop, set flow and set pressure change the state; a poll does not.
    void apply(const Command &command);
    // One step of the pressure, taken for every answer sent.
    void step();
    std::string answer() const { return formatAnswer(state_); }

    const PumpState &state() const { return state_; }
    double target() const;

private:
    PumpState state_;
    Prng rng_;
};

// Bytes that can go into a log line: printable ASCII as it is, backslash doubled, the rest \xHH.
std::string escapeBytes(std::string_view bytes);

// n bytes of line noise, any byte but 'Q', so they can never start a frame.
std::string makeGarbage(Prng &rng, std::size_t n);

// Cuts bytes into pieces of n (the last may be shorter).
std::vector<std::string> splitPieces(std::string_view bytes, std::size_t n);

} // namespace pumpsim
