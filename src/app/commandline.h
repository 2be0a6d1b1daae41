#pragma once

#include "language.h"

#include <QString>
#include <QStringList>

#include <optional>

// The options the panel answers without opening its window. Returns the exit code when one of
// them was given (the answer printed, in `language`), nothing when the panel is to start.
std::optional<int> runCommandLine(int argc, char *argv[], Language language);

// The same, on the arguments after the program's name, writing to `out` and `err`: what the
// tests call.
std::optional<int> runCommandLine(const QStringList &arguments, QString &out, QString &err);
