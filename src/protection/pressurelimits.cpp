#include "pressurelimits.h"

#include "settingsfile.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSettings>

#include <cmath>

namespace {

const QString offWord = QStringLiteral("off");

// A decimal with at most two places, as the fields take it; none for anything else.
std::optional<double> hundredths(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{1,3}(\\.\\d{0,2})?$"));
    const QString trimmed = text.trimmed();
    if (!pattern.match(trimmed).hasMatch())
        return std::nullopt;
    return std::round(trimmed.toDouble() * 100.0) / 100.0;
}

bool takesDecimals(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d+\\.\\d{3,}$"));
    return pattern.match(text.trimmed()).hasMatch();
}

} // namespace

QString Limits::numberText(double mpa)
{
    return QString::number(mpa, 'f', 2);
}

QString Limits::fieldText(std::optional<double> limit)
{
    return limit ? numberText(*limit) : QString();
}

QString Limits::valueText(std::optional<double> limit)
{
    return limit ? numberText(*limit) + QStringLiteral(" MPa")
                 : QCoreApplication::translate("Limits", "关");
}

QString Limits::logText() const
{
    return QStringLiteral("high=%1 low=%2 arm=%3s pause=%4")
        .arg(high ? numberText(*high) : offWord, low ? numberText(*low) : offWord)
        .arg(armingDelay)
        .arg(pauseTimedRun ? QStringLiteral("yes") : QStringLiteral("no"));
}

std::optional<Limits> Limits::fromLogText(QStringView text)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^high=(off|[0-9]{1,3}(?:\\.[0-9]{0,2})?) low=(off|[0-9]{1,3}(?:\\.[0-9]{0,2})?) "
        "arm=(\\d+)s pause=(yes|no)"));
    const QRegularExpressionMatch match = pattern.match(text.toString());
    if (!match.hasMatch())
        return std::nullopt;
    // What the pattern takes is a limit that is off, or one hundredths() reads.
    auto limit = [](const QString &word) {
        return word == offWord ? std::nullopt : hundredths(word);
    };
    Limits limits;
    limits.high = limit(match.captured(1));
    limits.low = limit(match.captured(2));
    limits.armingDelay = match.captured(3).toInt();
    limits.pauseTimedRun = match.captured(4) == QLatin1String("yes");
    return limits;
}

QString Limits::describe() const
{
    return QCoreApplication::translate("Limits",
                                       "上限 %1，下限 %2，下限生效延时 %3 秒，跳闸时%4暂停定时运行")
        .arg(valueText(high), valueText(low))
        .arg(armingDelay)
        .arg(pauseTimedRun ? QString() : QCoreApplication::translate("Limits", "不"));
}

namespace LimitInput {

// A limit as typed, before its range is checked: off when empty, else a number of at most two
// decimals, or why it is not one. `name` is the field's label, `example` a value it might take.
LimitField typedLimit(const QString &text, const char *name, const char *example)
{
    if (text.trimmed().isEmpty())
        return {};
    if (takesDecimals(text))
        return {std::nullopt,
                QCoreApplication::translate("Limits", "%1最多两位小数（步长 0.01 MPa）")
                    .arg(QCoreApplication::translate("Limits", name))};
    const std::optional<double> value = hundredths(text);
    if (!value)
        return {std::nullopt,
                QCoreApplication::translate("Limits", "%1须是一个数，例如 %2；留空为关")
                    .arg(QCoreApplication::translate("Limits", name), QLatin1String(example))};
    return {value, QString()};
}

LimitField high(const QString &text)
{
    const LimitField typed = typedLimit(text, QT_TRANSLATE_NOOP("Limits", "压力上限"), "1.80");
    if (typed.value && (*typed.value < Limits::highLeast || *typed.value > Limits::highMost))
        return {std::nullopt,
                QCoreApplication::translate("Limits", "压力上限须在 0.05 到 2.50 MPa 之间")};
    return typed;
}

LimitField low(const QString &text, std::optional<double> high)
{
    const LimitField typed = typedLimit(text, QT_TRANSLATE_NOOP("Limits", "压力下限"), "0.20");
    const double most = (high ? *high : Limits::highMost) - Limits::lowGap;
    if (typed.value && *typed.value > most + 1e-9)
        return {std::nullopt,
                high ? QCoreApplication::translate(
                           "Limits", "压力下限须比压力上限至少低 0.05 MPa（最多 %1 MPa）")
                           .arg(Limits::numberText(most))
                     : QCoreApplication::translate("Limits", "压力下限最多 %1 MPa")
                           .arg(Limits::numberText(most))};
    return typed;
}

LimitField armingDelay(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{1,4}$"));
    const QString trimmed = text.trimmed();
    if (!pattern.match(trimmed).hasMatch())
        return {std::nullopt,
                QCoreApplication::translate("Limits", "下限生效延时须是 0 到 600 之间的整秒数")};
    const int seconds = trimmed.toInt();
    if (seconds > Limits::armingDelayMost)
        return {std::nullopt, QCoreApplication::translate("Limits", "下限生效延时最长 600 秒")};
    return {double(seconds), QString()};
}

} // namespace LimitInput

namespace LimitStore {

Limits read(const QString &file)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("protection"));
    Limits limits;
    // A value a hand-edited file holds out of range is not taken: that limit stays off.
    const LimitField high = LimitInput::high(settings.value(QStringLiteral("high")).toString());
    limits.high = high.ok() ? high.value : std::nullopt;
    const LimitField low =
        LimitInput::low(settings.value(QStringLiteral("low")).toString(), limits.high);
    limits.low = low.ok() ? low.value : std::nullopt;
    const LimitField delay = LimitInput::armingDelay(
        settings.value(QStringLiteral("armingDelay"), Limits::defaultArmingDelay).toString());
    limits.armingDelay = delay.ok() ? int(*delay.value) : Limits::defaultArmingDelay;
    limits.pauseTimedRun = settings.value(QStringLiteral("pauseTimedRun"), true).toBool();
    return limits;
}

bool write(const QString &file, const Limits &limits, QString *problem)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("protection"));
    settings.setValue(QStringLiteral("high"), Limits::fieldText(limits.high));
    settings.setValue(QStringLiteral("low"), Limits::fieldText(limits.low));
    settings.setValue(QStringLiteral("armingDelay"), limits.armingDelay);
    settings.setValue(QStringLiteral("pauseTimedRun"), limits.pauseTimedRun);
    settings.endGroup();
    return SettingsFile::synced(settings, file, problem);
}

} // namespace LimitStore
