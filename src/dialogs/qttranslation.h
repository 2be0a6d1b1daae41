#pragma once

#include <QStringList>

class QCoreApplication;
class QTranslator;

// Loads NAME.qm from the first of `folders` that has it and installs it, owned by `app`; nothing
// when none has it.
QTranslator *installTranslation(QCoreApplication &app, const QString &name,
                                const QStringList &folders);

// Qt's own texts (OK and Cancel, the file and print dialogs, the edit menus, the serial port's
// errors) in Simplified Chinese, as the panel's own are: Qt's translations, from the folder
// "translations" beside the program (Windows, where they are shipped with it) or else Qt's own
// folder (Linux: qt6-translations-l10n). Returns the files loaded; the base one comes first.
QStringList installQtTranslations(QCoreApplication &app);
