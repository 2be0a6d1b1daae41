#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The run log's file format: UTF-8 with a byte-order mark, comma-separated, fields quoted as
// RFC 4180 says, CR LF line ends, a header row, and in each row a chain value that ties it to
// every row before it.
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
// The chain value before the first row.
inline const QByteArray firstChain(64, '0');

// The header row, with its line end.
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
// Where the row starting at `begin` ends: its CR of a CR LF outside quotes, or nullptr while
// the row is incomplete.
const char *rowEnd(const char *begin, const char *end);

// The eight fields before the chain, as written and joined by commas.
QByteArray fieldsText(const QStringList &fields);
// Lower-case hex SHA-256 over the previous row's chain followed by this row's fields as written.
QByteArray chain(const QByteArray &previousChain, const QByteArray &fields);
// A whole row: the fields, the chain, CR LF.
QByteArray line(const QByteArray &fields, const QByteArray &chainValue);

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
};
Verification verify(const QByteArray &file);

// The complete rows of a run log, each as its nine fields unquoted; empty when the file is not
// one. The chain is not checked.
QList<QStringList> rows(const QByteArray &file);

} // namespace RunLogFormat
