#include "settingsfile.h"

#include <QCoreApplication>
#include <QSettings>

namespace SettingsFile {

QString defaultFile()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("pumppanel"),
                     QStringLiteral("pumppanel"))
        .fileName();
}

bool synced(QSettings &settings, const QString &file, QString *problem)
{
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (problem)
        *problem = settings.status() == QSettings::AccessError
                       ? QCoreApplication::translate("SettingsFile", "无法写入 %1").arg(file)
                       : QCoreApplication::translate("SettingsFile", "%1 的格式有误").arg(file);
    return false;
}

} // namespace SettingsFile
