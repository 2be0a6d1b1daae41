#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QCoreApplication;

// The language the panel speaks. Its own texts are written in Simplified Chinese; English comes
// from its translation, built into the program. The system's locale never chooses it: the
// command line does, or else the panel's settings, or else it is Chinese.
enum class Language { Chinese, English };

namespace Languages {

// "zh_CN" and "en", as the option and the setting spell them.
std::optional<Language> fromName(const QString &name);
QString name(Language language);
// Each language by its own name, as a menu of languages shows it: 中文, English.
QString ownName(Language language);

// "--language NAME" (or "--language=NAME") among the arguments. `given` is false when there is
// none; `problem` says in words what is wrong with one that cannot be taken.
struct Option
{
    bool given = false;
    Language language = Language::Chinese;
    QString problem;
};
Option fromArguments(const QStringList &arguments);

// The setting [panel] language in the panel's settings file; nothing when it is not set, or
// set to a language the panel does not have.
std::optional<Language> setting(const QString &settingsFile);
bool saveSetting(const QString &settingsFile, Language language, QString *problem);

// The language to start in: the option's, else the setting's, else Chinese.
Language choose(const Option &option, const QString &settingsFile);

// Installs the translations of `language`: for Chinese, Qt's own (its buttons and dialogs); for
// English, the panel's. Returns the files loaded. current() answers `language` afterwards.
QStringList install(QCoreApplication &app, Language language);
Language current();

} // namespace Languages
