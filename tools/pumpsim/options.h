// Command-line options of pumpsim.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pumpsim {

struct Options
{
    std::string link;                  // symlink to make to the device; empty for none
    std::uint64_t seed = 1;            // noise and garbage generator
    std::string logFile;               // empty: standard error
    bool quiet = false;                // no log at all
    int dropEvery = 0;                 // leave every N-th poll unanswered; 0: answer all
    int garbage = 0;                   // garbage bytes before each answer
    int pieces = 0;                    // send answers in pieces of this many bytes; 0: whole
    int pieceGapMs = 5;                // pause between pieces
    int delayMs = 0;                   // answer polls this late
    bool silent = false;               // answer nothing
    std::optional<double> hangUpAfter; // seconds until the device is closed
    double floodHz = 0.0;              // unsolicited answers per second; 0: none
    bool help = false;
};

struct OptionsResult
{
    std::optional<Options> options; // empty when the command line is wrong
    std::string error;
};

// args without the program name. Both "--name value" and "--name=value" are accepted.
OptionsResult parseOptions(const std::vector<std::string> &args);

std::string helpText();

} // namespace pumpsim
