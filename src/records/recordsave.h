#pragma once

class Dialogs;
class Journal;
class RecordFile;
class RecordStore;

// 文件(F) → 保存: writes the record store to the record file, then confirms.
class RecordSave
{
public:
    RecordSave(const RecordStore &store, RecordFile &file, Dialogs &dialogs);

    void save_Click();
    // Where saves and failed saves are noted.
    void setJournal(Journal *journal) { m_journal = journal; }

private:
    const RecordStore &m_store;
    RecordFile &m_file;
    Dialogs &m_dialogs;
    Journal *m_journal = nullptr;
};
