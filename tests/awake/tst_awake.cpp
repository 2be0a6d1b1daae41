#include "keepawake.h"
#include "testsupport.h"

#include <QtTest>

#ifdef Q_OS_WIN

// The power request is the system's own: all there is to see from here is that it takes and
// gives back the request.
class TestAwake : public QObject
{
    Q_OBJECT

private slots:
    void holdAndRelease();
};

void TestAwake::holdAndRelease()
{
    const std::unique_ptr<KeepAwake> awake = makeSystemKeepAwake();
    QVERIFY(!awake->isHeld());
    QVERIFY2(awake->hold(utf8("泵运行中")), qPrintable(awake->failure()));
    QVERIFY(awake->isHeld());
    QCOMPARE(awake->failure(), QString());
    QVERIFY(awake->hold(utf8("泵运行中")));
    awake->release();
    QVERIFY(!awake->isHeld());
    awake->release();
    QVERIFY(!awake->isHeld());
    QVERIFY2(awake->hold(utf8("泵运行中")), qPrintable(awake->failure()));
    QVERIFY(awake->isHeld());
}

#else

#include "dbuskeepawake.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServer>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace {

// How a stand-in answers the panel's call. Absent: the panel gets a connection that is not
// connected at all, as without a bus.
enum class Answer { Grant, Refuse, Malformed, Silent, Absent };

// Short, so that a stand-in that never answers costs the test little.
constexpr int TimeoutMs = 200;

// Whether every copy of a pipe's write end is closed, waiting up to `waitMs` for it.
bool writeEndClosed(int readEnd, int waitMs)
{
    pollfd watched{readEnd, POLLIN, 0};
    if (::poll(&watched, 1, waitMs) <= 0)
        return false;
    char byte = 0;
    return ::read(readEnd, &byte, 1) == 0;
}

// What a stand-in service is told to answer and the calls it had, read from the test's thread
// while the service answers on its own.
template<typename Call> class StandInCalls
{
public:
    void answerWith(Answer answer)
    {
        const QMutexLocker locker(&m_mutex);
        m_answer = answer;
    }
    QList<Call> calls() const
    {
        const QMutexLocker locker(&m_mutex);
        return m_calls;
    }

protected:
    mutable QMutex m_mutex;
    Answer m_answer = Answer::Grant;
    QList<Call> m_calls;
};

struct Login1Call
{
    QString what;
    QString who;
    QString why;
    QString mode;
    int readEnd = -1; // only when an inhibitor was handed out
};

struct ScreenSaverCall
{
    QString application;
    QString reason;
    uint cookie = 0; // only when it was granted
};

// logind's manager: hands out the write end of a fresh pipe per inhibitor and keeps the read end,
// which reads end-of-file once the panel has closed what it got.
class StandInLogin1 : public QObject, protected QDBusContext, public StandInCalls<Login1Call>
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    using Call = Login1Call;

    ~StandInLogin1() override
    {
        for (const Call &call : std::as_const(m_calls)) {
            if (call.readEnd >= 0)
                ::close(call.readEnd);
        }
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                    const QString &mode)
    {
        const QMutexLocker locker(&m_mutex);
        m_calls.append({what, who, why, mode});
        switch (m_answer) {
        case Answer::Grant:
            break;
        case Answer::Refuse:
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("stand-in logind refuses"));
            return {};
        case Answer::Malformed:
            setDelayedReply(true);
            connection().send(message().createReply(QStringLiteral("no descriptor here")));
            return {};
        case Answer::Silent:
        case Answer::Absent:
            setDelayedReply(true);
            return {};
        }
        int ends[2];
        if (::pipe(ends) != 0) {
            sendErrorReply(QDBusError::Failed, QString::fromLocal8Bit(std::strerror(errno)));
            return {};
        }
        // The reply carries a copy; ours goes, so that only the panel's keeps the pipe open.
        const QDBusUnixFileDescriptor writeEnd(ends[1]);
        ::close(ends[1]);
        m_calls.last().readEnd = ends[0];
        return writeEnd;
    }
};

// The desktop's screen saver: numbers its inhibitions and notes which were given back.
class StandInScreenSaver : public QObject,
                           protected QDBusContext,
                           public StandInCalls<ScreenSaverCall>
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    using Call = ScreenSaverCall;

    QList<uint> uninhibited() const
    {
        const QMutexLocker locker(&m_mutex);
        return m_uninhibited;
    }

