#pragma once

#include <QString>

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
};

// 文件(F) → 打印: the test page, one document holding "打印测试" per copy. Nothing is shown
// on success, cancel or failure.
void printTestPage(Printer &printer);
