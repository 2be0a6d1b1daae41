#include "runlogformat.h"

#include <QCryptographicHash>

namespace RunLogFormat {

QByteArray headerLine()
{
    return columns.join(QLatin1Char(',')).toUtf8() + "\r\n";
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

const char *rowEnd(const char *begin, const char *end)
{
    bool quoted = false;
    for (const char *c = begin; c + 1 < end; ++c) {
        if (*c == '"')
            quoted = !quoted;
        else if (!quoted && *c == '\r' && c[1] == '\n')
            return c;
    }
    return nullptr;
}

namespace {

// One record of the file: its fields unquoted, and where its text lies.
struct Record
{
    QStringList fields;
    qsizetype start = 0;
    qsizetype lastComma = -1; // before the last field
    bool complete = false;    // ended by CR LF
};

// Reads the record starting at `at`; false when its quoting is broken.
bool readRecord(const QByteArray &file, qsizetype &at, Record &record)
{
    record = Record();
    record.start = at;
    QByteArray current;
    bool quoted = false;
    bool wasQuoted = false;
    while (at < file.size()) {
        const char c = file[at];
        if (quoted) {
            if (c == '"') {
                if (at + 1 < file.size() && file[at + 1] == '"') {
                    current += '"';
                    at += 2;
                    continue;
                }
                quoted = false;
                ++at;
                continue;
            }
            current += c;
            ++at;
            continue;
        }
        if (c == '"') {
            if (!current.isEmpty() || wasQuoted)
                return false; // a quote inside an unquoted field
            quoted = wasQuoted = true;
            ++at;
        } else if (c == ',') {
            record.fields << QString::fromUtf8(current);
            record.lastComma = at;
            current.clear();
            wasQuoted = false;
            ++at;
        } else if (c == '\r' && at + 1 < file.size() && file[at + 1] == '\n') {
            record.fields << QString::fromUtf8(current);
            at += 2;
            record.complete = true;
            return true;
        } else if (c == '\r' || c == '\n') {
            return false; // a line end that is not CR LF
        } else {
            if (wasQuoted)
                return false; // text after a closing quote
            current += c;
            ++at;
        }
    }
    // The file ends inside this record.
    if (!quoted)
        record.fields << QString::fromUtf8(current);
    return true;
}

} // namespace

Verification verify(const QByteArray &file)
{
    Verification result;
    const QByteArray expectedStart = QByteArray(byteOrderMark) + headerLine();
    if (!file.startsWith(expectedStart)) {
        result.problem =
            file.startsWith(byteOrderMark) || file.startsWith("time,")
                ? QString::fromUtf8("第一行不是运行记录的列名")
                : QString::fromUtf8("文件不是以 UTF-8 字节顺序标记和运行记录的列名开始");
        return result;
    }
    qsizetype at = expectedStart.size();
    QByteArray previous = firstChain;
    Record record;
    int row = 0;
    while (at < file.size()) {
        ++row;
        if (!readRecord(file, at, record)) {
            result.problem = QString::fromUtf8("第 %1 行的引号或换行不符合 CSV 格式").arg(row);
            return result;
        }
        if (!record.complete) {
            result.incompleteTail = true;
            break;
        }
        if (record.fields.size() != columns.size()) {
            result.problem = QString::fromUtf8("第 %1 行有 %2 个字段，应为 %3 个")
                                 .arg(row)
                                 .arg(record.fields.size())
                                 .arg(columns.size());
            return result;
        }
        const QByteArray fields = file.mid(record.start, record.lastComma - record.start);
        const QByteArray expected = chain(previous, fields);
        if (record.fields.constLast().toLatin1() != expected) {
            result.outcome = Verification::Outcome::Broken;
            result.brokenRow = row;
            result.brokenTime = record.fields.constFirst();
            return result;
        }
        previous = expected;
        if (result.rows == 0)
            result.firstTime = record.fields.constFirst();
        result.lastTime = record.fields.constFirst();
        ++result.rows;
    }
    result.outcome = Verification::Outcome::Holds;
    return result;
}

QList<QStringList> rows(const QByteArray &file)
{
    QList<QStringList> result;
    const QByteArray expectedStart = QByteArray(byteOrderMark) + headerLine();
    if (!file.startsWith(expectedStart))
        return result;
    qsizetype at = expectedStart.size();
    Record record;
    while (at < file.size() && readRecord(file, at, record) && record.complete)
        result << record.fields;
    return result;
}

} // namespace RunLogFormat
