#include "limitrules.h"

#include <cmath>
#include <utility>

namespace {

int thousandths(double mpa)
{
    return int(std::llround(mpa * 1000.0));
}

} // namespace

bool LimitRules::setLimits(const Limits &limits, qint64 now)
{
    const bool lowWasOff = !m_low;
    m_limits = limits;
    m_high = limits.high ? std::optional<int>(thousandths(*limits.high)) : std::nullopt;
    m_low = limits.low ? std::optional<int>(thousandths(*limits.low)) : std::nullopt;
    m_above = m_below = 0;
    m_lastWithin = false; // judged again, against these limits, at the next reading
    if (!limits.any()) {
        m_invalid = 0;
        m_invalidTold = false;
    }
    // A low limit set while the pump runs waits its delay as after a RUN: the pressure it
    // stands at now was never judged against it.
    if (lowWasOff && m_low && m_running) {
        m_armsAt = now + qint64(limits.armingDelay) * 1000;
        m_armedSeen = false;
        return true;
    }
    return false;
}

bool LimitRules::runStarted(qint64 now)
{
    m_running = true;
    m_armsAt = now + qint64(m_limits.armingDelay) * 1000;
    m_armedSeen = false;
    m_below = 0;
    return m_low.has_value();
}

bool LimitRules::stopped()
{
    const bool wasCounting = m_running && m_low.has_value();
    m_running = false;
    m_below = 0;
    return wasCounting;
}

void LimitRules::portOpened()
{
    m_judgeAtOnce = true;
    m_above = m_below = 0;
    m_lastWithin = false;
}

void LimitRules::linkLost()
{
    m_above = m_below = 0;
    m_lastWithin = false;
}

LimitRules::LowState LimitRules::lowState(qint64 now) const
{
    if (!m_low)
        return LowState::Off;
    if (!m_running)
        return LowState::NotArmed;
    return now < m_armsAt ? LowState::Waiting : LowState::Armed;
}

bool LimitRules::withinAll(int reading, qint64 now) const
{
    if (m_high && reading > *m_high - hysteresis)
        return false;
    if (lowState(now) == LowState::Armed && reading < *m_low + hysteresis)
        return false;
    return true;
}

std::optional<LimitRules::Trip> LimitRules::tripOf(int reading, qint64 now)
{
    const bool atOnce = std::exchange(m_judgeAtOnce, false);
    if (m_high) {
        if (reading > *m_high)
            ++m_above;
        else if (reading <= *m_high - hysteresis)
            m_above = 0; // in between, the count is kept: the pressure has not come back
        if (reading >= *m_high + spikeMargin || m_above >= highCount || (atOnce && m_above > 0))
            return Trip{Limit::High, *m_limits.high, reading / 1000.0};
    }
    if (lowState(now) == LowState::Armed) {
        if (reading < *m_low)
            ++m_below;
        else if (reading >= *m_low + hysteresis)
            m_below = 0;
        if (m_below >= lowCount || (atOnce && m_below > 0))
            return Trip{Limit::Low, *m_limits.low, reading / 1000.0};
    } else {
        m_below = 0;
    }
    return std::nullopt;
}

LimitRules::Verdict LimitRules::reading(std::optional<double> pressure, qint64 now, bool mayRun)
{
    Verdict verdict;
    if (!m_limits.any()) {
        // Nothing to judge against; a trip latched before the limits were turned off may be
        // reset once the pressure is a number again.
        m_lastWithin = pressure && std::isfinite(*pressure);
        return verdict;
    }
    if (!pressure || !std::isfinite(*pressure)) {
        m_lastWithin = false;
        if (mayRun && ++m_invalid >= invalidCount && !m_invalidTold)
            verdict.invalidStarted = m_invalidTold = true;
        return verdict;
    }
    m_invalid = 0;
    verdict.invalidEnded = std::exchange(m_invalidTold, false);
    if (lowState(now) == LowState::Armed && !m_armedSeen)
        verdict.armed = m_armedSeen = true;

    const int value = thousandths(*pressure);
    const std::optional<Trip> trip = tripOf(value, now);
    if (trip && !m_latched) {
        m_latched = trip;
        verdict.trip = trip;
        m_above = m_below = 0;
        m_running = false; // the trip stops the pump
    }
    m_lastWithin = withinAll(value, now);
    return verdict;
}

bool LimitRules::reset()
{
    if (!resettable())
        return false;
    m_latched.reset();
    return true;
}
