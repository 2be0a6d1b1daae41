#pragma once

#include "keepawake.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

// Holds a logind inhibitor ("sleep:idle", mode "block") on the system bus. Where logind gives
// none (no system bus, refused, no descriptor passing), asks the desktop's screen saver on the
// session bus instead, which keeps the session from going idle.
class DBusKeepAwake final : public KeepAwake
{
public:
    // How long one call may take before the bus counts as stuck; the window waits meanwhile.
    static constexpr int DefaultTimeoutMs = 2000;

    DBusKeepAwake(const QDBusConnection &system, const QDBusConnection &session,
                  int timeoutMs = DefaultTimeoutMs);
    ~DBusKeepAwake() override;
    DBusKeepAwake(const DBusKeepAwake &) = delete;
    DBusKeepAwake &operator=(const DBusKeepAwake &) = delete;

    bool hold(const QString &reason) override;
    void release() override;
    bool isHeld() const override;
    QString failure() const override;

private:
    enum class Held { Nothing, Inhibitor, ScreenSaver };

    // Each returns the bus's words for why it did not hold, or nothing when it did.
    QString holdInhibitor(const QString &reason);
    QString holdScreenSaver(const QString &reason);

    QDBusConnection m_system;
    QDBusConnection m_session;
    int m_timeoutMs;
    Held m_held = Held::Nothing;
    QDBusUnixFileDescriptor m_inhibitor; // logind drops the inhibitor once this is closed
    uint m_cookie = 0;                   // the screen saver's, for UnInhibit
    QString m_failure;
};
