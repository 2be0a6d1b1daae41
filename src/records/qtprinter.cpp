#include "qtprinter.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

QtPrinter::QtPrinter(QWidget *parent)
    : m_parent(parent)
{}

QtPrinter::~QtPrinter() = default;

QPrinter *QtPrinter::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>();
    return m_printer.get();
}

std::optional<int> QtPrinter::showPrinter()
{
    // The dialog offers the name the operator chose, not the one the last copy went to.
    if (!m_outputFile.isEmpty())
        printer()->setOutputFileName(m_outputFile);
    QPrintDialog dialog(printer(), m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const int copies = m_printer->copyCount();
    // Every copy is a document of its own, printed once; the printer must not multiply them.
    m_printer->setCopyCount(1);
    m_outputFile = m_printer->outputFileName();
    m_filesWritten.clear();
    m_nextNumber = 2;
    return copies;
}

void QtPrinter::printLine(const QString &text)
{
    m_lines << text;
}

bool QtPrinter::endDocument()
{
    // Printing to a file would write each copy over the one before: later copies get files
    // of their own beside it (name-2.pdf, name-3.pdf, ...), never one that is already there.
    if (!m_outputFile.isEmpty()) {
        QString file = m_outputFile;
        if (!m_filesWritten.isEmpty()) {
            do
                file = copyFileName(m_outputFile, m_nextNumber++);
            while (QFileInfo::exists(file));
        }
        m_printer->setOutputFileName(file);
    }
    QPainter painter;
    if (!painter.begin(printer())) {
        m_lines.clear();
        return false;
    }
    // Each line goes where a new document's first line goes: the top-left of the page.
    const int lineHeight = painter.fontMetrics().lineSpacing();
    int baseline = painter.fontMetrics().ascent();
    for (const QString &line : std::as_const(m_lines)) {
        painter.drawText(0, baseline, line);
        baseline += lineHeight;
    }
    m_lines.clear();
    if (!painter.end())
        return false;
    if (!m_outputFile.isEmpty())
        m_filesWritten << m_printer->outputFileName();
    return true;
}
