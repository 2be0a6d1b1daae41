#pragma once

class FrameSender;
class Captions;

// Run and stop by hand: the RUN and STOP keys, the 泵(O) menu and the popup. Each sends its fixed
// frame at once; only the two keys also show what was pressed in the run-state readout, after
// the frame is out.
class RunControl
{
public:
    RunControl(Captions &readouts, FrameSender &sender);

    void Cmdr_Click();
    void Cmds_Click();
    void run_Click();
    void stop_Click();
    void rrun_Click() { run_Click(); }
    void rstop_Click() { stop_Click(); }

private:
    Captions &m_readouts;
    FrameSender &m_sender;
};
