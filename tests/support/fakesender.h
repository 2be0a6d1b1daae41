#pragma once

#include "framesender.h"

#include <QStringList>

// Records the frames sent; `open` false makes every send fail as on a closed port.
class FakeSender final : public FrameSender
{
public:
    bool send(const QString &frame) override
    {
        attempts << frame;
        if (!open) {
            m_failure = Failure::PortClosed;
            return false;
        }
        m_failure = Failure::None;
        sent << frame;
        return true;
    }
    Failure lastFailure() const override { return m_failure; }

    bool open = true;
    QStringList sent;
    QStringList attempts;

private:
    Failure m_failure = Failure::None;
};
