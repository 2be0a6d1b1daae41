#include "qttranslation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QTranslator *installTranslation(QCoreApplication &app, const QString &name,
                                const QStringList &folders)
{
    for (const QString &folder : folders) {
        auto *translator = new QTranslator(&app);
        if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
            return translator;
        delete translator;
    }
    return nullptr;
}

QStringList installQtTranslations(QCoreApplication &app)
{
    const QStringList folders{QCoreApplication::applicationDirPath() +
                                  QStringLiteral("/translations"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    QStringList loaded;
    for (const char *name : {"qtbase_zh_CN", "qtserialport_zh_CN"}) {
        if (const QTranslator *translator = installTranslation(app, QLatin1String(name), folders))
            loaded << translator->filePath();
    }
    return loaded;
}
