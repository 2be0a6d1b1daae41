#include "printer.h"

#include <limits>

void printTestPage(Printer &printer)
{
    const std::optional<int> copies = printer.showPrinter();
    if (!copies || *copies > std::numeric_limits<qint16>::max())
        return; // cancelled, or more copies than the count can hold
    for (int copy = 1; copy <= *copies; ++copy) {
        printer.printLine(QString::fromUtf8("打印测试"));
        if (!printer.endDocument())
            return; // what was printed stays printed; the rest is not tried
    }
}
