#pragma once

#include "printer.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <memory>

class QPrinter;

class QtPrinter final : public Printer
{
public:
    explicit QtPrinter(QWidget *parent = nullptr);
    ~QtPrinter() override;

    void setParent(QWidget *parent) { m_parent = parent; }
    // Made on first use: a printer brings up the print system, which start-up need not wait for.
    QPrinter *printer();

    std::optional<int> showPrinter() override;
    void printLine(const QString &text) override;
    bool endDocument() override;
    QStringList filesWritten() const override { return m_filesWritten; }

private:
    QPointer<QWidget> m_parent;
    std::unique_ptr<QPrinter> m_printer;
    QString m_outputFile; // as chosen in the dialog, when printing to a file
    QStringList m_lines;
    QStringList m_filesWritten;
    int m_nextNumber = 2;
};
