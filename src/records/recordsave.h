#pragma once

class Dialogs;
class RecordFile;
class RecordStore;

// 文件(F) → 保存: writes the record store to the record file, then confirms.
class RecordSave
{
public:
    RecordSave(const RecordStore &store, RecordFile &file, Dialogs &dialogs);

    void save_Click();

private:
    const RecordStore &m_store;
    RecordFile &m_file;
    Dialogs &m_dialogs;
};
