#pragma once

#include <QElapsedTimer>

// Milliseconds on a clock that only moves forward, from the first call on: what the link and the
// run log measure durations with, untouched by changes of the wall clock.
inline qint64 monotonicMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}
