#pragma once

#include <QObject>
#include <QString>

#include <memory>

class Form1;

// The system asking the program to end: SIGTERM, SIGINT and SIGHUP on Linux (logout, shutdown,
// kill, a closed terminal); on Windows the end of the session and the console's close, Ctrl+C,
// logoff and shutdown events. Each comes as one endRequested on the user-interface thread, and
// the panel ends as when its window is closed: the run log gets its closing row, the port is
// closed. One per program.
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

    // What the platform's handlers call, from any thread: `reason` names the request. Returns
    // once the request has been handled, or at once from a thread that is not the
    // user-interface thread when `wait` is false.
    void request(const QString &reason, bool wait);

    class Platform;

signals:
    void endRequested(const QString &reason);

private:
    std::unique_ptr<Platform> m_platform;
};

// Ends `form` and then the program when the system asks.
void endWithTheSession(SessionEnd &sessionEnd, Form1 &form);
