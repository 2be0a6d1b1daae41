// pumpsim: a simulated pump on a pseudo-terminal, for running and testing the panel without the
// pump. One thread, one poll() loop: the device, a self-pipe for signals, and the engine's timers.
#include "engine.h"
#include "options.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace pumpsim;

int signalPipeWrite = -1;

extern "C" void onSignal(int signo)
{
    const int saved = errno;
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const ssize_t n = write(signalPipeWrite, &byte, 1);
    errno = saved;
}

class FileLog : public Log
{
public:
    explicit FileLog(std::FILE *file)
        : file_(file)
    {}
    void line(Nanos time, std::string_view text) override
    {
        std::string out = formatLogLine(time, text);
        out += '\n';
        std::fwrite(out.data(), 1, out.size(), file_);
        std::fflush(file_);
    }

private:
    std::FILE *file_;
};

void setFlags(int fd, int add)
{
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags | add);
}

void setCloseOnExec(int fd)
{
    const int flags = fcntl(fd, F_GETFD);
    if (flags >= 0)
        fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
}

std::string errorText()
{
    return std::strerror(errno);
}

// Makes path a symbolic link to target, replacing a link already there (a stale one from a run
// that was killed) but nothing else. The new link is made beside it and renamed over it, so the
// path is never missing while a panel might be opening it.
bool makeLink(const std::string &path, const std::string &target, std::string &error)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = path + " exists and is not a symbolic link";
        return false;
    }
    const std::string temporary = path + ".pumpsim-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0) {
        error = "cannot make the link " + path + ": " + errorText();
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot make the link " + path + ": " + errorText();
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

// Removes the link only if it is still ours: another run may have taken the path over since.
void removeLink(const std::string &path, const std::string &target)
{
    std::vector<char> buffer(target.size() + 2);
    const ssize_t n = readlink(path.c_str(), buffer.data(), buffer.size());
    if (n >= 0 && std::string(buffer.data(), static_cast<std::size_t>(n)) == target)
        unlink(path.c_str());
}

std::string faultsText(const Options &o)
{
    std::string text;
    const auto add = [&](const std::string &part) { text += (text.empty() ? "" : ", ") + part; };
    if (o.dropEvery > 0)
        add("drop every " + std::to_string(o.dropEvery) + " polls");
    if (o.garbage > 0)
        add(std::to_string(o.garbage) + " garbage bytes before answers");
    if (o.pieces > 0)
        add("pieces of " + std::to_string(o.pieces) + " bytes " + std::to_string(o.pieceGapMs) +
            " ms apart");
    if (o.delayMs > 0)
        add("answers " + std::to_string(o.delayMs) + " ms late");
    if (o.silent)
        add("silent");
    if (o.hangUpAfter)
        add("hang up after " + std::to_string(*o.hangUpAfter) + " s");
    if (o.floodHz > 0.0)
        add("flood " + std::to_string(o.floodHz) + " answers/s");
    return text.empty() ? "none" : text;
}

