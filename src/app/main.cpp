#include "commandline.h"
#include "console.h"
#include "form1.h"
#include "keepawake.h"
#include "language.h"
#include "pressurelimits.h"
#include "qtdialogs.h"
#include "qtprinter.h"
#include "qtpumpport.h"
#include "recordfile.h"
#include "runlog.h"
#include "sessionend.h"
#include "settingsfile.h"
#include "uifont.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // The run logs' folder is named after the program alone, with no organisation; --help names
    // it, before there is an application.
    QCoreApplication::setApplicationName(QStringLiteral("pumppanel"));
    // --help, --version and --verify-log answer on the console and end there.
    // The panel's language: --language, else the settings, else Chinese; whatever the locale.
    const QString settingsFile = SettingsFile::defaultFile();
    const Language language =
        Languages::choose(Languages::fromArguments(commandLineArguments(argc, argv)), settingsFile);
    if (const std::optional<int> exitCode = runCommandLine(argc, argv, language))
        return *exitCode;

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pumppanel"));
    useChineseInterfaceFont();
    // Qt's own buttons and dialogs in the panel's language too.
    const QStringList loaded = Languages::install(app, language);
    if (language == Language::Chinese &&
        !loaded.value(0).endsWith(QLatin1String("qtbase_zh_CN.qm")))
        std::fputs("pumppanel: Qt's Chinese translation (qtbase_zh_CN.qm) was not found: Qt's own "
                   "buttons and dialogs read in English\n",
                   stderr);
    if (language == Language::English && loaded.isEmpty())
        std::fputs("pumppanel: the English translation is missing from the program\n", stderr);

    QtPumpPort MSComm1;
    QtDialogs dialogs;
    QtPrinter printer;
    QtRecordFile recordFile;
    const std::unique_ptr<KeepAwake> awake = makeSystemKeepAwake();
    Form1 form(Platform{&MSComm1, &dialogs, &printer, &recordFile, RunLog::defaultFolder(),
                        awake.get(), settingsFile});
    dialogs.setParent(&form);
    printer.setParent(&form);
    QObject::connect(&form, &Form1::endRequested, &app, [] { QCoreApplication::exit(0); });
    // Logout, shutdown and kill end the panel as closing its window does.
    SessionEnd sessionEnd;
    endWithTheSession(sessionEnd, form);
    form.show();
    return app.exec();
}
