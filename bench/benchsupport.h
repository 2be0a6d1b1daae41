#pragma once

#include "dialogs.h"
#include "printer.h"
#include "recordfile.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>

#include <sys/resource.h>

// Stand-ins for the dialogs, printer and record file in measuring runs: the operator's answers
// come from a list, nothing is printed and nothing is written to the user's files.
class ScriptedDialogs final : public Dialogs
{
public:
    QString inputBox(const QString &, const QString &, const QString &) override
    {
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void messageBox(const QString &text, const QString &) override { messages << text; }

    QStringList answers;
    QStringList messages;
};

class NoPrinter final : public Printer
{
public:
    std::optional<int> showPrinter() override { return std::nullopt; }
    void printLine(const QString &) override {}
    bool endDocument() override { return true; }
};

class MemoryRecordFile final : public RecordFile
{
public:
    QString path() const override { return QStringLiteral("(memory)"); }
    bool write(const QByteArray &content, QString *) override
    {
        written = content;
        return true;
    }
    QByteArray written;
};

// Resident memory of this process, in kB.
inline long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// CPU time this process has used, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The simulated pump as a child process, linked at `link`.
inline QProcess *startPump(const QString &program, const QString &link, const QStringList &options)
{
    auto *pump = new QProcess;
    pump->setProcessChannelMode(QProcess::SeparateChannels);
    pump->start(program, QStringList{"--link", link, "--quiet"} + options);
    pump->waitForStarted(5000);
    for (int i = 0; i < 100 && !QFile::exists(link); ++i)
        QThread::msleep(20);
    return pump;
}

// Stops the pump; how many answers it says it sent (three frames each), from its summary.
inline long stopPump(QProcess *pump)
{
    if (pump->state() != QProcess::NotRunning) {
        pump->terminate();
        pump->waitForFinished(5000);
    }
    const QString summary = QString::fromLocal8Bit(pump->readAllStandardError());
    delete pump;
    static const QRegularExpression answers(QStringLiteral("(\\d+) answers sent"));
    const QRegularExpressionMatch match = answers.match(summary);
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}
