#include "recordfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

QString QtRecordFile::defaultPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("d:\\mytext.txt");
#else
    return QDir::home().filePath(QStringLiteral("mytext.txt"));
#endif
}

QtRecordFile::QtRecordFile(const QString &path)
    : m_path(path)
{}

bool QtRecordFile::write(const QByteArray &content, QString *error)
{
    // Written beside the old file and renamed over it only when complete, so a full disk or a
    // refused write never costs the record that was there.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        // The system only says it cannot find the path; a PC without a D: drive is common.
        const QDir folder(QFileInfo(m_path).absolutePath());
        if (error && !folder.exists()) {
            const QString place = QDir::toNativeSeparators(folder.path());
            *error =
                folder.isRoot()
                    ? QCoreApplication::translate("RecordFile", "这台电脑没有驱动器 %1").arg(place)
                    : QCoreApplication::translate("RecordFile", "文件夹 %1 不存在").arg(place);
        }
        return false;
    }
    return true;
}
