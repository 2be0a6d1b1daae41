#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The printer dialog and the printer behind 文件(F) → 打印. One implementation drives
// QPrintDialog and QPrinter; tests put a fake in its place.
class Printer
{
public:
    virtual ~Printer() = default;
    // Shows the printer dialog; the number of copies chosen, or nothing when it was cancelled.
    virtual std::optional<int> showPrinter() = 0;
    // Adds a line of text to the current document, opening one if none is open.
    virtual void printLine(const QString &text) = 0;
    // Ends the current document and hands it to the printer; false if printing failed.
    virtual bool endDocument() = 0;
    // Where the documents since showPrinter() went when printing to a file, in order; empty
    // when they went to a printer.
    virtual QStringList filesWritten() const = 0;
};

class Dialogs;
class Journal;

// 文件(F) → 打印: the test page, one document holding "打印测试" per copy. Nothing is shown
// on cancel or failure; when the copies went to several files, the operator is told which.
// Copies printed are noted in the journal, if one is given.
void printTestPage(Printer &printer, Dialogs &dialogs, Journal *journal = nullptr);

// The file a later copy goes to when printing to `chosen`: the number before the suffix, as in
// out.pdf, out-2.pdf; out, out-2.
QString copyFileName(const QString &chosen, int number);
