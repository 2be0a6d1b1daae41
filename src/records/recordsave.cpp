#include "recordsave.h"

#include "dialogs.h"
#include "journal.h"
#include "recordfile.h"
#include "recordstore.h"

#include <QCoreApplication>

RecordSave::RecordSave(const RecordStore &store, RecordFile &file, Dialogs &dialogs)
    : m_store(store)
    , m_file(file)
    , m_dialogs(dialogs)
{}

void RecordSave::save_Click()
{
    const QString title = QCoreApplication::translate("RecordSave", "存储数据");
    QString error;
    // The file is complete and closed before the confirmation shows.
    if (!m_file.write(recordFileText(m_store), &error)) {
        noteTo(m_journal, QStringLiteral("save-failed"),
               QStringLiteral("%1: %2").arg(m_file.path(), error));
        m_dialogs.messageBox(QCoreApplication::translate("RecordSave",
                                                         "存储失败!\r\n无法写入 %1：%2\r\n"
                                                         "压力数值仍保留在程序中，可以再次存储。")
                                 .arg(m_file.path(), error),
                             title);
        return;
    }
    noteTo(m_journal, QStringLiteral("saved"),
           QCoreApplication::translate("RecordSave", "%1 个压力数值 → %2")
               .arg(m_store.saveprcout())
               .arg(m_file.path()));
    m_dialogs.messageBox(QCoreApplication::translate("RecordSave", "当前压力数值以存储"), title);
}
