#include "qtprinter.h"

#include <QDir>
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
    QPrintDialog dialog(printer(), m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const int copies = m_printer->copyCount();
    // Every copy is a document of its own, printed once; the printer must not multiply them.
    m_printer->setCopyCount(1);
    m_outputFile = m_printer->outputFileName();
    m_documents = 0;
    return copies;
}

void QtPrinter::printLine(const QString &text)
{
    m_lines << text;
}

bool QtPrinter::endDocument()
{
    ++m_documents;
    // Printing to a file would write each copy over the one before: later copies get files
    // of their own beside it (name-2.pdf, name-3.pdf, ...).
    if (!m_outputFile.isEmpty() && m_documents > 1) {
        const QFileInfo first(m_outputFile);
        m_printer->setOutputFileName(first.dir().filePath(QStringLiteral("%1-%2.%3")
                                                              .arg(first.completeBaseName())
                                                              .arg(m_documents)
                                                              .arg(first.suffix())));
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
    return painter.end();
}
