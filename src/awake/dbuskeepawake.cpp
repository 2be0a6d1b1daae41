#include "dbuskeepawake.h"

#include <QCoreApplication>
#include <QDBusMessage>

namespace {

const QString Who = QStringLiteral("pumppanel");

QString describe(const QDBusMessage &reply)
{
    if (reply.errorMessage().isEmpty())
        return reply.errorName();
    return reply.errorName().isEmpty()
               ? reply.errorMessage()
               : QStringLiteral("%1 (%2)").arg(reply.errorMessage(), reply.errorName());
}

} // namespace

DBusKeepAwake::DBusKeepAwake(const QDBusConnection &system, const QDBusConnection &session,
                             int timeoutMs)
    : m_system(system)
    , m_session(session)
    , m_timeoutMs(timeoutMs)
{}

DBusKeepAwake::~DBusKeepAwake()
{
    release();
}

bool DBusKeepAwake::hold(const QString &reason)
{
    if (m_held != Held::Nothing)
        return true;
    const QString inhibitorError = holdInhibitor(reason);
    if (inhibitorError.isEmpty()) {
        m_held = Held::Inhibitor;
        m_failure.clear();
        return true;
    }
    const QString screenSaverError = holdScreenSaver(reason);
    if (screenSaverError.isEmpty()) {
        m_held = Held::ScreenSaver;
        m_failure.clear();
        return true;
    }
    m_failure = QCoreApplication::translate(
                    "KeepAwake", "无法阻止计算机休眠：登录管理器 logind：%1；屏幕保护程序：%2")
                    .arg(inhibitorError, screenSaverError);
    return false;
}

void DBusKeepAwake::release()
{
    switch (m_held) {
    case Held::Nothing:
        return;
    case Held::Inhibitor:
        m_inhibitor = QDBusUnixFileDescriptor();
        break;
    case Held::ScreenSaver: {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.ScreenSaver"),
            QStringLiteral("/org/freedesktop/ScreenSaver"),
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("UnInhibit"));
        call << m_cookie;
        // Nothing to do about a refusal: the screen saver lets go anyway once the panel is gone.
        m_session.call(call, QDBus::Block, m_timeoutMs);
        m_cookie = 0;
        break;
    }
    }
    m_held = Held::Nothing;
}

bool DBusKeepAwake::isHeld() const
{
    return m_held != Held::Nothing;
}

QString DBusKeepAwake::failure() const
{
    return m_failure;
}

QString DBusKeepAwake::holdInhibitor(const QString &reason)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << Who << reason << QStringLiteral("block");
    const QDBusMessage reply = m_system.call(call, QDBus::Block, m_timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return describe(reply);
    const QVariantList arguments = reply.arguments();
    const QDBusUnixFileDescriptor inhibitor =
        arguments.size() == 1 ? arguments.front().value<QDBusUnixFileDescriptor>()
                              : QDBusUnixFileDescriptor();
    if (!inhibitor.isValid())
        // Also what a bus that cannot pass descriptors leaves of logind's answer.
        return QCoreApplication::translate("KeepAwake", "回复中没有文件描述符（签名 %1）")
            .arg(reply.signature());
    m_inhibitor = inhibitor;
    return {};
}

QString DBusKeepAwake::holdScreenSaver(const QString &reason)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.ScreenSaver"),
        QStringLiteral("/org/freedesktop/ScreenSaver"),
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("Inhibit"));
    call << Who << reason;
    const QDBusMessage reply = m_session.call(call, QDBus::Block, m_timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return describe(reply);
    const QVariantList arguments = reply.arguments();
    if (arguments.size() != 1 || arguments.front().metaType() != QMetaType::fromType<uint>())
        return QCoreApplication::translate("KeepAwake", "回复中没有 cookie（签名 %1）")
            .arg(reply.signature());
    m_cookie = arguments.front().toUInt();
    return {};
}

namespace {

// The buses are connected the first time the pump may run, not while the panel starts.
class SystemKeepAwake final : public KeepAwake
{
public:
    bool hold(const QString &reason) override
    {
        if (!m_awake) {
            m_awake = std::make_unique<DBusKeepAwake>(QDBusConnection::systemBus(),
                                                      QDBusConnection::sessionBus());
        }
        return m_awake->hold(reason);
    }
    void release() override
    {
        if (m_awake)
            m_awake->release();
    }
    bool isHeld() const override { return m_awake && m_awake->isHeld(); }
    QString failure() const override { return m_awake ? m_awake->failure() : QString(); }

private:
    std::unique_ptr<DBusKeepAwake> m_awake;
};

} // namespace

std::unique_ptr<KeepAwake> makeSystemKeepAwake()
{
    return std::make_unique<SystemKeepAwake>();
}
