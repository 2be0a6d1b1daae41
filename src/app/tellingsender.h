#pragma once

#include "framesender.h"

class Dialogs;
class Journal;

// A sender for the keys and menu commands: when a frame cannot be sent, the operator is told
// with one message, and the caller stops as it would on any failed write.
class TellingSender final : public FrameSender
{
public:
    TellingSender(FrameSender &link, Dialogs &dialogs);

    bool send(const QString &frame) override;
    Failure lastFailure() const override { return m_link.lastFailure(); }
    // Where frames that were not sent are noted.
    void setJournal(Journal *journal) { m_journal = journal; }

private:
    FrameSender &m_link;
    Dialogs &m_dialogs;
    Journal *m_journal = nullptr;
};
