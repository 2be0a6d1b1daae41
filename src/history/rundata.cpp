#include "rundata.h"

#include "runlogformat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <charconv>

namespace {

constexpr float notKnown = std::numeric_limits<float>::quiet_NaN();

bool sameValue(float a, float b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

void addStep(std::vector<RunData::Step> &steps, qint64 time, float value)
{
    if (steps.empty() ? std::isnan(value) : sameValue(steps.back().value, value))
        return;
    steps.push_back({time, value});
}

float number(const char *begin, const char *end)
{
    float value = notKnown;
    if (begin == end)
        return value;
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() && result.ptr == end ? value : notKnown;
}

// A set pressure as the pump sends it: two digits, a character the pump does not use (its
// point) and a digit. Rows written before the log held the data field hold the caption, which
// reads the same.
float setPressure(QByteArrayView field)
{
    if (field.size() != 4)
        return number(field.begin(), field.end());
    const char text[4] = {field[0], field[1], '.', field[3]};
    return number(text, text + 4);
}

// Rows after which the curve does not join the reading before: the link was down or silent, or
// the log was not written for a while.
bool breaksTheCurve(QByteArrayView event)
{
    for (const char *word : {"opened", "silent", "lost", "closed", "log-gap"}) {
        if (event == QByteArrayView(word))
            return true;
    }
    return false;
}

// The rows of the pressure protection: the limits in force and when the low one counted.
void readLimits(qint64 time, QByteArrayView event, const QString &detail, RunData &data)
{
    if (event == QByteArrayView("limits")) {
        const std::optional<Limits> limits = Limits::fromLogText(detail);
        if (!limits)
            return;
        data.limits.push_back({time, *limits});
        addStep(data.highLimit, time, limits->high ? float(*limits->high) : notKnown);
        addStep(data.lowLimit, time, limits->low ? float(*limits->low) : notKnown);
        if (data.lowArmed.empty())
            addStep(data.lowArmed, time, 0);
    } else if (event == QByteArrayView("limit-armed")) {
        addStep(data.lowArmed, time, 1);
    } else if (event == QByteArrayView("limit-waiting") ||
               event == QByteArrayView("limit-disarmed") || event == QByteArrayView("limit-trip")) {
        addStep(data.lowArmed, time, 0);
    }
}

} // namespace

float RunData::valueAt(const std::vector<Step> &steps, qint64 time)
{
    const auto after = std::upper_bound(steps.begin(), steps.end(), time,
                                        [](qint64 t, const Step &step) { return t < step.time; });
    return after == steps.begin() ? notKnown : std::prev(after)->value;
}

void RunData::addReading(qint64 time, float value)
{
    if (readingTime.size() % blockSize == 0)
        blocks.push_back({value, value, value});
    Block &block = blocks.back();
    block.min = std::min(block.min, value);
    block.max = std::max(block.max, value);
    block.last = value;
    readingTime.push_back(time);
    pressure.push_back(value);
}

bool RunData::joinsPrevious(std::size_t index) const
{
    return index > 0 && !std::binary_search(gapStarts.begin(), gapStarts.end(), readingTime[index]);
}

int RunData::utcOffsetAt(qint64 time) const
{
    const auto after =
        std::upper_bound(utcOffsets.begin(), utcOffsets.end(), time,
                         [](qint64 t, const Offset &offset) { return t < offset.time; });
    if (after == utcOffsets.begin())
        return utcOffsets.empty() ? 0 : utcOffsets.front().seconds;
    return std::prev(after)->seconds;
}

QString RunData::clockText(qint64 time) const
{
    return QDateTime::fromMSecsSinceEpoch(time, QTimeZone(utcOffsetAt(time)))
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void RunDataReader::startFile(const QString &name, RunData &data)
{
    m_pending.clear();
    m_consumed = 0;
    m_headerSeen = false;
    data.files << name;
}

void RunDataReader::markMissing(const QString &name, RunData &data)
{
    m_lastReplyWasGap = true;
    addEvent(
        data.lastTime, QStringLiteral("missing-file"),
        QCoreApplication::translate("RunData", "缺少运行记录文件 %1").arg(name),
        QCoreApplication::translate("RunData", "缺少运行记录文件 %1：这里的行没有读到").arg(name),
        data);
}

void RunDataReader::markMismatched(const QString &name, RunData &data)
{
    addEvent(
        data.lastTime, QStringLiteral("chain-mismatch"),
        QCoreApplication::translate("RunData", "%1 与前一个文件的 chain 不符").arg(name),
        QCoreApplication::translate("RunData", "%1 的第一行所带的 chain 与前一个文件的最后一行不符")
            .arg(name),
        data);
}

void RunDataReader::addEvent(qint64 time, const QString &event, const QString &detail,
                             const QString &row, RunData &data)
{
    data.events.push_back({time, event, detail, row});
}

bool RunDataReader::feed(const QByteArray &bytes, RunData &data)
{
    m_pending.append(bytes);
    const char *const start = m_pending.constData();
    const char *at = start;
    const char *const end = start + m_pending.size();
    if (!m_headerSeen) {
        const QByteArray header = RunLogFormat::fileStart();
        if (m_pending.size() < header.size())
            return header.startsWith(m_pending);
        if (!m_pending.startsWith(header))
            return false;
        at += header.size();
        m_headerSeen = true;
    }
    // An incomplete row at the end is the rest still being written.
    at = RunLogFormat::readRows(at, end, [&](const RunLogFormat::Row &row) { readRow(row, data); });
    if (!m_lastChain.isEmpty())
        data.lastChain = QString::fromLatin1(m_lastChain);
    m_lastChain = {};
    m_consumed += at - start;
    m_pending.remove(0, at - start);
    return true;
}

void RunDataReader::readRow(const RunLogFormat::Row &row, RunData &data)
{
    using namespace RunLogFormat;
    qint64 time = 0;
    int offset = 0;
    if (!row.time(&time, &offset))
        return;

    if (data.rows++ == 0)
        data.firstTime = time;
    data.lastTime = time;
    if (data.utcOffsets.empty() || data.utcOffsets.back().seconds != offset)
        data.utcOffsets.push_back({time, offset});
    m_lastChain = row.fields[Chain];
    addStep(data.setPressure, time, setPressure(row.fields[SetPressure]));
    const QByteArrayView flow = row.fields[SetFlow];
    addStep(data.setFlow, time, number(flow.begin(), flow.end()));
    const QByteArrayView run = row.fields[Run];
    addStep(data.running, time,
            run == QByteArrayView("RUN")    ? 1.0f
            : run == QByteArrayView("STOP") ? 0.0f
                                            : notKnown);

    const QByteArrayView event = row.fields[Event];
    if (event == QByteArrayView("reply")) {
        // The current-pressure replies make the curve: "Q00N01.2Y".
        const QByteArrayView detail = row.fields[Detail];
        const QByteArrayView current = row.fields[CurrentPressure];
        const float pressure = number(current.begin(), current.end());
        if (detail.size() == 9 && detail[3] == 'N' && !std::isnan(pressure)) {
            const bool gap = m_lastReplyWasGap || data.readingTime.empty() ||
                             time - data.readingTime.back() > RunData::gapLimit;
            if (gap)
                data.gapStarts.push_back(time);
            data.addReading(time, pressure);
            m_lastReplyWasGap = false;
        }
        return;
    }
    const QString detail = row.text(Detail);
    // Where one file of a run hands over to the next: not an event of the run.
    if (event == QByteArrayView("continued") ||
        (event == QByteArrayView("closed") && !Links::nextFileOf(detail).isEmpty()))
        return;
    if (breaksTheCurve(event))
        m_lastReplyWasGap = true;
    const QString name = QString::fromLatin1(event);
    if (event == QByteArrayView("opened"))
        data.port = detail;
    readLimits(time, event, detail, data);
    addEvent(time, name, detail, QString::fromUtf8(row.begin, int(row.next - 2 - row.begin)), data);
}

std::vector<PlotColumn> decimate(const RunData &data, RunData::Range range, int width)
{
    std::vector<PlotColumn> columns(std::size_t(std::max(width, 0)));
    if (width <= 0 || range.to < range.from)
        return columns;
    const auto &times = data.readingTime;
    const auto first = std::lower_bound(times.begin(), times.end(), range.from);
    const auto last = std::upper_bound(times.begin(), times.end(), range.to);
    const double scale = double(width) / double(std::max<qint64>(range.to - range.from, 1));
    auto gap = std::lower_bound(data.gapStarts.begin(), data.gapStarts.end(), range.from);
    auto columnOf = [&](qint64 time) {
        return std::min(width - 1, int(double(time - range.from) * scale));
    };
    const std::size_t block = RunData::blockSize;
    const std::size_t lastIndex = std::size_t(last - times.begin());
    for (auto it = first; it != last; ++it) {
        const std::size_t index = std::size_t(it - times.begin());
        const int x = columnOf(*it);
        PlotColumn &column = columns[std::size_t(x)];
        // A whole block inside a column that has begun: its extremes stand for its readings.
        if (column.hasData() && index % block == 0 && index + block <= lastIndex &&
            columnOf(times[index + block - 1]) == x) {
            const RunData::Block &whole = data.blocks[index / block];
            column.min = std::min(column.min, whole.min);
            column.max = std::max(column.max, whole.max);
            column.last = whole.last;
            it += std::ptrdiff_t(block - 1);
            continue;
        }
        const float value = data.pressure[index];
        while (gap != data.gapStarts.end() && *gap < *it)
            ++gap;
        const bool joins = index > 0 && !(gap != data.gapStarts.end() && *gap == *it);
        if (!column.hasData()) {
            column.min = column.max = column.first = value;
            column.joinsPrevious = joins;
        } else {
            column.min = std::min(column.min, value);
            column.max = std::max(column.max, value);
        }
        column.last = value;
    }
    return columns;
}

RunSummary summarize(const RunData &data, RunData::Range range)
{
    RunSummary summary;
    const auto &times = data.readingTime;
    const auto first = std::lower_bound(times.begin(), times.end(), range.from);
    const auto last = std::upper_bound(times.begin(), times.end(), range.to);
    double sum = 0;
    for (auto it = first; it != last; ++it) {
        const float value = data.pressure[std::size_t(it - times.begin())];
        if (summary.readings++ == 0)
            summary.minPressure = summary.maxPressure = value;
        summary.minPressure = std::min(summary.minPressure, value);
        summary.maxPressure = std::max(summary.maxPressure, value);
        sum += value;
    }
    if (summary.readings > 0)
        summary.meanPressure = sum / summary.readings;

    // Between any two changes of the run state or the set flow both are constant.
    std::vector<qint64> bounds{range.from, range.to};
    for (const auto *steps : {&data.running, &data.setFlow}) {
        for (const RunData::Step &step : *steps) {
            if (step.time > range.from && step.time < range.to)
                bounds.push_back(step.time);
        }
    }
    std::sort(bounds.begin(), bounds.end());
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
        const qint64 from = bounds[i];
        const qint64 length = bounds[i + 1] - from;
        if (length <= 0 || RunData::valueAt(data.running, from) != 1.0f)
            continue;
        summary.runningMs += length;
        const float flow = RunData::valueAt(data.setFlow, from);
        if (!std::isnan(flow))
            summary.estimatedVolume += double(flow) * double(length) / 60000.0;
    }
    return summary;
}
