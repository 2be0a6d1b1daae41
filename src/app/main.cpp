#include "form1.h"
#include "qtdialogs.h"
#include "qtprinter.h"
#include "qtpumpport.h"
#include "recordfile.h"
#include "uifont.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    useChineseInterfaceFont();

    QtPumpPort MSComm1;
    QtDialogs dialogs;
    QtPrinter printer;
    QtRecordFile recordFile;
    Form1 form(Platform{&MSComm1, &dialogs, &printer, &recordFile});
    dialogs.setParent(&form);
    printer.setParent(&form);
    QObject::connect(&form, &Form1::endRequested, &app, [] { QCoreApplication::exit(0); });
    form.show();
    return app.exec();
}
