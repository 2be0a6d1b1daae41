#include "tellingsender.h"

#include "dialogs.h"
#include "journal.h"
#include "messages.h"

TellingSender::TellingSender(FrameSender &link, Dialogs &dialogs)
    : m_link(link)
    , m_dialogs(dialogs)
{}

bool TellingSender::send(const QString &frame)
{
    if (m_link.send(frame))
        return true;
    noteTo(m_journal, QStringLiteral("not-sent"),
           QStringLiteral("%1 %2").arg(frame, m_link.lastFailure() == Failure::PortClosed
                                                  ? QString::fromUtf8("串口未打开")
                                                  : QString::fromUtf8("写入失败")));
    m_dialogs.messageBox(m_link.lastFailure() == Failure::PortClosed ? Messages::portNotOpen()
                                                                     : Messages::writeFailed(),
                         Messages::linkTitle);
    return false;
}
