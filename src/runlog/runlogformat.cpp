#include "runlogformat.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QRegularExpression>

#include <cstring>

namespace RunLogFormat {

QByteArray headerLine()
{
    return columns.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

QByteArray fileStart()
{
    return QByteArray(byteOrderMark) + headerLine();
}

QByteArray field(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') &&
        !bytes.contains('\n'))
        return bytes;
    QByteArray quoted = bytes;
    quoted.replace("\"", "\"\"");
    return '"' + quoted + '"';
}

QString timeText(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QLatin1Char(offset < 0 ? '-' : '+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString secondsText(qint64 milliseconds)
{
    return QStringLiteral("%1.%2")
        .arg(milliseconds / 1000)
        .arg(milliseconds % 1000, 3, 10, QLatin1Char('0'));
}

QByteArray fieldsText(const QStringList &fields)
{
    QByteArray text;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            text += ',';
        text += field(fields[i]);
    }
    return text;
}

QByteArray chain(const QByteArray &previousChain, const QByteArray &fields)
{
    return QCryptographicHash::hash(previousChain + fields, QCryptographicHash::Sha256).toHex();
}

QByteArray line(const QByteArray &fields, const QByteArray &chainValue)
{
    return fields + ',' + chainValue + "\r\n";
}

namespace {

int digits(const char *text, int count, bool *ok)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            *ok = false;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar.
qint64 daysFromCivil(int year, int month, int day)
{
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = int(year - era * 400);
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

} // namespace

bool parseTime(const char *begin, const char *end, qint64 *time, int *offset)
{
    // 2026-12-10T09:15:02.125+08:00
    if (end - begin != 29 || begin[4] != '-' || begin[7] != '-' || begin[10] != 'T' ||
        begin[13] != ':' || begin[16] != ':' || begin[19] != '.' ||
        (begin[23] != '+' && begin[23] != '-') || begin[26] != ':')
        return false;
    bool ok = true;
    const int year = digits(begin, 4, &ok);
    const int month = digits(begin + 5, 2, &ok);
    const int day = digits(begin + 8, 2, &ok);
    const int hour = digits(begin + 11, 2, &ok);
    const int minute = digits(begin + 14, 2, &ok);
    const int second = digits(begin + 17, 2, &ok);
    const int ms = digits(begin + 20, 3, &ok);
    const int offsetSeconds =
        (digits(begin + 24, 2, &ok) * 3600 + digits(begin + 27, 2, &ok) * 60) *
        (begin[23] == '-' ? -1 : 1);
    if (!ok || month < 1 || month > 12 || day < 1 || day > 31)
        return false;
    const qint64 local =
        ((daysFromCivil(year, month, day) * 24 + hour) * 60 + minute) * 60 + second;
    *time = (local - offsetSeconds) * 1000 + ms;
    *offset = offsetSeconds;
    return true;
}

QByteArray unquoted(QByteArrayView field)
{
    if (field.isEmpty() || field.front() != '"')
        return field.toByteArray();
    QByteArray text;
    text.reserve(field.size() - 2);
    for (qsizetype i = 1; i + 1 < field.size(); ++i) {
        text += field[i];
        if (field[i] == '"')
            ++i; // a doubled quote stands for one
    }
    return text;
}

const char *nextLine(const char *at, const char *end)
{
    const qsizetype lineEnd = QByteArrayView(at, end - at).indexOf("\r\n");
    return lineEnd < 0 ? end : at + lineEnd + 2;
}

QByteArray Row::bytes(int column) const
{
    return column < count && column < columnCount ? unquoted(fields[std::size_t(column)])
                                                  : QByteArray();
}

QByteArrayView Row::chained() const
{
    const QByteArrayView last = fields[std::size_t(Chain)];
    return QByteArrayView(begin, last.data() - 1 - begin); // up to the comma before the chain
}

bool Row::time(qint64 *milliseconds, int *offset) const
{
    const QByteArrayView field = fields[Time];
    return count > 0 && parseTime(field.data(), field.data() + field.size(), milliseconds, offset);
}

Read readRow(const char *begin, const char *end, Row &row)
{
    row.count = 0;
    row.begin = begin;
    row.next = nullptr;
    const char *at = begin;
    while (true) {
        const char *fieldBegin = at;
        if (at < end && *at == '"') {
            ++at;
            while (true) {
                const char *quote =
                    static_cast<const char *>(std::memchr(at, '"', std::size_t(end - at)));
                if (!quote)
                    return Read::Incomplete; // the file ends inside the quotes
                if (quote + 1 < end && quote[1] == '"') {
                    at = quote + 2;
                    continue;
                }
                at = quote + 1;
                break;
            }
            if (at < end && *at != ',' && *at != '\r')
                return Read::Malformed; // text after a closing quote
        } else {
            while (at < end) {
                const char c = *at;
                if (c == ',' || c == '\r')
                    break;
                if (c == '"' || c == '\n')
                    return Read::Malformed; // a quote inside an unquoted field, a bare LF
                ++at;
            }
        }
        if (row.count < columnCount)
            row.fields[std::size_t(row.count)] = QByteArrayView(fieldBegin, at - fieldBegin);
        ++row.count;
        if (at >= end)
            return Read::Incomplete;
        if (*at == ',') {
            ++at;
            continue;
        }
        // A CR: the row ends here if a LF follows.
        if (at + 1 >= end)
            return Read::Incomplete;
        if (at[1] != '\n')
            return Read::Malformed;
        row.next = at + 2;
        return Read::Complete;
    }
}

namespace Links {

namespace {

// The words that link the files of one run are part of the file's format: --verify-log and the
// history window find the files by them, so they are the same in every language.
const QString continuedText =
    QString::fromUtf8("接续 %1（最后一行 chain %2）");             // untranslated: format
const QString nextFileText = QString::fromUtf8("；下一个文件 %1"); // untranslated: format

} // namespace

QString continuedDetail(const QString &previousFile, const QByteArray &previousChain)
{
    return continuedText.arg(previousFile, QString::fromLatin1(previousChain));
}

std::optional<Continued> continuedFrom(const QString &detail)
{
    static const QRegularExpression pattern(
        QString::fromUtf8("^接续 (.+)（最后一行 chain ([0-9a-f]{64})）$")); // untranslated: format
    const QRegularExpressionMatch match = pattern.match(detail);
    if (!match.hasMatch())
        return std::nullopt;
    return Continued{match.captured(1), match.captured(2).toLatin1()};
}

QString closedDetail(const QString &reason, const QString &nextFile)
{
    return nextFile.isEmpty() ? reason : reason + nextFileText.arg(nextFile);
}

QString nextFileOf(const QString &detail)
{
    static const QRegularExpression pattern(
        QString::fromUtf8("；下一个文件 ([^；]+)$")); // untranslated: format
    const QRegularExpressionMatch match = pattern.match(detail);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString exportedDetail(const QStringList &sourceFiles, const QByteArray &chainBefore,
                       const QByteArray &chainAtEnd, const QString &exportedAt)
{
    return QCoreApplication::translate("RunLogFormat",
                                       "%1 导出自 %2；范围前一行 chain %3；范围最后一行 chain %4")
        .arg(exportedAt, sourceFiles.join(QCoreApplication::translate("RunLogFormat", "、")),
             QString::fromLatin1(chainBefore), QString::fromLatin1(chainAtEnd));
}

} // namespace Links

Verification verify(const QByteArray &file)
{
    Verification result;
    const QByteArray expectedStart = fileStart();
    if (!file.startsWith(expectedStart)) {
        result.problem =
            file.startsWith(byteOrderMark) || file.startsWith("time,")
                ? QCoreApplication::translate("RunLogFormat", "第一行不是运行记录的列名")
                : QCoreApplication::translate("RunLogFormat",
                                              "文件不是以 UTF-8 字节顺序标记和运行记录的列名开始");
        return result;
    }
    const char *at = file.constData() + expectedStart.size();
    const char *const end = file.constData() + file.size();
    QByteArray previous = firstChain;
    Row row;
    int number = 0;
    while (at < end) {
        ++number;
        const Read read = readRow(at, end, row);
        if (read == Read::Malformed) {
            result.problem =
                QCoreApplication::translate("RunLogFormat", "第 %1 行的引号或换行不符合 CSV 格式")
                    .arg(number);
            return result;
        }
        if (read == Read::Incomplete) {
            result.incompleteTail = true;
            break;
        }
        if (row.count != columnCount) {
            result.problem =
                QCoreApplication::translate("RunLogFormat", "第 %1 行有 %2 个字段，应为 %3 个")
                    .arg(number)
                    .arg(row.count)
                    .arg(columnCount);
            return result;
        }
        const QByteArray expected = chain(previous, row.chained().toByteArray());
        if (row.fields[Chain] != expected) {
            result.outcome = Verification::Outcome::Broken;
            result.brokenRow = number;
            result.brokenTime = row.text(Time);
            return result;
        }
        previous = expected;
        if (result.rows == 0) {
            result.firstTime = row.text(Time);
            result.firstEvent = row.text(Event);
            result.firstDetail = row.text(Detail);
        }
        result.lastTime = row.text(Time);
        result.lastEvent = row.text(Event);
        result.lastDetail = row.text(Detail);
        result.lastChain = expected;
        ++result.rows;
        at = row.next;
    }
    result.outcome = Verification::Outcome::Holds;
    return result;
}

QList<QStringList> rows(const QByteArray &file)
{
    QList<QStringList> result;
    const QByteArray expectedStart = fileStart();
    if (!file.startsWith(expectedStart))
        return result;
    const char *at = file.constData() + expectedStart.size();
    const char *const end = file.constData() + file.size();
    Row row;
    while (at < end && readRow(at, end, row) == Read::Complete) {
        QStringList fields;
        for (int i = 0; i < std::min(row.count, columnCount); ++i)
            fields << row.text(i);
        result << fields;
        at = row.next;
    }
    return result;
}

} // namespace RunLogFormat
