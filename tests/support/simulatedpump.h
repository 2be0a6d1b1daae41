#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

// The simulated pump (tools/pumpsim) as a child process: it plays the pump on a pseudo-terminal
// and links the device at a path the panel is given as its port answer. POSIX only, as the pump
// is.
class SimulatedPump
{
public:
    // `program` is the simulated pump to run. With a `logFile` the pump logs every frame to it,
    // appending across starts; without one it runs quietly, which a measuring run wants.
    SimulatedPump(const QString &program, const QString &link, const QString &logFile = {});
    ~SimulatedPump();
    SimulatedPump(const SimulatedPump &) = delete;
    SimulatedPump &operator=(const SimulatedPump &) = delete;

    QString link() const { return m_link; }

    // Starts the pump with the options after its --link, stopping one still running first. True
    // once the link is there; the pump's own words are warned about when it is not.
    bool start(const QStringList &options = {});
    // Asks the pump to end (SIGTERM), kills it if it has not after five seconds, and keeps its
    // summary.
    void stop();
    bool isRunning() const;
    // Waits, handling events, for the pump to end by itself (after --hang-up-after).
    bool waitForExit(int timeout = 5000);
    int exitCode() const;

    // The frames logged under `kind` ("recv", "send", "drop", ...), in order.
    QStringList logged(const QString &kind) const;
    // The same, each with the seconds since the pump started at which it was logged.
    struct Logged
    {
        double seconds;
        QString frame;
    };
    QList<Logged> loggedTimes(const QString &kind) const;
    // How many answers (three frames each) the pump says it sent, from the summary it printed
    // when it ended; -1 before that or when it printed none.
    long answersSent() const;

private:
    void collectOutput();

    QString m_program;
    QString m_link;
    QString m_logFile;
    std::unique_ptr<QProcess> m_process;
    QString m_output; // what the pump printed on standard error
};
