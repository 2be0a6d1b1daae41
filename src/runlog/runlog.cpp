#include "runlog.h"

#include "monotonic.h"
#include "runlogformat.h"

#include <QDir>
#include <QStandardPaths>
#include <QThreadPool>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// The one place the run log meets the system's file calls: forcing written data to the disk
// through a descriptor of its own, so a worker can do it while the file goes on being written.
int duplicateDescriptor(int fd)
{
#ifdef Q_OS_WIN
    return _dup(fd);
#else
    return ::dup(fd);
#endif
}

bool syncAndClose(int fd)
{
#ifdef Q_OS_WIN
    const bool synced = _commit(fd) == 0;
    _close(fd);
#else
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
#endif
    return synced;
}

} // namespace

RunLog::RunLog(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_wallClock([] { return QDateTime::currentDateTime(); })
    , m_monotonic(&monotonicMs)
    , m_syncing(std::make_shared<std::atomic<bool>>(false))
{
    m_syncTimer.setObjectName(QStringLiteral("runLogSync"));
    m_syncTimer.setInterval(syncInterval);
    connect(&m_syncTimer, &QTimer::timeout, this, [this] {
        if (!m_pending.isEmpty())
            writePending(); // rows waiting for a folder that failed are not left for long
        syncNow();
    });
}

RunLog::~RunLog()
{
    if (m_running)
        stop(QString::fromUtf8("程序结束"));
    closeFile();
}

QString RunLog::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/runs");
}

void RunLog::setClocks(std::function<QDateTime()> wallClock, std::function<qint64()> monotonic)
{
    m_wallClock = std::move(wallClock);
    m_monotonic = std::move(monotonic);
}

void RunLog::start()
{
    if (m_running)
        stop(QString::fromUtf8("开始新的运行记录"));
    closeFile();
    m_previousFile.clear();
    m_running = true;
    m_startedAt = m_monotonic();
}

void RunLog::stop(const QString &detail)
{
    if (!m_running)
        return;
    record(QStringLiteral("closed"), detail, Readings());
    m_running = false;
    syncNow(true);
}

void RunLog::record(const QString &event, const QString &detail, const Readings &readings)
{
    if (!m_running)
        return;
    append(Row{m_wallClock(), m_monotonic() - m_startedAt, event, readings, detail});
}

void RunLog::append(Row row)
{
    if (m_pending.size() >= pendingLimit) {
        // The newest rows are kept: they say how things stand now.
        const Row dropped = m_pending.takeFirst();
        if (m_dropped++ == 0)
            m_firstDropped = dropped.time;
        m_lastDropped = dropped.time;
    }
    m_pending.append(std::move(row));
    writePending();
}

bool RunLog::writePending()
{
    if (m_failing && m_monotonic() - m_lastAttempt < retryInterval)
        return false; // a failing folder is tried again at a row a little later
    m_lastAttempt = m_monotonic();
    int written = 0;
    int dropped = 0;
    while (!m_pending.isEmpty()) {
        if (m_dropped > 0) {
            const Row &next = m_pending.constFirst();
            const Row gap{next.time, next.elapsed, QStringLiteral("log-gap"), Readings(),
                          QString::fromUtf8("%1 行未能写入，已丢失（%2 至 %3）")
                              .arg(m_dropped)
                              .arg(RunLogFormat::timeText(m_firstDropped),
                                   RunLogFormat::timeText(m_lastDropped))};
            if (!writeRow(gap))
                return false;
            dropped = m_dropped;
            m_dropped = 0;
        }
        if (!writeRow(m_pending.constFirst()))
            return false;
        m_pending.removeFirst();
        ++written;
    }
    if (m_failing) {
        m_failing = false;
        emit writingResumed(written - 1, dropped); // the newest row was not late
    }
    return true;
}

