#include "runcontrol.h"

#include "captions.h"
#include "frames.h"
#include "framesender.h"

RunControl::RunControl(Captions &readouts, FrameSender &sender)
    : m_readouts(readouts)
    , m_sender(sender)
{}

void RunControl::Cmdr_Click()
{
    if (m_sender.send(Frames::runFrame))
        m_readouts.setCaption(Readout::RunState, QStringLiteral("     RUN "));
}

void RunControl::Cmds_Click()
{
    if (m_sender.send(Frames::stopFrame))
        m_readouts.setCaption(Readout::RunState, QStringLiteral("     STOP"));
}

void RunControl::run_Click()
{
    m_sender.send(Frames::runFrame);
}

void RunControl::stop_Click()
{
    m_sender.send(Frames::stopFrame);
}
