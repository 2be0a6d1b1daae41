#include "runlog.h"

#include "monotonic.h"
#include "runfiles.h"
#include "runlogformat.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <QThreadPool>

#include <cerrno>
#include <cstring>

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

int syncDescriptor(int fd)
{
#ifdef Q_OS_WIN
    return _commit(fd) == 0 ? 0 : errno;
#else
    return ::fsync(fd) == 0 ? 0 : errno;
#endif
}

void closeDescriptor(int fd)
{
#ifdef Q_OS_WIN
    _close(fd);
#else
    ::close(fd);
#endif
}

} // namespace

RunLog::RunLog(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_wallClock([] { return QDateTime::currentDateTime(); })
    , m_monotonic(&monotonicMs)
    , m_syncing(std::make_shared<Syncing>())
    , m_sync(&syncDescriptor)
{
    m_syncTimer.setObjectName(QStringLiteral("runLogSync"));
    m_syncTimer.setInterval(syncInterval);
    connect(&m_syncTimer, &QTimer::timeout, this, [this] {
        if (!m_pending.isEmpty())
            writePending(false); // rows waiting for a folder that failed are not left for long
        syncNow();
    });
}

RunLog::~RunLog()
{
    if (m_running)
        stop(QCoreApplication::translate("RunLog", "程序结束"));
    closeFile();
}

QString RunLog::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/runs");
}

void RunLog::setSync(Sync sync)
{
    m_sync = std::move(sync);
}

void RunLog::setClocks(std::function<QDateTime()> wallClock, std::function<qint64()> monotonic)
{
    m_wallClock = std::move(wallClock);
    m_monotonic = std::move(monotonic);
}

void RunLog::start()
{
    if (m_running)
        stop(QCoreApplication::translate("RunLog", "开始新的运行记录"));
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
    if (m_pending.isEmpty())
        closeFile(); // synced, and the lock given back
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
    writePending(true);
}

bool RunLog::writePending(bool newestIsNew)
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
                          QCoreApplication::translate("RunLog", "%1 行未能写入，已丢失（%2 至 %3）")
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
        emit writingResumed(newestIsNew ? written - 1 : written, dropped);
    }
    if (!m_running)
        closeFile(); // the closing row was among the rows that waited
    return true;
}

bool RunLog::writeRow(const Row &row)
{
    // A new day starts a new file: the old one ends with a row that names it.
    if (m_file.isOpen() && row.time.date() != m_fileDate) {
        const QString next = fileNameFor(row.time);
        const Row closing{
            row.time, row.elapsed, QStringLiteral("closed"), row.readings,
            RunLogFormat::Links::closedDetail(QCoreApplication::translate("RunLog", "日期变更"),
                                              QFileInfo(next).fileName())};
        if (!writeLine(closing))
            return false;
        m_previousFile = QFileInfo(m_file.fileName()).fileName();
        m_previousChainOfFile = m_chain;
        closeFile();
        QString error;
        if (!openFile(next, row.time.date(), &error)) {
            fail(error);
            return false;
        }
    }
    // A file given up after a failed write, or the first of a log.
    if (!m_file.isOpen()) {
        QString error;
        if (!openFile(fileNameFor(row.time), row.time.date(), &error)) {
            fail(error);
            return false;
        }
    }
    if (!m_previousFile.isEmpty()) {
        const Row continued{
            row.time, row.elapsed, QStringLiteral("continued"), row.readings,
            RunLogFormat::Links::continuedDetail(m_previousFile, m_previousChainOfFile)};
        if (!writeLine(continued))
            return false;
        m_previousFile.clear();
    }
    return writeLine(row);
}

bool RunLog::writeLine(const Row &row)
{
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

bool RunLog::openFile(const QString &name, QDate date, QString *error)
{
    if (!QDir().mkpath(m_folder)) {
        *error = QCoreApplication::translate("RunLog", "无法建立文件夹 %1")
                     .arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    // Taken before the file exists, so that nobody sees the file without it. A lock left by a
    // panel that is gone is taken over; one that cannot be made holds nothing up: the file is
    // then reported as not closed, rather than as being written, should the panel end badly.
    auto lock = std::make_unique<QLockFile>(RunFiles::lockPathOf(name));
    lock->setStaleLockTime(0);
    m_lock = lock->tryLock(0) ? std::move(lock) : nullptr;
    m_file.setFileName(name);
    // NewOnly: a log never writes into a file that exists.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_file.fileName()),
                                              m_file.errorString());
        m_lock.reset();
        return false;
    }
    const QByteArray start = RunLogFormat::fileStart();
    if (m_file.write(start) != start.size() || !m_file.flush()) {
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_file.fileName()),
                                              m_file.errorString());
        m_file.close();
        m_lock.reset();
        return false;
    }
    m_fileDate = date;
    m_chain = RunLogFormat::firstChain;
    emit fileStarted(m_file.fileName(), !m_previousFile.isEmpty());
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
    m_lock.reset();
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
    takeSyncResult();
    if (!m_dirty || !m_file.isOpen()) {
        if (!m_dirty && m_pending.isEmpty())
            m_syncTimer.stop(); // nothing new: no timer ticking while idle
        return true;
    }
    if (!wait && m_syncing->busy.load())
        return true; // the last one is still at it; the timer comes again
    const int fd = duplicateDescriptor(m_file.handle());
    if (fd < 0)
        return false;
    m_dirty = false;
    if (wait) {
        const int error = m_sync(fd);
        closeDescriptor(fd);
        m_syncing->result.store(error == 0 ? 1 : -error);
        takeSyncResult();
        return error == 0;
    }
    m_syncing->busy.store(true);
    QThreadPool::globalInstance()->start([fd, sync = m_sync, syncing = m_syncing] {
        const int error = sync(fd);
        closeDescriptor(fd);
        syncing->result.store(error == 0 ? 1 : -error);
        syncing->busy.store(false);
    });
    return true;
}

void RunLog::takeSyncResult()
{
    const int result = m_syncing->result.exchange(0);
    if (result < 0 && !m_syncFailing) {
        // The rows are with the system but not on the disk: a power cut would lose them.
        m_syncFailing = true;
        emit writeFailed(QCoreApplication::translate("RunLog", "%1：无法写到磁盘（%2）")
                             .arg(QDir::toNativeSeparators(m_file.fileName()),
                                  QString::fromLocal8Bit(std::strerror(-result))));
    } else if (result > 0 && m_syncFailing) {
        m_syncFailing = false;
        emit writingResumed(0, 0);
    }
}
