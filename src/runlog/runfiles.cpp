#include "runfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QSet>

#include <functional>

namespace RunFiles {

namespace {

using RunLogFormat::Row;

// The last complete row in `bytes`, which end where the file ends; `searchFrom` is where a row
// may begin at the earliest.
bool lastRowIn(const QByteArray &bytes, qsizetype searchFrom, Row &row)
{
    const char *const data = bytes.constData();
    qsizetype end = bytes.size();
    if (!bytes.endsWith("\r\n")) {
        // A row cut short at the end: the last complete one ends before it.
        const qsizetype lineEnd = bytes.lastIndexOf("\r\n");
        if (lineEnd < searchFrom)
            return false;
        end = lineEnd + 2;
    }
    // Try each line start backwards: a detail may hold a CR LF inside its quotes.
    qsizetype from = end - 2;
    while (from > searchFrom) {
        const qsizetype lineEnd = bytes.lastIndexOf("\r\n", from - 1);
        const qsizetype start = lineEnd < searchFrom ? searchFrom : lineEnd + 2;
        if (start >= end)
            return false;
        if (RunLogFormat::readRow(data + start, data + end, row) == RunLogFormat::Read::Complete &&
            row.next == data + end && row.count == RunLogFormat::columnCount)
            return true;
        if (lineEnd < searchFrom)
            return false;
        from = lineEnd;
    }
    return false;
}

QByteArray readRange(QFile &file, qint64 from, qint64 size)
{
    file.seek(from);
    return file.read(size);
}

// The files of one folder, their ends read once.
class Folder
{
public:
    explicit Folder(const QString &path)
        : m_dir(path)
    {
        m_names = m_dir.entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
    }
    QString pathOf(const QString &name) const { return m_dir.filePath(name); }
    bool has(const QString &name) const { return m_names.contains(name); }
    const Ends &ends(const QString &name)
    {
        auto found = m_ends.find(name);
        if (found == m_ends.end())
            found = m_ends.insert(name, endsOf(pathOf(name)));
        return *found;
    }
    // The first file, in name order from `after` on (or before `before`), that passes.
    QString find(const std::function<bool(const Ends &)> &test, const QString &after,
                 const QString &before)
    {
        for (const QString &name : std::as_const(m_names)) {
            if ((!after.isEmpty() && name <= after) || (!before.isEmpty() && name >= before))
                continue;
            if (test(ends(name)))
                return name;
        }
        return QString();
    }

private:
    QDir m_dir;
    QStringList m_names;
    QHash<QString, Ends> m_ends;
};

} // namespace

QString lockPathOf(const QString &logPath)
{
    return logPath + QStringLiteral(".lock");
}

bool isBeingWritten(const QString &logPath)
{
    if (!QFileInfo::exists(lockPathOf(logPath)))
        return false;
    QLockFile lock(lockPathOf(logPath));
    // A lock whose panel is gone is stale whatever its age; one held by a panel never is.
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

Ends endsOf(const QString &path)
{
    Ends ends;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ends;
    const QByteArray start = RunLogFormat::fileStart();
    const qint64 size = file.size();
    constexpr qint64 chunk = 16 << 10;
    QByteArray head = readRange(file, 0, std::min(size, chunk));
    if (!head.startsWith(start))
        return ends;
    Row row;
    auto readFirst = [&](const QByteArray &bytes) {
        return RunLogFormat::readRow(bytes.constData() + start.size(),
                                     bytes.constData() + bytes.size(),
                                     row) == RunLogFormat::Read::Complete;
    };
    bool first = readFirst(head);
    if (!first && size > chunk) { // a first row longer than the chunk
        head = readRange(file, 0, size);
        first = readFirst(head);
    }
    if (!first)
        return ends; // no complete row yet
    if (row.fields[RunLogFormat::Event] == QByteArrayView("continued")) {
        if (const auto continued =
                RunLogFormat::Links::continuedFrom(row.text(RunLogFormat::Detail))) {
            ends.previousFile = continued->file;
            ends.previousChain = continued->chain;
        }
    }

    const qint64 tailStart = std::max<qint64>(0, size - chunk);
    QByteArray tail = readRange(file, tailStart, size - tailStart);
    bool last = lastRowIn(tail, tailStart == 0 ? start.size() : 0, row);
    if (!last && tailStart > 0) {
        tail = readRange(file, 0, size);
        last = lastRowIn(tail, start.size(), row);
    }
    if (last) {
        ends.lastChain = row.bytes(RunLogFormat::Chain);
        ends.lastEvent = row.text(RunLogFormat::Event);
        ends.lastTime = row.text(RunLogFormat::Time);
        ends.lastSetFlow = row.text(RunLogFormat::SetFlow);
        ends.lastRun = row.text(RunLogFormat::Run);
        if (row.fields[RunLogFormat::Event] == QByteArrayView("closed"))
            ends.nextFile = RunLogFormat::Links::nextFileOf(row.text(RunLogFormat::Detail));
    }
    return ends;
}

std::optional<UncleanEnd> uncleanEnd(const QString &folder)
{
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
    if (names.isEmpty())
        return std::nullopt;
    // Named by the time they began: the last name is the newest log.
    const QString path = QDir(folder).filePath(names.constLast());
    const Ends ends = endsOf(path);
    if (ends.lastEvent.isEmpty() || ends.lastEvent == QLatin1String("closed") ||
        ends.lastRun != QLatin1String("RUN") || isBeingWritten(path))
        return std::nullopt;
    return UncleanEnd{path, ends.lastTime, ends.lastSetFlow};
}

QList<Piece> runOf(const QString &path)
{
    const QFileInfo info(path);
    Folder folder(info.absolutePath());
    QList<Piece> pieces{Piece{Piece::Kind::File, path}};
    QSet<QString> visited{info.fileName()};

    // Back to the file that began with `opened`.
    QString name = info.fileName();
    while (true) {
        const Ends current = folder.ends(name);
        const QString previous = current.previousFile;
        if (previous.isEmpty() || visited.contains(previous))
            break;
        visited.insert(previous);
        if (folder.has(previous)) {
            if (folder.ends(previous).lastChain != current.previousChain)
                pieces.first().kind = Piece::Kind::Mismatched;
            pieces.prepend(Piece{Piece::Kind::File, folder.pathOf(previous)});
            name = previous;
            continue;
        }
        pieces.prepend(Piece{Piece::Kind::Missing, folder.pathOf(previous)});
        // The file before the missing one names it in its closing row.
        const QString before = folder.find(
            [&](const Ends &ends) { return ends.nextFile == previous; }, QString(), previous);
        if (before.isEmpty() || visited.contains(before))
            break;
        visited.insert(before);
        pieces.prepend(Piece{Piece::Kind::File, folder.pathOf(before)});
        name = before;
    }

    // On to the last file written.
    name = info.fileName();
    while (true) {
        const Ends current = folder.ends(name);
        QString next = current.nextFile;
        if (next.isEmpty()) // no closing row names it: a file that says it continues this one
            next = folder.find([&](const Ends &ends) { return ends.previousFile == name; }, name,
                               QString());
        if (next.isEmpty() || visited.contains(next))
            break;
        visited.insert(next);
        if (folder.has(next)) {
            const Ends &following = folder.ends(next);
            const bool ties =
                following.previousFile == name && following.previousChain == current.lastChain;
            pieces.append(
                Piece{ties ? Piece::Kind::File : Piece::Kind::Mismatched, folder.pathOf(next)});
            name = next;
            continue;
        }
        pieces.append(Piece{Piece::Kind::Missing, folder.pathOf(next)});
        const QString after = folder.find(
            [&](const Ends &ends) { return ends.previousFile == next; }, next, QString());
        if (after.isEmpty() || visited.contains(after))
            break;
        visited.insert(after);
        pieces.append(Piece{Piece::Kind::File, folder.pathOf(after)});
        name = after;
    }
    return pieces;
}

int Check::exitCode() const
{
    switch (outcome) {
    case Outcome::NotARunLog:
        return 2;
    case Outcome::Broken:
        return 1;
    case Outcome::Closed:
    case Outcome::BeingWritten:
    case Outcome::NotClosed:
        break;
    }
    if (!previousFile.isEmpty() &&
        ((previousFound && !previousMatches) || (!previousFound && previousRequired)))
        return 1;
    return outcome == Outcome::NotClosed ? 3 : 0;
}

QList<Check> check(const QStringList &paths)
{
    QStringList files;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            const QDir dir(path);
            for (const QString &name :
                 dir.entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name))
                files << dir.filePath(name);
        } else {
            files << path;
        }
    }
    const bool several = files.size() > 1;
    QList<Check> checks;
    for (const QString &path : std::as_const(files)) {
        Check result;
        result.path = path;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            result.readError = file.errorString();
            checks << result;
            continue;
        }
        result.verification = RunLogFormat::verify(file.readAll());
        const RunLogFormat::Verification &verification = result.verification;
        switch (verification.outcome) {
        case RunLogFormat::Verification::Outcome::NotARunLog:
            result.outcome = Check::Outcome::NotARunLog;
            break;
        case RunLogFormat::Verification::Outcome::Broken:
            result.outcome = Check::Outcome::Broken;
            break;
        case RunLogFormat::Verification::Outcome::Holds:
            result.outcome = verification.closed()  ? Check::Outcome::Closed
                             : isBeingWritten(path) ? Check::Outcome::BeingWritten
                                                    : Check::Outcome::NotClosed;
            break;
        }
        if (result.outcome != Check::Outcome::NotARunLog &&
            verification.firstEvent == QLatin1String("continued")) {
            const auto continued = RunLogFormat::Links::continuedFrom(verification.firstDetail);
            result.previousFile = continued ? continued->file : verification.firstDetail;
            const QString previousPath = QFileInfo(path).dir().filePath(result.previousFile);
            result.previousFound = continued && QFileInfo(previousPath).isFile();
            result.previousMatches =
                result.previousFound && endsOf(previousPath).lastChain == continued->chain;
            result.previousRequired = several;
        }
        checks << result;
    }
    return checks;
}

int worstExitCode(const QList<Check> &checks)
{
    int worst = 0;
    auto rank = [](int code) { return code == 1 ? 3 : code == 2 ? 2 : code == 3 ? 1 : 0; };
    for (const Check &check : checks) {
        if (rank(check.exitCode()) > rank(worst))
            worst = check.exitCode();
    }
    return worst;
}

} // namespace RunFiles
