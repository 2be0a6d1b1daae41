#include "recordfile.h"

#include <QDir>
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
        return false;
    }
    return true;
}