public slots:
    uint Inhibit(const QString &application, const QString &reason)
    {
        const QMutexLocker locker(&m_mutex);
        m_calls.append({application, reason});
        switch (m_answer) {
        case Answer::Grant:
            m_calls.last().cookie = m_nextCookie++;
            return m_calls.last().cookie;
        case Answer::Refuse:
            sendErrorReply(QDBusError::NotSupported,
                           QStringLiteral("stand-in screen saver refuses"));
            return 0;
        case Answer::Malformed:
            setDelayedReply(true);
            connection().send(message().createReply(QStringLiteral("no cookie here")));
            return 0;
        case Answer::Silent:
        case Answer::Absent:
            setDelayedReply(true);
            return 0;
        }
        return 0;
    }
    void UnInhibit(uint cookie)
    {
        const QMutexLocker locker(&m_mutex);
        m_uninhibited.append(cookie);
    }

private:
    uint m_nextCookie = 4711;
    QList<uint> m_uninhibited;
};

// A bus of two: `service` served at `path` on the server side of a peer connection, on a thread
// of its own, so that the panel's blocking calls from the test's thread are answered meanwhile.
class StandInBus
{
public:
    StandInBus(QObject *service, const QString &path)
        : m_service(service)
    {
        m_thread.start();
        m_context->moveToThread(&m_thread);
        m_service->moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            m_context,
            [this, path] {
                m_server = new QDBusServer(QStringLiteral("unix:tmpdir=") + m_dir.path());
                // Dispatch on the new connection starts only after this has run.
                QObject::connect(m_server, &QDBusServer::newConnection, m_server,
                                 [this, path](QDBusConnection serverSide) {
                                     serverSide.registerObject(path, m_service,
                                                               QDBusConnection::ExportAllSlots);
                                     m_serverSide = serverSide.name();
                                 });
            },
            Qt::BlockingQueuedConnection);
        static int buses = 0;
        m_client = QDBusConnection::connectToPeer(m_server->address(),
                                                  QStringLiteral("tst_awake-peer-%1").arg(++buses));
    }
    ~StandInBus()
    {
        QDBusConnection::disconnectFromPeer(m_client.name());
        QMetaObject::invokeMethod(
            m_context,
            [this] {
                if (!m_serverSide.isEmpty())
                    QDBusConnection::disconnectFromPeer(m_serverSide);
                delete m_server;
                delete m_service;
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
        delete m_context;
    }
    StandInBus(const StandInBus &) = delete;
    StandInBus &operator=(const StandInBus &) = delete;

    QDBusConnection client() const { return m_client; }

private:
    QTemporaryDir m_dir;
    QThread m_thread;
    QObject *m_context = new QObject; // runs the server's work on m_thread
    QObject *m_service;
    QDBusServer *m_server = nullptr;
    QString m_serverSide;
    QDBusConnection m_client{QString()};
};

// Words the panel's failure text has to carry for a stand-in answering so; none in particular
// for an answer it cannot make sense of.
QString wordsFor(Answer answer, const QString &refusal)
{
    switch (answer) {
    case Answer::Refuse:
        return refusal;
    case Answer::Silent:
        return QStringLiteral("org.freedesktop.DBus.Error.NoReply");
    case Answer::Absent:
        return QStringLiteral("org.freedesktop.DBus.Error.Disconnected");
    case Answer::Grant:
    case Answer::Malformed:
        break;
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestAwake : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void holdTakesABlockInhibitor_data();
    void holdTakesABlockInhibitor();
    void oneHoldAtATime_data();
    void oneHoldAtATime();
    void fallsBackToTheScreenSaver_data();
    void fallsBackToTheScreenSaver();
    void bothRefuse_data();
    void bothRefuse();
    void failureIsClearedByAHoldThatWorks_data();
    void failureIsClearedByAHoldThatWorks();
    void destructorReleases_data();
    void destructorReleases();

private:
    // A keep-awake on the stand-ins, which answer as given.
    std::unique_ptr<DBusKeepAwake> keepAwake(Answer login1, Answer screenSaver);
    // How many of logind's inhibitors the panel still holds.
    int openInhibitors() const;

    StandInLogin1 *m_login1 = nullptr;
    StandInScreenSaver *m_screenSaver = nullptr;
    std::unique_ptr<StandInBus> m_system;
    std::unique_ptr<StandInBus> m_session;
};

void TestAwake::initTestCase()
{
    // Without descriptor passing on the stand-in bus the inhibitor cases would mean nothing.
    const StandInBus bus(new StandInLogin1, QStringLiteral("/org/freedesktop/login1"));
    QVERIFY(bus.client().isConnected());
    // The peers agree on what they can pass while authenticating, which a first call waits for.
    const QDBusMessage ping =
        bus.client().call(QDBusMessage::createMethodCall(
                              QString(), QStringLiteral("/"),
                              QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")),
                          QDBus::Block, 5000);
    QCOMPARE(ping.type(), QDBusMessage::ReplyMessage);
    QVERIFY(bus.client().connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing);
}

void TestAwake::init()
{
    m_login1 = new StandInLogin1;
    m_screenSaver = new StandInScreenSaver;
    m_system = std::make_unique<StandInBus>(m_login1, QStringLiteral("/org/freedesktop/login1"));
    m_session =
        std::make_unique<StandInBus>(m_screenSaver, QStringLiteral("/org/freedesktop/ScreenSaver"));
}

void TestAwake::cleanup()
{
    m_system.reset();
    m_session.reset();
}

std::unique_ptr<DBusKeepAwake> TestAwake::keepAwake(Answer login1, Answer screenSaver)
{
    m_login1->answerWith(login1);
    m_screenSaver->answerWith(screenSaver);
    const QDBusConnection nowhere(QStringLiteral("tst_awake-nowhere"));
    return std::make_unique<DBusKeepAwake>(
        login1 == Answer::Absent ? nowhere : m_system->client(),
        screenSaver == Answer::Absent ? nowhere : m_session->client(), TimeoutMs);
}

int TestAwake::openInhibitors() const
{
    int open = 0;
    for (const StandInLogin1::Call &call : m_login1->calls()) {
        if (call.readEnd >= 0 && !writeEndClosed(call.readEnd, 100))
            ++open;
    }
    return open;
}

void TestAwake::holdTakesABlockInhibitor_data()
{
    QTest::addColumn<QString>("reason");
    QTest::newRow("the panel's") << utf8("泵运行中");
    QTest::newRow("another") << QStringLiteral("calibration run");
}

void TestAwake::holdTakesABlockInhibitor()
{
    QFETCH(QString, reason);
    const auto awake = keepAwake(Answer::Grant, Answer::Grant);
    QVERIFY2(awake->hold(reason), qPrintable(awake->failure()));
    QVERIFY(awake->isHeld());
    QCOMPARE(awake->failure(), QString());

    const QList<StandInLogin1::Call> calls = m_login1->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].what, QStringLiteral("sleep:idle"));
    QCOMPARE(calls[0].who, QStringLiteral("pumppanel"));
    QCOMPARE(calls[0].why, reason);
    QCOMPARE(calls[0].mode, QStringLiteral("block"));
    QVERIFY(!writeEndClosed(calls[0].readEnd, 200));
    QVERIFY(m_screenSaver->calls().isEmpty());

    awake->release();
    QVERIFY(!awake->isHeld());
    QVERIFY(writeEndClosed(calls[0].readEnd, 2000));
}

void TestAwake::oneHoldAtATime_data()
{
    QTest::addColumn<Answer>("login1");
    QTest::newRow("logind") << Answer::Grant;
    QTest::newRow("screen saver") << Answer::Refuse;
}

void TestAwake::oneHoldAtATime()
{
    QFETCH(Answer, login1);
    const bool inhibitor = login1 == Answer::Grant;
    const auto awake = keepAwake(login1, Answer::Grant);
    // What the stand-ins were asked for, and what they were given back.
    auto taken = [&] {
        return inhibitor ? m_login1->calls().size() : m_screenSaver->calls().size();
    };
    auto held = [&] {
        return inhibitor ? openInhibitors()
                         : int(m_screenSaver->calls().size() - m_screenSaver->uninhibited().size());
    };

    QVERIFY(awake->hold(utf8("泵运行中")));
    QVERIFY(awake->hold(utf8("泵运行中")));
    QVERIFY(awake->isHeld());
    QCOMPARE(taken(), 1);
    QCOMPARE(held(), 1);

    awake->release();
    awake->release();
    QVERIFY(!awake->isHeld());
    QCOMPARE(held(), 0);
    if (!inhibitor)
        QCOMPARE(m_screenSaver->uninhibited(), QList<uint>{m_screenSaver->calls()[0].cookie});

    QVERIFY(awake->hold(utf8("泵运行中")));
    QVERIFY(awake->isHeld());
    QCOMPARE(taken(), 2);
    QCOMPARE(held(), 1);
    awake->release();
    QCOMPARE(held(), 0);
}

void TestAwake::fallsBackToTheScreenSaver_data()
{
    QTest::addColumn<Answer>("login1");
    QTest::newRow("logind refuses") << Answer::Refuse;
    QTest::newRow("logind gives no descriptor") << Answer::Malformed;
    QTest::newRow("logind is stuck") << Answer::Silent;
    QTest::newRow("no system bus") << Answer::Absent;
}

void TestAwake::fallsBackToTheScreenSaver()
{
    QFETCH(Answer, login1);
    const auto awake = keepAwake(login1, Answer::Grant);
    const QString reason = utf8("泵运行中");
    QElapsedTimer clock;
    clock.start();
    QVERIFY2(awake->hold(reason), qPrintable(awake->failure()));
    // The call's own time limit, not Qt's default of 25 s.
    QCOMPARE_LT(clock.elapsed(), DBusKeepAwake::DefaultTimeoutMs);
    QVERIFY(awake->isHeld());
    QCOMPARE(awake->failure(), QString());
    QCOMPARE(openInhibitors(), 0);

    const QList<StandInScreenSaver::Call> calls = m_screenSaver->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].application, QStringLiteral("pumppanel"));
    QCOMPARE(calls[0].reason, reason);
    QVERIFY(m_screenSaver->uninhibited().isEmpty());

    awake->release();
    QVERIFY(!awake->isHeld());
    QCOMPARE(m_screenSaver->uninhibited(), QList<uint>{calls[0].cookie});
}

