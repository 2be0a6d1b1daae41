#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The run log's file format: UTF-8 with a byte-order mark, comma-separated, fields quoted as
// RFC 4180 says, CR LF line ends, a header row, and in each row a chain value that ties it to
// every row before it. Everything that writes or reads a run log goes through here.
namespace RunLogFormat {

inline constexpr char byteOrderMark[] = "\xEF\xBB\xBF";
inline const QStringList columns{
    QStringLiteral("time"),
    QStringLiteral("elapsed_s"),
    QStringLiteral("event"),
    QStringLiteral("current_pressure_mpa"),
    QStringLiteral("set_pressure_mpa"),
    QStringLiteral("set_flow_ml_min"),
    QStringLiteral("run"),
    QStringLiteral("detail"),
    QStringLiteral("chain"),
};
enum Column { Time, Elapsed, Event, CurrentPressure, SetPressure, SetFlow, Run, Detail, Chain };
inline constexpr int columnCount = 9;
// The chain value before the first row.
inline const QByteArray firstChain(64, '0');

// The byte-order mark and the header row, with its line end: how every run log begins.
QByteArray fileStart();
QByteArray headerLine();
// A field as written: quoted when it holds a comma, a quote, CR or LF (quotes doubled).
QByteArray field(const QString &text);
// Local time with milliseconds and the UTC offset: 2026-12-10T09:15:02.125+08:00.
QString timeText(const QDateTime &time);
// Seconds with three decimals and a point.
QString secondsText(qint64 milliseconds);
// A time as timeText() writes it, as ms since the epoch and its UTC offset in seconds; false if
// the text is not such a time.
bool parseTime(const char *begin, const char *end, qint64 *time, int *offset);

// The eight fields before the chain, as written and joined by commas.
QByteArray fieldsText(const QStringList &fields);
// Lower-case hex SHA-256 over the previous row's chain followed by this row's fields as written.
QByteArray chain(const QByteArray &previousChain, const QByteArray &fields);
// A whole row: the fields, the chain, CR LF.
QByteArray line(const QByteArray &fields, const QByteArray &chainValue);

// One row as written, cut into its fields: views into the bytes, quoted fields with their
// quotes. The one splitter of the format: the verifier, the history reader and the export
// all read rows through it.
struct Row
{
    std::array<QByteArrayView, columnCount> fields; // the first `count` are set
    int count = 0; // how many fields the row has (may be more than columnCount)
    const char *begin = nullptr;
    const char *next = nullptr; // after the row's CR LF

    // The text of a field as written, unquoted.
    QByteArray bytes(int column) const;
    QString text(int column) const { return QString::fromUtf8(bytes(column)); }
    // What the chain of this row covers: every field before the chain, as written.
    QByteArrayView chained() const;
    // Its time field as ms since the epoch and the UTC offset it was written with (seconds);
    // false if it is not a time.
    bool time(qint64 *milliseconds, int *offset) const;
};
enum class Read {
    Complete,   // a row ended by CR LF
    Incomplete, // the bytes end inside the row: the rest is not written yet, or was cut off
    Malformed,  // quoting or line ends that RFC 4180 does not allow
};
// Reads the row that starts at `begin`.
Read readRow(const char *begin, const char *end, Row &row);
// A field as written, unquoted.
QByteArray unquoted(QByteArrayView field);
// Where the line after the one at `at` starts, or `end`.
const char *nextLine(const char *at, const char *end);
// Hands each complete row of nine fields in [at, end) to `take`, skipping lines that are not
// rows the panel writes; returns where an incomplete row begins (or `end`), for the next read.
template<typename Take> const char *readRows(const char *at, const char *end, Take &&take)
{
    Row row;
    while (at < end) {
        const Read read = readRow(at, end, row);
        if (read == Read::Incomplete)
            return at;
        if (read == Read::Complete && row.count == columnCount) {
            take(row);
            at = row.next;
        } else {
            at = nextLine(at, end);
        }
    }
    return at;
}

// The rows that tie the files of one run together, and their details.
namespace Links {
// First row of a file that continues another: the file before and its last chain.
QString continuedDetail(const QString &previousFile, const QByteArray &previousChain);
struct Continued
{
    QString file;
    QByteArray chain;
};
std::optional<Continued> continuedFrom(const QString &detail);
// The closing row of a file that another continues (at midnight): names that file.
QString closedDetail(const QString &reason, const QString &nextFile);
QString nextFileOf(const QString &detail); // empty when it names none
// The first row of an export: where its rows come from and the source chains that frame them.
QString exportedDetail(const QStringList &sourceFiles, const QByteArray &chainBefore,
                       const QByteArray &chainAtEnd, const QString &exportedAt);
} // namespace Links

// What checking a file finds.
struct Verification
{
    enum class Outcome { Holds, Broken, NotARunLog };
    Outcome outcome = Outcome::NotARunLog;
    int rows = 0;      // complete rows whose chain holds
    QString firstTime; // of the first and the last of them
    QString lastTime;
    int brokenRow = 0;           // 1-based among the rows, when Broken
    QString brokenTime;          // its time field, as written
    bool incompleteTail = false; // the file ends inside a row (a write cut short)
    QString problem;             // why the file is not a run log
    // The first and the last complete row's event and detail, and the last chain.
    QString firstEvent, firstDetail, lastEvent, lastDetail;
    QByteArray lastChain;

    bool closed() const { return lastEvent == QLatin1String("closed"); }
};
Verification verify(const QByteArray &file);

// The complete rows of a run log, each as its nine fields unquoted; empty when the file is not
// one. The chain is not checked.
QList<QStringList> rows(const QByteArray &file);

} // namespace RunLogFormat
