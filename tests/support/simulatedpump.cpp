#include "simulatedpump.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

SimulatedPump::SimulatedPump(const QString &program, const QString &link, const QString &logFile)
    : m_program(program)
    , m_link(link)
    , m_logFile(logFile)
{}

SimulatedPump::~SimulatedPump()
{
    stop();
}

bool SimulatedPump::start(const QStringList &options)
{
    stop();
    m_output.clear();
    m_process = std::make_unique<QProcess>();
    // Both channels in one: the start-up lines and the summary are read together.
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments{QStringLiteral("--link"), m_link};
    if (m_logFile.isEmpty())
        arguments << QStringLiteral("--quiet");
    else
        arguments << QStringLiteral("--log") << m_logFile;
    m_process->start(m_program, arguments + options);
    if (!m_process->waitForStarted(5000)) {
        qWarning("SimulatedPump: %s did not start: %s", qPrintable(m_program),
                 qPrintable(m_process->errorString()));
        return false;
    }
    if (!QTest::qWaitFor([this] { return QFile::exists(m_link); }, 5000)) {
        collectOutput();
        qWarning("SimulatedPump: no link at %s after five seconds: %s", qPrintable(m_link),
                 qPrintable(m_output));
        return false;
    }
    return true;
}

void SimulatedPump::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    collectOutput();
}

bool SimulatedPump::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

bool SimulatedPump::waitForExit(int timeout)
{
    const bool ended = QTest::qWaitFor([this] { return !isRunning(); }, timeout);
    if (ended)
        collectOutput();
    return ended;
}

int SimulatedPump::exitCode() const
{
    return m_process ? m_process->exitCode() : -1;
}

QStringList SimulatedPump::logged(const QString &kind) const
{
    QStringList frames;
    for (const Logged &entry : loggedTimes(kind))
        frames << entry.frame;
    return frames;
}

QList<SimulatedPump::Logged> SimulatedPump::loggedTimes(const QString &kind) const
{
    QFile file(m_logFile);
    if (m_logFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    // Each line: seconds since the start, the kind, the frame.
    QList<Logged> entries;
    const QByteArray wanted = kind.toLatin1();
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 3 && fields[1] == wanted)
            entries.append({fields[0].toDouble(), QString::fromLatin1(fields[2])});
    }
    return entries;
}

long SimulatedPump::answersSent() const
{
    static const QRegularExpression answers(QStringLiteral("(\\d+) answers sent"));
    const QRegularExpressionMatch match = answers.match(m_output);
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

void SimulatedPump::collectOutput()
{
    if (m_process)
        m_output += QString::fromLocal8Bit(m_process->readAll());
}
