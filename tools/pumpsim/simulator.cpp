#include "simulator.h"

#include <algorithm>
#include <cstdio>

namespace pumpsim {

std::vector<FrameCutter::Piece> FrameCutter::feed(std::string_view bytes)
{
    buffer_.append(bytes);
    std::vector<Piece> pieces;
    std::size_t pos = 0;
    while (pos < buffer_.size()) {
        const std::size_t start = buffer_.find('Q', pos);
        if (start == std::string::npos) {
            pieces.push_back({Piece::Kind::Garbled, buffer_.substr(pos), "no frame start"});
            pos = buffer_.size();
            break;
        }
        if (start > pos) {
            pieces.push_back(
                {Piece::Kind::Garbled, buffer_.substr(pos, start - pos), "no frame start"});
            pos = start;
        }
        if (buffer_.size() - start < frameSize)
            break; // wait for the rest
        if (buffer_[start + frameSize - 1] == 'Y') {
            pieces.push_back({Piece::Kind::Frame, buffer_.substr(start, frameSize), {}});
            pos = start + frameSize;
            continue;
        }
        // Not a frame: drop this 'Q' and what follows it up to the next 'Q'.
        std::size_t next = buffer_.find('Q', start + 1);
        if (next == std::string::npos)
            next = buffer_.size();
        pieces.push_back(
            {Piece::Kind::Garbled, buffer_.substr(start, next - start), "no frame end"});
        pos = next;
    }
    buffer_.erase(0, pos);
    return pieces;
}

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::optional<int> parseFlow(std::string_view data)
{
    int value = 0;
    for (char c : data) {
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<double> parsePressure(std::string_view data)
{
    const std::size_t point = data.find('.');
    if (point == std::string_view::npos || point == 0 || point == data.size() - 1)
        return std::nullopt;
    double whole = 0.0;
    double fraction = 0.0;
    double scale = 1.0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i == point)
            continue;
        if (!isDigit(data[i]))
            return std::nullopt;
        const int digit = data[i] - '0';
        if (i < point) {
            whole = whole * 10 + digit;
        } else {
            scale /= 10;
            fraction += digit * scale;
        }
    }
    return whole + fraction;
}

} // namespace

ParsedFrame parseFrame(std::string_view frame)
{
    if (frame.size() != frameSize || frame.front() != 'Q' || frame.back() != 'Y')
        return {std::nullopt, "not a frame"};
    if (!isDigit(frame[1]) || !isDigit(frame[2]))
        return {std::nullopt, "bad pump number"};
    Command command;
    command.pump = (frame[1] - '0') * 10 + (frame[2] - '0');
    const std::string_view data = frame.substr(4, 4);
    switch (frame[3]) {
    case 'F':
        command.kind = CommandKind::Poll;
        break;
    case 'R':
        command.kind = CommandKind::Run;
        break;
    case 'S':
        command.kind = CommandKind::Stop;
        break;
    case 'L': {
        const auto flow = parseFlow(data);
        if (!flow)
            return {std::nullopt, "bad flow"};
        if (*flow > maxFlow)
            return {std::nullopt, "flow above 200 ml/min"};
        command.kind = CommandKind::SetFlow;
        command.flow = *flow;
        break;
    }
    case 'P': {
        const auto pressure = parsePressure(data);
        if (!pressure)
            return {std::nullopt, "bad pressure"};
        command.kind = CommandKind::SetPressure;
        command.pressure = *pressure;
        break;
    }
    default:
        return {std::nullopt, "unknown command"};
    }
    return {command, {}};
}

std::uint64_t Prng::next()
{
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

double Prng::uniform(double low, double high)
{
    // The top 53 bits make a double in [0, 1).
    const double unit = static_cast<double>(next() >> 11) * 0x1.0p-53;
    return low + (high - low) * unit;
}

namespace {

// A value that prints in %04.1f as four bytes: never negative (not even -0.0), never above the
// largest pressure a frame can carry.
double printable(double value)
{
    if (!(value > 0.0))
        return 0.0;
    return std::min(value, maxPressure);
}

} // namespace

std::string formatAnswer(const PumpState &state)
{
    char text[3 * frameSize + 1];
    std::snprintf(text, sizeof text, "Q00N%04.1fYQ00P%04.1fYQ00L%04dY", printable(state.pressure),
                  printable(state.setPressure), std::clamp(state.flow, 0, 9999));
    return text;
}

void Pump::apply(const Command &command)
{
    switch (command.kind) {
    case CommandKind::Poll:
        break;
    case CommandKind::Run:
        state_.running = true;
        break;
    case CommandKind::Stop:
        state_.running = false;
        break;
    case CommandKind::SetFlow:
        state_.flow = std::clamp(command.flow, 0, maxFlow);
        break;
    case CommandKind::SetPressure:
        state_.setPressure = std::clamp(command.pressure, 0.0, maxPressure);
        break;
    }
}

double Pump::target() const
{
    return std::min(state_.setPressure, state_.flow * pressurePerFlow);
}

void Pump::step()
{
    double pressure = state_.pressure;
    if (state_.running) {
        pressure += approach * (target() - pressure) + rng_.uniform(-noise, noise);
    } else {
        pressure *= fallBack;
        if (pressure < 0.001)
            pressure = 0.0;
    }
    // Clamped by hand: std::clamp would let -0.0 through, which prints as "-0.0".
    if (!(pressure > 0.0))
        pressure = 0.0;
    state_.pressure = std::min(pressure, state_.setPressure);
}

std::string escapeBytes(std::string_view bytes)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7f) {
            out += c;
        } else {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0xf];
        }
    }
    return out;
}

std::string makeGarbage(Prng &rng, std::size_t n)
{
    std::string out(n, '\0');
    for (char &c : out) {
        // 255 values, shifted up past 'Q'.
        unsigned value = static_cast<unsigned>(rng.next() % 255);
        if (value >= static_cast<unsigned char>('Q'))
            ++value;
        c = static_cast<char>(value);
    }
    return out;
}

std::vector<std::string> splitPieces(std::string_view bytes, std::size_t n)
{
    std::vector<std::string> pieces;
    if (n == 0)
        n = bytes.size();
    for (std::size_t i = 0; i < bytes.size(); i += n)
        pieces.emplace_back(bytes.substr(i, n));
    return pieces;
}

} // namespace pumpsim
