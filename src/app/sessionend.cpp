#include "sessionend.h"

#include "form1.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>

#include <windows.h>
#else
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

SessionEnd *current = nullptr;

} // namespace

#ifdef Q_OS_WIN

// WM_ENDSESSION comes to every top-level window just before Windows ends the process, which
// happens as soon as the window procedure returns: the request is handled before that. A
// console's events come on a thread of their own, and the process ends when the handler returns
// (for close, logoff and shutdown), so the handler waits for the user-interface thread.
class SessionEnd::Platform : public QAbstractNativeEventFilter
{
public:
    explicit Platform(SessionEnd *owner)
        : m_owner(owner)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
        SetConsoleCtrlHandler(&Platform::consoleEvent, TRUE);
    }
    ~Platform() override
    {
        SetConsoleCtrlHandler(&Platform::consoleEvent, FALSE);
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        // Sent to each window: handled once.
        if (msg->message == WM_ENDSESSION && msg->wParam == TRUE && !m_ended) {
            m_ended = true;
            m_owner->request(QCoreApplication::translate("SessionEnd", "Windows 会话结束"), true);
        }
        return false;
    }

    static BOOL WINAPI consoleEvent(DWORD type)
    {
        if (!current)
            return FALSE;
        switch (type) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            current->request(QCoreApplication::translate("SessionEnd", "控制台 Ctrl+C"), false);
            return TRUE;
        case CTRL_CLOSE_EVENT:
            current->request(QCoreApplication::translate("SessionEnd", "控制台关闭"), true);
            return TRUE;
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            current->request(QCoreApplication::translate("SessionEnd", "Windows 会话结束"), true);
            return TRUE;
        default:
            return FALSE;
        }
    }

private:
    SessionEnd *m_owner;
    bool m_ended = false;
};

#else

// A signal handler may do next to nothing: it writes the signal's number to a socket, and the
// event loop reads it on the user-interface thread.
class SessionEnd::Platform
{
public:
    explicit Platform(SessionEnd *owner)
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(fds[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, owner, [owner] {
            unsigned char number = 0;
            if (::read(fds[1], &number, 1) != 1)
                return;
            owner->request(
                QCoreApplication::translate("SessionEnd", "收到信号 %1").arg(nameOf(number)), true);
        });
        struct sigaction action = {};
        action.sa_handler = &Platform::onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int number : handledSignals)
            ::sigaction(number, &action, nullptr);
    }
    ~Platform()
    {
        for (const int number : handledSignals)
            ::signal(number, SIG_DFL);
        m_notifier.reset();
        if (fds[0] >= 0) {
            ::close(fds[0]);
            ::close(fds[1]);
        }
        fds[0] = fds[1] = -1;
    }

private:
    static constexpr int handledSignals[] = {SIGTERM, SIGINT, SIGHUP};

    static void onSignal(int number)
    {
        const unsigned char byte = static_cast<unsigned char>(number);
        const ssize_t written = ::write(fds[0], &byte, 1);
        (void)written; // nothing else may be done here
    }
    static QString nameOf(int number)
    {
        switch (number) {
        case SIGTERM:
            return QStringLiteral("SIGTERM");
        case SIGINT:
            return QStringLiteral("SIGINT");
        case SIGHUP:
            return QStringLiteral("SIGHUP");
        }
        return QString::number(number);
    }

    static inline int fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

#endif

SessionEnd::SessionEnd(QObject *parent)
    : QObject(parent)
{
    current = this;
    m_platform = std::make_unique<Platform>(this);
}

SessionEnd::~SessionEnd()
{
    m_platform.reset();
    current = nullptr;
}

void SessionEnd::request(const QString &reason, bool wait)
{
    if (QThread::currentThread() == thread()) {
        emit endRequested(reason);
        return;
    }
    // From another thread: handled on the user-interface thread, waited for a few seconds at
    // most, as the system gives the process no longer.
    auto done = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(
        this,
        [this, reason, done] {
            emit endRequested(reason);
            done->release();
        },
        Qt::QueuedConnection);
    if (wait)
        done->tryAcquire(1, 4000);
}

void endWithTheSession(SessionEnd &sessionEnd, Form1 &form)
{
    QObject::connect(&sessionEnd, &SessionEnd::endRequested, &form, [&form](const QString &why) {
        form.endBySystem(why);
        QCoreApplication::exit(0);
    });
}
