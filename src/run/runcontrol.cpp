#include "runcontrol.h"

#include "frames.h"
#include "framesender.h"

#include <QLabel>

RunControl::RunControl(QLabel *Lstate, FrameSender &sender)
    : m_Lstate(Lstate)
    , m_sender(sender)
{}

void RunControl::Cmdr_Click()
{
    if (m_sender.send(Frames::runFrame))
        m_Lstate->setText(QStringLiteral("     RUN "));
}

void RunControl::Cmds_Click()
{
    if (m_sender.send(Frames::stopFrame))
        m_Lstate->setText(QStringLiteral("     STOP"));
}

void RunControl::run_Click()
{
    m_sender.send(Frames::runFrame);
}

void RunControl::stop_Click()
{
    m_sender.send(Frames::stopFrame);
}
