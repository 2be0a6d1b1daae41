#include "qttranslation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QStringList installQtTranslations(QCoreApplication &app)
{
    const QStringList folders{QCoreApplication::applicationDirPath() +
                                  QStringLiteral("/translations"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    QStringList loaded;
    for (const char *name : {"qtbase_zh_CN", "qtserialport_zh_CN"}) {
        for (const QString &folder : folders) {
            auto *translator = new QTranslator(&app);
            if (translator->load(QLatin1String(name), folder) &&
                QCoreApplication::installTranslator(translator)) {
                loaded << translator->filePath();
                break;
            }
            delete translator;
        }
    }
    return loaded;
}
