#pragma once

#include "recordstore.h"

#include <QString>
#include <QtGlobal>

#include <array>

// The window-level variables of the main window. Every handler shares data only through these
// and the window's own controls.
struct Form1State
{
    qint16 itime = 0;       // index of the next trend sample, 0 to 99
    qint16 lq = 0;          // 1 while the keypad edits the set flow
    qint16 pr = 0;          // 1 while the keypad edits the set pressure
    qint16 Set_Pump_NO = 0; // pump number carried by the keypad's frames
    QString setliqstr;      // the last keypad frame without its leading "Q"
    double setliq = 0;      // the last flow answered in the flow dialog, ml/min
    double setpresure = 0;  // the last pressure answered in the pressure dialog, MPa
    qint16 tset = 0;        // elapsed seconds of the timed run
    double timeset = 0;     // length of the timed run, minutes
    // Trend samples for x = -1 to 101, stored at x + 1; x = -1 is never written and stays 0.
    std::array<double, 103> plotpr{};
    RecordStore records; // saveprcout and saveprdata: the stored pressure readings
};
