#pragma once

#include "pressurelimits.h"

#include <QtGlobal>

#include <optional>

// When the pressure limits trip, judged reply by reply on the link's monotonic clock. Pure rules:
// the guard feeds them each reading and what went out to the pump, and acts on what they say.
//
// High: two readings in a row above the limit, or one at or above the limit + spikeMargin;
// exactly at the limit is within. Low: lowCount readings in a row below it, counted only once
// it is armed, armingDelay after a RUN (or a higher set flow) went out and until a STOP did.
// A reading is back within a limit only hysteresis inside it; a reading that is not a number is
// never within. The first reading after the port opens is judged at once: the pump ran unwatched.
// A trip latches until reset(), which is refused until a reading since the port opened is back
// within the limits in force.
class LimitRules
{
public:
    // The rules count in thousandths of a MPa, so that "1.80" and 1.8 + 0.2 compare exactly.
    static constexpr int spikeMargin = 200;
    static constexpr int hysteresis = 40;
    static constexpr int highCount = 2;
    static constexpr int lowCount = 4;
    static constexpr int invalidCount = 3;

    enum class Limit { High, Low };
    struct Trip
    {
        Limit limit;
        double limitValue; // MPa
        double reading;    // MPa
    };
    // What one reading changed.
    struct Verdict
    {
        std::optional<Trip> trip;
        bool armed = false;          // the low limit counts from this reading on
        bool invalidStarted = false; // the third reading in a row that is not a number
        bool invalidEnded = false;   // a number again after that
    };
    enum class LowState { Off, NotArmed, Waiting, Armed };

    // Returns whether a low limit newly set while the pump runs now waits its delay.
    bool setLimits(const Limits &limits, qint64 now);
    const Limits &limits() const { return m_limits; }

    // `pressure` is none when the reply's current pressure is not a number; `mayRun` whether the
    // pump may be running (RUN out and no STOP since, or a STOP owed).
    Verdict reading(std::optional<double> pressure, qint64 now, bool mayRun);
    // A RUN went out, or a set flow higher than the last one while running: the low limit counts
    // again after the arming delay. Returns whether it now waits (a low limit is set).
    bool runStarted(qint64 now);
    // A STOP went out: the low limit no longer counts. Returns whether it was waiting or armed.
    bool stopped();
    // The port opened: the next reading is judged at once, and what counted before is gone.
    void portOpened();
    void linkLost();

    LowState lowState(qint64 now) const;

    const std::optional<Trip> &latched() const { return m_latched; }
    // Whether the latch may be reset now: the last reading since the port opened is a number
    // back within the limits in force.
    bool resettable() const { return m_latched && m_lastWithin; }
    // False, and the latch stays, when it may not be reset.
    bool reset();

private:
    std::optional<Trip> tripOf(int reading, qint64 now);
    bool withinAll(int reading, qint64 now) const;

    Limits m_limits;
    std::optional<int> m_high; // thousandths
    std::optional<int> m_low;
    bool m_running = false; // a RUN went out and no STOP since
    qint64 m_armsAt = 0;
    bool m_armedSeen = false; // the reading that armed it has been told
    int m_above = 0;
    int m_below = 0;
    int m_invalid = 0;
    bool m_invalidTold = false;
    bool m_judgeAtOnce = false;
    bool m_lastWithin = false;
    std::optional<Trip> m_latched;
};
