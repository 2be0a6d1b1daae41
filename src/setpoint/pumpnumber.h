#pragma once

#include <QtGlobal>

// The pump number the keypad's frames carry: 0 until the pump-number dialog sets another.
class PumpNumber
{
public:
    // The frame has two digits for it.
    static constexpr qint16 largest = 99;

    qint16 Set_Pump_NO() const { return m_value; }
    void set(qint16 value) { m_value = value; }

private:
    qint16 m_value = 0;
};
