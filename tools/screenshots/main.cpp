#include "fakepumpport.h"
#include "form1.h"
#include "language.h"
#include "paneldriver.h"
#include "pumplink.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

#include <cmath>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        err << "usage: screenshots <folder>" << Qt::endl;
        return 2;
    }
    const QDir folder(args.at(1));
    if (!folder.mkpath(QStringLiteral("."))) {
        err << "screenshots: cannot create " << args.at(1) << Qt::endl;
        return 1;
    }
    bool ok = true;
    for (const Language language : {Language::Chinese, Language::English}) {
        Languages::install(app, language);
        FakePumpPort port;
        PanelDriver panel(port);
        Form1 &form = panel.form();
        form.show();
        if (!panel.openPort(QStringLiteral("/dev/ttyUSB0")))
            return 1;
        panel.stopPolling();
        // A run at 2.5 ml/min swinging about 1.2 MPa, as the trend shows it.
        for (int reading = 0; reading < 120; ++reading) {
            const double pressure = 1.2 + 0.3 * std::sin(reading / 8.0);
            form.link()->pollNow();
            port.deliver(QStringLiteral("Q00N%1YQ00P02.0YQ00L0025Y")
                             .arg(pressure, 4, 'f', 1, QLatin1Char('0'))
                             .toLatin1());
        }
        panel.press({QStringLiteral("RUN")});
        QCoreApplication::processEvents();
        const QString file =
            folder.filePath(QStringLiteral("screenshot-%1.png").arg(Languages::name(language)));
        if (!form.grab().save(file)) {
            err << "screenshots: cannot write " << file << Qt::endl;
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