int run(const Options &options)
{
    const auto started = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now() - started);
    };

    std::signal(SIGPIPE, SIG_IGN);
    int signalPipe[2];
    if (pipe(signalPipe) != 0) {
        std::fprintf(stderr, "pumpsim: pipe: %s\n", errorText().c_str());
        return 1;
    }
    for (int fd : signalPipe) {
        setFlags(fd, O_NONBLOCK);
        setCloseOnExec(fd);
    }
    signalPipeWrite = signalPipe[1];
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signo : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signo, &action, nullptr);

    std::FILE *logFile = nullptr;
    if (!options.quiet) {
        logFile = stderr;
        if (!options.logFile.empty()) {
            logFile = std::fopen(options.logFile.c_str(), "w");
            if (!logFile) {
                std::fprintf(stderr, "pumpsim: cannot write the log %s: %s\n",
                             options.logFile.c_str(), errorText().c_str());
                return 1;
            }
        }
    }
    FileLog fileLog(logFile);
    Log *log = logFile ? &fileLog : nullptr;

    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "pumpsim: openpty: %s\n", errorText().c_str());
        return 1;
    }
    // Raw, so that the line discipline neither echoes our answers back to us nor holds bytes
    // back waiting for a line end. The panel sets its own mode on open; this is what it finds
    // and what it restores on close.
    termios mode;
    if (tcgetattr(slave, &mode) == 0) {
        cfmakeraw(&mode);
        tcsetattr(slave, TCSANOW, &mode);
    }
    setFlags(master, O_NONBLOCK);
    setCloseOnExec(master);
    setCloseOnExec(slave);
    // The slave stays open here all the time: without it, every time the panel closes the port
    // the master would see a hang-up and EIO, and the device would be gone for good.
    char name[256];
    if (ttyname_r(slave, name, sizeof name) != 0) {
        std::fprintf(stderr, "pumpsim: cannot name the device: %s\n", errorText().c_str());
        return 1;
    }
    const std::string device = name;

    if (!options.link.empty()) {
        std::string error;
        if (!makeLink(options.link, device, error)) {
            std::fprintf(stderr, "pumpsim: %s\n", error.c_str());
            return 1;
        }
    }
    std::printf("pumpsim: device %s\n", device.c_str());
    if (!options.link.empty())
        std::printf("pumpsim: link %s -> %s\n", options.link.c_str(), device.c_str());
    std::printf("pumpsim: type %s into the panel's 通信 (Communication) box\n",
                options.link.empty() ? device.c_str() : options.link.c_str());
    std::fflush(stdout);

    Engine engine(options, log, elapsed());
    if (log) {
        log->line(elapsed(), "start device " + device +
                                 (options.link.empty() ? "" : " link " + options.link) + " seed " +
                                 std::to_string(options.seed) + " faults: " + faultsText(options));
    }

    int status = 0;
    bool writeBlocked = false;
    for (;;) {
        Nanos now = elapsed();
        engine.tick(now);
        if (engine.hangUpDue())
            break;

        writeBlocked = false;
        for (std::string_view out = engine.readyOutput(now); !out.empty();
             out = engine.readyOutput(now)) {
            const ssize_t n = write(master, out.data(), out.size());
            if (n > 0) {
                engine.wrote(static_cast<std::size_t>(n), now);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                writeBlocked = true; // the panel is not reading; wait for room
                break;
            } else {
                if (log)
                    log->line(now, "error writing the device: " + errorText());
                status = 1;
                break;
            }
        }
        if (status != 0)
            break;

        int timeout = -1;
        if (const auto deadline = engine.nextDeadline(now)) {
            // Rounded up, so that we never wake a little early and go round with nothing due.
            const auto wait = *deadline - now;
            const auto ms = (wait.count() + 999'999) / 1'000'000;
            timeout = static_cast<int>(std::clamp<long long>(ms, 0, INT_MAX));
        }
        pollfd fds[2] = {{signalPipe[0], POLLIN, 0},
                         {master, static_cast<short>(POLLIN | (writeBlocked ? POLLOUT : 0)), 0}};
        if (poll(fds, 2, timeout) < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "pumpsim: poll: %s\n", errorText().c_str());
            status = 1;
            break;
        }
        if (fds[0].revents & POLLIN) {
            char signo = 0;
            if (read(signalPipe[0], &signo, 1) == 1 && log)
                log->line(elapsed(), std::string("stop on ") + sigabbrev_np(signo));
            break;
        }
        if (fds[1].revents & POLLIN) {
            char buffer[4096];
            for (;;) {
                const ssize_t n = read(master, buffer, sizeof buffer);
                if (n > 0) {
                    engine.receive(std::string_view(buffer, static_cast<std::size_t>(n)),
                                   elapsed());
                    continue;
                }
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                    break;
                if (log)
                    log->line(elapsed(), "error reading the device: " +
                                             (n == 0 ? std::string("end of file") : errorText()));
                status = 1;
                break;
            }
        } else if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            // Cannot happen while we hold the slave open; if it does, stop rather than spin.
            if (log)
                log->line(elapsed(), "error: the device hung up");
            status = 1;
        }
        if (status != 0)
            break;
    }

    close(master); // the panel sees the device go away
    close(slave);
    if (!options.link.empty())
        removeLink(options.link, device);
    if (engine.hangUpDue() && log)
        log->line(elapsed(), "device closed, exiting");
    std::fprintf(stderr, "%s\n", summaryLine(engine.stats()).c_str());
    if (logFile && logFile != stderr)
        std::fclose(logFile);
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const OptionsResult parsed = parseOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "pumpsim: %s\nTry 'pumpsim --help'.\n", parsed.error.c_str());
        return 2;
    }
    if (parsed.options->help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    return run(*parsed.options);
}
