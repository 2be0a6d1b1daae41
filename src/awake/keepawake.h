#pragma once

#include <QString>

#include <memory>

// Keeps the computer awake (no idle sleep) while the pump may be running. One hold at a time:
// hold() while held does nothing and returns true.
class KeepAwake
{
public:
    virtual ~KeepAwake() = default;
    // Asks the system not to sleep, giving `reason` (the panel passes "泵运行中"). True if it is
    // held.
    virtual bool hold(const QString &reason) = 0;
    // Lets the system sleep again; does nothing when nothing is held.
    virtual void release() = 0;
    virtual bool isHeld() const = 0;
    // Why the last hold() failed, in words an operator can read (Simplified Chinese), with the
    // system's own message in it; empty after a hold that worked.
    virtual QString failure() const = 0;
};

// The one of this platform (Windows: power request; elsewhere: logind over D-Bus).
std::unique_ptr<KeepAwake> makeSystemKeepAwake();
