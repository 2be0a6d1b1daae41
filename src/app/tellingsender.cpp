#include "tellingsender.h"

#include "dialogs.h"
#include "frames.h"
#include "journal.h"
#include "messages.h"

#include <QCoreApplication>

TellingSender::TellingSender(FrameSender &link, Dialogs &dialogs)
    : m_link(link)
    , m_dialogs(dialogs)
{}

bool TellingSender::send(const QString &frame)
{
    if (m_link.send(frame))
        return true;
    const bool owed = frame == Frames::stopFrame && m_link.lastFailure() != Failure::Malformed;
    noteTo(m_journal, QStringLiteral("not-sent"),
           QStringLiteral("%1 %2%3").arg(
               frame,
               m_link.lastFailure() == Failure::PortClosed
                   ? QCoreApplication::translate("TellingSender", "串口未打开")
                   : QCoreApplication::translate("TellingSender", "写入失败"),
               owed ? QCoreApplication::translate("TellingSender", "，串口再次打开时发送")
                    : QString()));
    QString text = m_link.lastFailure() == Failure::PortClosed ? Messages::portNotOpen()
                                                               : Messages::writeFailed();
    if (owed)
        text = Messages::stopOwed(m_link.lastFailure()); // the link keeps it
    m_dialogs.messageBox(text, Messages::linkTitle());
    return false;
}
