#include "commandline.h"
#include "form1.h"
#include "qtdialogs.h"
#include "qtprinter.h"
#include "qtpumpport.h"
#include "recordfile.h"
#include "runlog.h"
#include "uifont.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // --help, --version and --verify-log answer on the console and end there.
    if (const std::optional<int> exitCode = runCommandLine(argc, argv))
        return *exitCode;

    QApplication app(argc, argv);
    // The run logs' folder is named after the program alone, with no organisation.
    QCoreApplication::setApplicationName(QStringLiteral("pumppanel"));
    useChineseInterfaceFont();

    QtPumpPort MSComm1;
    QtDialogs dialogs;
    QtPrinter printer;
    QtRecordFile recordFile;
    Form1 form(Platform{&MSComm1, &dialogs, &printer, &recordFile, RunLog::defaultFolder()});
    dialogs.setParent(&form);
    printer.setParent(&form);
    QObject::connect(&form, &Form1::endRequested, &app, [] { QCoreApplication::exit(0); });
    form.show();
    return app.exec();
}
