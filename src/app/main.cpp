#include "form1.h"
#include "qtcommcontrol.h"
#include "qtdialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QtCommControl MSComm1;
    QtDialogs dialogs;
    Form1 form(Platform{&MSComm1, &dialogs});
    dialogs.setParent(&form);
    QObject::connect(&form, &Form1::endRequested, &app, [] { QCoreApplication::exit(0); });
    form.show();
    return app.exec();
}
