#include "portname.h"

#include "numbers.h"

#include <QRegularExpression>

std::optional<QString> portDeviceName(QStringView answer)
{
    if (const std::optional<qint16> number = textToInt16(answer)) {
        if (*number < 1)
            return std::nullopt;
#ifdef Q_OS_WIN
        return QStringLiteral("COM%1").arg(*number);
#else
        return QStringLiteral("/dev/ttyS%1").arg(*number - 1);
#endif
    }
    const QString name = answer.trimmed().toString();
    static const QRegularExpression windowsName(QStringLiteral("^(\\\\\\\\\\.\\\\)?COM[1-9]\\d*$"),
                                                QRegularExpression::CaseInsensitiveOption);
    if (name.startsWith(QLatin1Char('/')) || windowsName.match(name).hasMatch())
        return name;
    return std::nullopt;
}
