#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class QLockFile;

// The run log: every reading and every action, one CSV row each, timestamped when it happens and
// handed to the operating system at once, forced to the disk at least every two seconds. Files go
// into one folder, named by their local start time; a new file starts with each log and at local
// midnight, where the old file ends with a closing row that names the new one and the new one
// begins with a row that names the old one and carries its last chain. While a file is written
// a lock beside it says so. A folder that cannot be written holds nothing up: rows wait in memory
// and are tried again with the next row, and the operator is told once when it fails and once
// when it works again.
class RunLog : public QObject
{
    Q_OBJECT
public:
    // What the pump last reported and what was last commanded, at the moment of an event.
    struct Readings
    {
        QString currentPressure;
        QString setPressure;
        QString setFlow;
        QString run; // "RUN", "STOP" or empty, as last commanded
    };

    // Rows kept while the folder cannot be written; older rows past this are dropped, counted,
    // and the gap is written when logging works again.
    static constexpr int pendingLimit = 100000;
    static constexpr int syncInterval = 2000; // ms
    // While failing, writing is tried again at the first row after this long.
    static constexpr qint64 retryInterval = 1000; // ms

    // `folder` is made when the first file is.
    explicit RunLog(const QString &folder, QObject *parent = nullptr);
    ~RunLog() override;

    // The folder the panel logs to: the application's local data folder plus "runs".
    static QString defaultFolder();

    // Tests set their own wall clock and monotonic clock (milliseconds).
    void setClocks(std::function<QDateTime()> wallClock, std::function<qint64()> monotonic);

    // Starts a new log: its first row goes into a new file. A log still running is ended first.
    void start();
    // Ends the log with a "closed" row; rows after it are not logged until the next start.
    void stop(const QString &detail);
    bool isRunning() const { return m_running; }

    // Logs one event now. Does nothing while no log runs.
    void record(const QString &event, const QString &detail, const Readings &readings);

    QString folder() const { return m_folder; }
    // The file being written, or the last one.
    QString currentFile() const { return m_file.fileName(); }
    bool failing() const { return m_failing; }
    int pendingRows() const { return int(m_pending.size()); }

    // Forces what was written to the disk, as the sync timer does every syncInterval. With
    // `wait`, returns when it is done (tests, closing); otherwise on a worker thread, whose
    // failure is told at the next sync.
    bool syncNow(bool wait = false);
    QTimer *syncTimer() { return &m_syncTimer; }
    // What forces a descriptor's data to the disk: 0, or the system's error number. Tests give
    // one that fails.
    using Sync = std::function<int(int descriptor)>;
    void setSync(Sync sync);

signals:
    // A file was started (its full path); `continues` when it goes on with the log of the file
    // before (midnight, or a failed write), rather than beginning a new one.
    void fileStarted(const QString &path, bool continues);
    // A row was handed to the system.
    void rowWritten();
    // Writing failed: the first time, and not again until it has worked once more.
    void writeFailed(const QString &reason);
    // Writing works again: rows written late, and rows that were dropped.
    void writingResumed(int written, int dropped);

private:
    struct Row
    {
        QDateTime time;
        qint64 elapsed; // ms since the log started
        QString event;
        Readings readings;
        QString detail;
    };

    void append(Row row);
    // Writes the rows waiting; `newestIsNew` when the last of them has just happened.
    bool writePending(bool newestIsNew);
    bool writeRow(const Row &row);
    bool writeLine(const Row &row);
    bool openFile(const QString &name, QDate date, QString *error);
    void closeFile();
    void fail(const QString &reason);
    void takeSyncResult();
    QString fileNameFor(const QDateTime &time) const;

    QString m_folder;
    std::function<QDateTime()> m_wallClock;
    std::function<qint64()> m_monotonic;
    bool m_running = false;
    qint64 m_startedAt = 0;
    QFile m_file;
    std::unique_ptr<QLockFile> m_lock;
    QDate m_fileDate;
    QString m_previousFile; // ended by midnight or a failure, to be named by the next one
    QByteArray m_previousChainOfFile;
    QByteArray m_chain;
    QList<Row> m_pending;
    int m_dropped = 0;
    QDateTime m_firstDropped, m_lastDropped;
    bool m_failing = false;
    qint64 m_lastAttempt = 0;
    bool m_dirty = false;
    QTimer m_syncTimer;
    // Shared with the worker that syncs: whether one is at it, and its result (0 none yet,
    // 1 done, or minus the system's error number).
    struct Syncing
    {
        std::atomic<bool> busy{false};
        std::atomic<int> result{0};
    };
    std::shared_ptr<Syncing> m_syncing;
    Sync m_sync;
    bool m_syncFailing = false;
};
