#include "language.h"

#include "qttranslation.h"
#include "settingsfile.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSettings>
#include <QTranslator>

namespace Languages {

namespace {

Language installed = Language::Chinese;
// What install() put in place, taken out again when it is called once more.
QList<QPointer<QTranslator>> installedTranslators;

const QString settingKey = QStringLiteral("panel/language");

} // namespace

std::optional<Language> fromName(const QString &name)
{
    if (name == QLatin1String("zh_CN"))
        return Language::Chinese;
    if (name == QLatin1String("en"))
        return Language::English;
    return std::nullopt;
}

QString name(Language language)
{
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("zh_CN");
}

QString ownName(Language language)
{
    return language == Language::English ? QStringLiteral("English")
                                         : QString::fromUtf8("中文"); // untranslated: its own name
}

Option fromArguments(const QStringList &arguments)
{
    Option option;
    const QString equals = QStringLiteral("--language=");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString value;
        if (arguments[i] == QLatin1String("--language")) {
            if (i + 1 >= arguments.size()) {
                option.given = true;
                option.problem = QCoreApplication::translate(
                    "Languages", "--language 需要一个语言：en 或 zh_CN。");
                return option;
            }
            value = arguments[++i];
        } else if (arguments[i].startsWith(equals)) {
            value = arguments[i].mid(equals.size());
        } else {
            continue;
        }
        option.given = true;
        if (const std::optional<Language> language = fromName(value)) {
            option.language = *language;
        } else {
            option.problem =
                QCoreApplication::translate(
                    "Languages", "--language %1：面板只有 en（英文）和 zh_CN（简体中文）。")
                    .arg(value);
            return option;
        }
    }
    return option;
}

std::optional<Language> setting(const QString &settingsFile)
{
    QSettings settings(settingsFile, QSettings::IniFormat);
    return fromName(settings.value(settingKey).toString());
}

bool saveSetting(const QString &settingsFile, Language language, QString *problem)
{
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setValue(settingKey, name(language));
    return SettingsFile::synced(settings, settingsFile, problem);
}

Language choose(const Option &option, const QString &settingsFile)
{
    if (option.given && option.problem.isEmpty())
        return option.language;
    return setting(settingsFile).value_or(Language::Chinese);
}

QStringList install(QCoreApplication &app, Language language)
{
    for (const QPointer<QTranslator> &translator : std::as_const(installedTranslators))
        delete translator.data(); // it takes itself out of the application
    installedTranslators.clear();
    installed = language;
    const QList<QTranslator *> before = app.findChildren<QTranslator *>();
    QStringList loaded;
    if (language == Language::Chinese) {
        loaded = installQtTranslations(app);
    } else {
        if (const QTranslator *translator = installTranslation(app, QStringLiteral("pumppanel_en"),
                                                               {QStringLiteral(":/translations")}))
            loaded << translator->filePath();
    }
    for (QTranslator *translator : app.findChildren<QTranslator *>()) {
        if (!before.contains(translator))
            installedTranslators << translator;
    }
    return loaded;
}

Language current()
{
    return installed;
}

} // namespace Languages
