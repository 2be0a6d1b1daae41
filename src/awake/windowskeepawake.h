#pragma once

#include "keepawake.h"

// A power request ("system required") that carries the reason, so that `powercfg /requests`
// names the panel. Where the system refuses one, the thread's execution state instead: hold()
// and release() are then to be called on one thread, the window's.
class WindowsKeepAwake final : public KeepAwake
{
public:
    WindowsKeepAwake() = default;
    ~WindowsKeepAwake() override;
    WindowsKeepAwake(const WindowsKeepAwake &) = delete;
    WindowsKeepAwake &operator=(const WindowsKeepAwake &) = delete;

    bool hold(const QString &reason) override;
    void release() override;
    bool isHeld() const override;
    QString failure() const override;

private:
    enum class Held { Nothing, PowerRequest, ExecutionState };

    Held m_held = Held::Nothing;
    void *m_request = nullptr; // the power request's HANDLE while it is held
    QString m_failure;
};
