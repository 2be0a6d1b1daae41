#pragma once

#include <QString>

class QSettings;

// The panel's own settings file (an INI file: the pressure limits, the language): where it is,
// and whether writing it worked.
namespace SettingsFile {

// ~/.config/pumppanel/pumppanel.ini on Linux, %APPDATA%\pumppanel\pumppanel.ini on Windows.
QString defaultFile();

// Syncs `settings`, the file `file`: true when it is written; else false, and `problem` (when
// given) says why in words.
bool synced(QSettings &settings, const QString &file, QString *problem);

} // namespace SettingsFile
