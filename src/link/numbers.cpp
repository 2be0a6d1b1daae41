#include "numbers.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

std::optional<double> textToDouble(QStringView text)
{
    static const QRegularExpression decimal(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.trimmed().toString().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint16> textToInt16(QStringView text)
{
    const std::optional<double> value = textToDouble(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value); // the default rounding: half to even
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

QString formatPattern(double value, int integerDigits, int decimals)
{
    // Round the decimal text of the value, not its binary neighbour, so that 1.15 gives 1.2
    // as it reads. Fifteen significant digits are all a double holds reliably.
    const QString scientific = QString::number(std::abs(value), 'e', 14); // d.dddddddddddddde±x
    const int exponentAt = scientific.indexOf(QLatin1Char('e'));
    const QString mantissa = scientific.left(1) + scientific.mid(2, exponentAt - 2);
    const int exponent = scientific.mid(exponentAt + 1).toInt();

    // digits[i] is the digit of weight 10^(pointAt - 1 - i).
    QString digits = mantissa;
    int pointAt = exponent + 1;
    if (pointAt < 1) {
        digits.prepend(QString(1 - pointAt, QLatin1Char('0')));
        pointAt = 1;
    }
    const int keep = pointAt + decimals;
    if (digits.size() < keep + 1)
        digits.append(QString(keep + 1 - digits.size(), QLatin1Char('0')));

    const bool roundUp = digits.at(keep) >= QLatin1Char('5');
    digits.truncate(keep);
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && digits.at(i) == QLatin1Char('9')) {
            digits[i] = QLatin1Char('0');
            --i;
        }
        if (i >= 0) {
            digits[i] = QChar(digits.at(i).unicode() + 1);
        } else {
            digits.prepend(QLatin1Char('1'));
            ++pointAt;
        }
    }

    QString integerPart = digits.left(pointAt);
    while (integerPart.size() > 1 && integerPart.startsWith(QLatin1Char('0')))
        integerPart.remove(0, 1);
    if (integerPart.size() < integerDigits)
        integerPart.prepend(QString(integerDigits - integerPart.size(), QLatin1Char('0')));
    QString result = integerPart;
    if (decimals > 0)
        result += QLatin1Char('.') + digits.mid(pointAt, decimals);

    const bool isZero = !digits.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if (value < 0 && !isZero)
        result.prepend(QLatin1Char('-'));
    return result;
}

QString secondsText(qint64 ms)
{
    return QString::number(ms / 1000.0, 'f', 1);
}
