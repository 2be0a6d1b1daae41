#pragma once

#include "printer.h"

#include <QList>
#include <QStringList>

// A printer dialog answered from the test, and a printer that keeps every document.
class FakePrinter final : public Printer
{
public:
    std::optional<int> showPrinter() override
    {
        ++dialogsShown;
        return copies;
    }
    void printLine(const QString &text) override { m_current << text; }
    bool endDocument() override
    {
        if (failAfter >= 0 && documents.size() >= failAfter)
            return false;
        documents << m_current;
        m_current.clear();
        return true;
    }

    QStringList filesWritten() const override { return files; }

    std::optional<int> copies = 1; // nothing: the dialog is cancelled
    QStringList files;             // what filesWritten() reports
    int failAfter = -1;            // fail the document after this many
    int dialogsShown = 0;
    QList<QStringList> documents;

private:
    QStringList m_current;
};