void TestAwake::bothRefuse_data()
{
    QTest::addColumn<Answer>("login1");
    QTest::addColumn<Answer>("screenSaver");
    QTest::newRow("both refuse") << Answer::Refuse << Answer::Refuse;
    QTest::newRow("no buses") << Answer::Absent << Answer::Absent;
    QTest::newRow("logind stuck, screen saver refuses") << Answer::Silent << Answer::Refuse;
    QTest::newRow("logind refuses, screen saver stuck") << Answer::Refuse << Answer::Silent;
    QTest::newRow("no descriptor, no session bus") << Answer::Malformed << Answer::Absent;
    QTest::newRow("no system bus, no cookie") << Answer::Absent << Answer::Malformed;
}

void TestAwake::bothRefuse()
{
    QFETCH(Answer, login1);
    QFETCH(Answer, screenSaver);
    const auto awake = keepAwake(login1, screenSaver);
    QVERIFY(!awake->hold(utf8("泵运行中")));
    QVERIFY(!awake->isHeld());

    const QString failure = awake->failure();
    QVERIFY(!failure.isEmpty());
    for (const QString &words :
         {wordsFor(login1, QStringLiteral("stand-in logind refuses")),
          wordsFor(screenSaver, QStringLiteral("stand-in screen saver refuses"))}) {
        QVERIFY2(failure.contains(words), qPrintable(failure));
    }
    QCOMPARE(openInhibitors(), 0);

    // Nothing to give back.
    awake->release();
    QVERIFY(!awake->isHeld());
    QVERIFY(m_screenSaver->uninhibited().isEmpty());
}

