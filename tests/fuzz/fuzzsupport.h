#pragma once

#include <QApplication>

#include <cstdlib>

// The widgets under test need an application; fuzz targets have no main of their own to make it.
inline QApplication &fuzzApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// A broken invariant is a finding: stop where the fuzzer can see it.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}
