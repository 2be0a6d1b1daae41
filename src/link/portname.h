#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The device an answer to the port prompt names. A number N, converted as a 16-bit integer
// (2.5 gives 2, 3.5 gives 4), is "COMN" on Windows and "/dev/ttyS{N-1}" elsewhere; N must be at
// least 1. A device name is taken as it is typed: an absolute path such as /dev/ttyUSB0 or
// /dev/pts/3, or a Windows name such as COM3. Anything else names no port.
std::optional<QString> portDeviceName(QStringView answer);
