#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The pressure limits the panel enforces, as the operator set them in 保护设定. Both limits are
// off until someone sets them.
struct Limits
{
    static constexpr double highLeast = 0.05; // MPa
    static constexpr double highMost = 2.50;
    // The low limit stays this far under the high one.
    static constexpr double lowGap = 0.05;
    static constexpr int armingDelayMost = 600; // s
    static constexpr int defaultArmingDelay = 60;

    std::optional<double> high; // MPa, in steps of 0.01
    std::optional<double> low;
    int armingDelay = defaultArmingDelay; // s after a RUN before the low limit counts
    bool pauseTimedRun = true;            // a trip pauses a timed run as 暂停 does

    bool any() const { return high.has_value() || low.has_value(); }
    friend bool operator==(const Limits &, const Limits &) = default;

    // "1.80": a pressure as the settings, the fields and the messages write it.
    static QString numberText(double mpa);
    // The same, or nothing for a limit that is off: as a field and the settings file hold it.
    static QString fieldText(std::optional<double> limit);
    // "1.80 MPa", or "关" for a limit that is off.
    static QString valueText(std::optional<double> limit);
    // The settings in the run log's words, which the history reads back:
    // "high=1.80 low=off arm=60s pause=yes".
    QString logText() const;
    static std::optional<Limits> fromLogText(QStringView text);
    // In full words, for the report and the window: "上限 1.80 MPa，下限 关，…".
    QString describe() const;
};

// One field of the settings as typed: its value, or why it cannot be taken.
struct LimitField
{
    std::optional<double> value; // none: off
    QString problem;             // empty when the text can be taken

    bool ok() const { return problem.isEmpty(); }
};

namespace LimitInput {
// The high limit as typed: empty text is off; else 0.05 to 2.50 with at most two decimals.
LimitField high(const QString &text);
// The low limit as typed: empty text is off; else 0 up to the high limit − 0.05.
LimitField low(const QString &text, std::optional<double> high);
// The arming delay in whole seconds, 0 to 600.
LimitField armingDelay(const QString &text);
} // namespace LimitInput

// Where the settings are kept: the panel's own INI file (SettingsFile). Reading a file that is
// missing or holds values out of range gives the defaults for those values (limits off).
namespace LimitStore {
Limits read(const QString &file);
// False, with the reason, when the file could not be written.
bool write(const QString &file, const Limits &limits, QString *problem);
} // namespace LimitStore