void TestAwake::failureIsClearedByAHoldThatWorks_data()
{
    QTest::addColumn<bool>("byLogind");
    QTest::newRow("logind") << true;
    QTest::newRow("screen saver") << false;
}

void TestAwake::failureIsClearedByAHoldThatWorks()
{
    QFETCH(bool, byLogind);
    const auto awake = keepAwake(Answer::Refuse, Answer::Refuse);
    QVERIFY(!awake->hold(utf8("泵运行中")));
    QVERIFY(!awake->failure().isEmpty());
    if (byLogind)
        m_login1->answerWith(Answer::Grant);
    else
        m_screenSaver->answerWith(Answer::Grant);
    QVERIFY(awake->hold(utf8("泵运行中")));
    QCOMPARE(awake->failure(), QString());
    QCOMPARE(openInhibitors(), byLogind ? 1 : 0);
}

void TestAwake::destructorReleases_data()
{
    oneHoldAtATime_data();
}

void TestAwake::destructorReleases()
{
    QFETCH(Answer, login1);
    auto awake = keepAwake(login1, Answer::Grant);
    QVERIFY(awake->hold(utf8("泵运行中")));
    awake.reset();
    if (login1 == Answer::Grant) {
        QCOMPARE(m_login1->calls().size(), 1);
        QVERIFY(writeEndClosed(m_login1->calls()[0].readEnd, 2000));
    } else {
        QCOMPARE(m_screenSaver->calls().size(), 1);
        QCOMPARE(m_screenSaver->uninhibited(), QList<uint>{m_screenSaver->calls()[0].cookie});
    }
}

#endif

QTEST_GUILESS_MAIN(TestAwake)
#include "tst_awake.moc"
