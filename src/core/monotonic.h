#pragma once

#include <QtGlobal>

// Milliseconds on a clock that only moves forward, from the first call on: what the link and the
// run log measure durations with, untouched by changes of the wall clock.
qint64 monotonicMs();
