#include "tellingsender.h"

#include "dialogs.h"
#include "messages.h"

TellingSender::TellingSender(FrameSender &link, Dialogs &dialogs)
    : m_link(link)
    , m_dialogs(dialogs)
{}

bool TellingSender::send(const QString &frame)
{
    if (m_link.send(frame))
        return true;
    m_dialogs.messageBox(m_link.lastFailure() == Failure::PortClosed ? Messages::portNotOpen()
                                                                     : Messages::writeFailed(),
                         Messages::linkTitle);
    return false;
}