bool RunLog::writeRow(const Row &row)
{
    // A new day starts a new file; so does a file given up after a failed write.
    if (m_file.isOpen() && row.time.date() != m_fileDate) {
        m_previousFile = QFileInfo(m_file.fileName()).fileName();
        m_previousChainOfFile = m_chain;
        closeFile();
    }
    if (!m_file.isOpen()) {
        QString error;
        if (!openFile(row.time, &error)) {
            fail(error);
            return false;
        }
        if (!m_previousFile.isEmpty()) {
            const Row continued{
                row.time, row.elapsed, QStringLiteral("continued"), row.readings,
                QString::fromUtf8("接续 %1（最后一行 chain %2）")
                    .arg(m_previousFile, QString::fromLatin1(m_previousChainOfFile))};
            m_previousFile.clear();
            if (!writeRow(continued))
                return false;
        }
    }
    const QByteArray fields = RunLogFormat::fieldsText(
        {RunLogFormat::timeText(row.time), RunLogFormat::secondsText(row.elapsed), row.event,
         row.readings.currentPressure, row.readings.setPressure, row.readings.setFlow,
         row.readings.run, row.detail});
    const QByteArray chain = RunLogFormat::chain(m_chain, fields);
    const QByteArray line = RunLogFormat::line(fields, chain);
    if (m_file.write(line) != line.size() || !m_file.flush()) {
        // A row cut short stays at the end of this file; the rows go on in a new one.
        const QString error = m_file.errorString();
        m_previousFile = QFileInfo(m_file.fileName()).fileName();
        m_previousChainOfFile = m_chain;
        closeFile();
        fail(error);
        return false;
    }
    m_chain = chain;
    m_dirty = true;
    emit rowWritten();
    if (!m_syncTimer.isActive())
        m_syncTimer.start();
    return true;
}

bool RunLog::openFile(const QDateTime &time, QString *error)
{
    if (!QDir().mkpath(m_folder)) {
        *error = QString::fromUtf8("无法建立文件夹 %1").arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    m_file.setFileName(fileNameFor(time));
    // NewOnly: a log never writes into a file that exists.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_file.fileName()),
                                              m_file.errorString());
        return false;
    }
    const QByteArray start = QByteArray(RunLogFormat::byteOrderMark) + RunLogFormat::headerLine();
    if (m_file.write(start) != start.size() || !m_file.flush()) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_file.fileName()),
                                              m_file.errorString());
        m_file.close();
        return false;
    }
    m_fileDate = time.date();
    m_chain = RunLogFormat::firstChain;
    emit fileStarted(m_file.fileName());
    return true;
}

QString RunLog::fileNameFor(const QDateTime &time) const
{
    const QString base =
        QDir(m_folder).filePath(time.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
    QString name = base + QStringLiteral(".csv");
    for (int number = 2; QFileInfo::exists(name); ++number)
        name = QStringLiteral("%1-%2.csv").arg(base).arg(number);
    return name;
}

void RunLog::closeFile()
{
    if (!m_file.isOpen())
        return;
    syncNow(true);
    m_file.close();
    m_syncTimer.stop();
}

void RunLog::fail(const QString &reason)
{
    if (m_failing)
        return;
    m_failing = true;
    m_syncTimer.start(); // tries again even when no new row comes
    emit writeFailed(reason);
}

bool RunLog::syncNow(bool wait)
{
    if (!m_dirty || !m_file.isOpen()) {
        if (!m_dirty && m_pending.isEmpty())
            m_syncTimer.stop(); // nothing new: no timer ticking while idle
        return true;
    }
    if (!wait && m_syncing->load())
        return true; // the last one is still at it; the timer comes again
    const int fd = duplicateDescriptor(m_file.handle());
    if (fd < 0)
        return false;
    m_dirty = false;
    if (wait)
        return syncAndClose(fd);
    m_syncing->store(true);
    QThreadPool::globalInstance()->start([fd, syncing = m_syncing] {
        syncAndClose(fd);
        syncing->store(false);
    });
    return true;
}
