// The floor for the start-up measurement: a bare Qt main window of the panel's size.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.menuBar()->addMenu(QStringLiteral("File"));
    window.setGeometry(135, 120, 727, 545);
    window.show();
    return app.exec();
}
