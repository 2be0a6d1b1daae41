#include "dialogs.h"
#include "journal.h"
#include "printer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <limits>

void printTestPage(Printer &printer, Dialogs &dialogs, Journal *journal)
{
    const std::optional<int> copies = printer.showPrinter();
    if (!copies || *copies > std::numeric_limits<qint16>::max())
        return; // cancelled, or more copies than the count can hold
    int printed = 0;
    for (int copy = 1; copy <= *copies; ++copy) {
        printer.printLine(QCoreApplication::translate("PrintTestPage", "打印测试"));
        if (!printer.endDocument())
            break; // what was printed stays printed; the rest is not tried
        ++printed;
    }
    if (printed > 0) {
        const QStringList written = printer.filesWritten();
        noteTo(journal, QStringLiteral("printed"),
               QCoreApplication::translate("PrintTestPage", "测试页 %1 份%2")
                   .arg(printed)
                   .arg(written.isEmpty()
                            ? QString()
                            : QCoreApplication::translate("PrintTestPage", " → ") +
                                  QDir::toNativeSeparators(written.join(QStringLiteral("; ")))));
    }
    // Only the first copy is where the operator chose; the others must be found.
    const QStringList files = printer.filesWritten();
    if (files.size() > 1) {
        QStringList shown;
        for (const QString &file : files)
            shown << QDir::toNativeSeparators(file);
        dialogs.messageBox(
            QCoreApplication::translate("PrintTestPage", "测试页共打印 %1 份，每份一个文件：\r\n%2")
                .arg(files.size())
                .arg(shown.join(QStringLiteral("\r\n"))),
            QCoreApplication::translate("PrintTestPage", "打印"));
    }
}

QString copyFileName(const QString &chosen, int number)
{
    const QFileInfo file(chosen);
    const QString name = file.fileName();
    // A leading dot starts a hidden name, not a suffix.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    const QString numbered = QStringLiteral("%1-%2%3").arg(base).arg(number).arg(suffix);
    return chosen.size() == name.size() ? numbered : file.dir().filePath(numbered);
}
