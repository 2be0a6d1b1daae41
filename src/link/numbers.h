#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The number conversions every handler uses: text typed by the operator or shown in a label
// to numbers, and numbers to the digit patterns of the frames.

// A decimal number, with optional sign, fraction, exponent and surrounding spaces. Empty text,
// anything that is not such a number, and magnitudes beyond a double fail.
std::optional<double> textToDouble(QStringView text);

// A decimal number rounded to the nearest integer, a half to the even neighbour (2.5 gives 2,
// 3.5 gives 4). Fails as textToDouble does, and outside -32768 to 32767.
std::optional<qint16> textToInt16(QStringView text);

// `value` with at least `integerDigits` digits before the point (zero-padded) and exactly
// `decimals` after it, rounded a half away from zero; a negative value takes a leading "-".
// The patterns of the frames: "00" is (2, 0), "0000" is (4, 0), "00.0" is (2, 1).
QString formatPattern(double value, int integerDigits, int decimals);

// A time in milliseconds as seconds with one decimal, as the messages and the run log tell a
// silence, an outage or a lateness: "3.5".
QString secondsText(qint64 ms);
