#pragma once

#include "runlogformat.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A run is written as one file a day: each later file begins with a `continued` row that names
// the one before and carries its last chain, and a file left at midnight ends with a `closed`
// row that names the next. These are the files of a folder seen that way, and the checks made
// of them.
namespace RunFiles {

// The lock the panel holds beside a file while it writes it.
QString lockPathOf(const QString &logPath);
// Whether a running panel holds that lock now.
bool isBeingWritten(const QString &logPath);

// What the first and the last complete row of a file say of its neighbours, read from the
// file's two ends.
struct Ends
{
    QString previousFile;     // named by a `continued` first row
    QByteArray previousChain; // the chain that row carries
    QString nextFile;         // named by the closing row
    QByteArray lastChain;
    // The last complete row: its event, time as written, set flow and run state.
    QString lastEvent;
    QString lastTime;
    QString lastSetFlow;
    QString lastRun;
};
Ends endsOf(const QString &path);

// The newest run log of a folder, when it did not end as a panel ends it: no closing row, its
// last row says RUN, and no running panel is writing it.
struct UncleanEnd
{
    QString path;
    QString lastTime;
    QString setFlow; // as the pump last reported it; empty when it never did
};
std::optional<UncleanEnd> uncleanEnd(const QString &folder);

// One piece of a run, in order: a file, or the place of one that is missing.
struct Piece
{
    // How the piece follows the one before it.
    enum class Kind {
        File,       // there, and tied to the one before (or the first)
        Mismatched, // there, but it carries another chain than the last of the one before
        Missing,    // named by its neighbours, not in the folder
    };
    Kind kind = Kind::File;
    QString path; // for a missing file, where it would be
};
// The files of the run that `path` belongs to, from the one that began with `opened` to the
// last one written, found by the names their first and last rows give.
QList<Piece> runOf(const QString &path);

// What --verify-log finds in one file.
struct Check
{
    enum class Outcome {
        Closed,       // the chain holds and the file ends with its closing row
        BeingWritten, // the chain holds and a running panel is still writing it
        NotClosed,    // the chain holds but the closing row is missing
        Broken,       // a row changed, inserted, removed or reordered
        NotARunLog,   // or unreadable
    };
    Outcome outcome = Outcome::NotARunLog;
    QString path;
    RunLogFormat::Verification verification;
    QString readError;
    // A `continued` first row: the file named, whether it was found, and whether it ends with
    // the chain carried.
    QString previousFile;
    bool previousFound = false;
    bool previousMatches = false;
    bool previousRequired = false; // checked as part of a folder or a set of files

    // 0: holds and closed, or being written; 1: broken, or a file before it missing or not
    // matching; 2: not a run log or unreadable; 3: holds, but no closing row.
    int exitCode() const;
};
// Checks each file; a folder stands for its *.csv files, in name order. With more than one file
// a `continued` row must find the file it names.
QList<Check> check(const QStringList &paths);
// The worst exit code of the checks: 1 before 2 before 3 before 0.
int worstExitCode(const QList<Check> &checks);

} // namespace RunFiles
