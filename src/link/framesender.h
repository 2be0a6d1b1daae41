#pragma once

#include <QString>

// Where commands go: one write of one whole frame, no waiting for the pump.
class FrameSender
{
public:
    enum class Failure { None, PortClosed, Malformed, WriteFailed };

    virtual ~FrameSender() = default;
    // Returns false, and writes nothing, when the frame cannot be sent.
    virtual bool send(const QString &frame) = 0;
    virtual Failure lastFailure() const = 0;
};
