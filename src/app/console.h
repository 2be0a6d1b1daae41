#pragma once

#include <QString>
#include <QStringList>

// The console the program was started from, for the few answers the panel gives there. On
// Windows the panel is a windowed program: it writes to the console of the command prompt that
// started it, or to the files or pipes its output was sent to.
class Console
{
public:
    void write(const QString &out, const QString &err);
};

// The arguments after the program's name, as they were typed: on Windows from the wide command
// line, so that a path with characters outside the ANSI code page arrives whole.
QStringList commandLineArguments(int argc, char *argv[]);
