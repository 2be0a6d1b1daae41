#include "rundata.h"

#include "runlogformat.h"

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

bool breaksTheCurve(const QString &event)
{
    for (const char *word : {"opened", "silent", "lost", "continued", "closed", "log-gap"}) {
        if (event == QLatin1String(word))
            return true;
    }
    return false;
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

bool RunDataReader::feed(const QByteArray &bytes, RunData &data)
{
    m_pending.append(bytes);
    const char *const start = m_pending.constData();
    const char *at = start;
    const char *const end = start + m_pending.size();
    if (!m_headerSeen) {
        const QByteArray header =
            QByteArray(RunLogFormat::byteOrderMark) + RunLogFormat::headerLine();
        if (m_pending.size() < header.size())
            return header.startsWith(m_pending);
        if (!m_pending.startsWith(header))
            return false;
        at += header.size();
        m_headerSeen = true;
    }
    while (at < end) {
        const char *lineEnd = RunLogFormat::rowEnd(at, end);
        if (!lineEnd)
            break; // the rest of the row is still being written
        readRow(at, lineEnd, data);
        at = lineEnd + 2;
    }
    if (!m_lastChain.isEmpty())
        data.lastChain = QString::fromLatin1(m_lastChain);
    m_lastChain = {};
    m_consumed += at - start;
    m_pending.remove(0, at - start);
    return true;
}

bool RunDataReader::readRow(const char *begin, const char *end, RunData &data)
{
    // The nine fields; a quoted one is unquoted into `detail`.
    const char *fieldBegin[9];
    const char *fieldEnd[9];
    QByteArray quotedDetail; // only a quoted detail is copied
    int field = 0;
    const char *at = begin;
    while (field < 9) {
        fieldBegin[field] = at;
        if (at < end && *at == '"') {
            ++at;
            while (at < end) {
                if (*at == '"') {
                    if (at + 1 < end && at[1] == '"') {
                        quotedDetail += '"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                quotedDetail += *at++;
            }
            fieldEnd[field] = at;
        } else {
            while (at < end && *at != ',')
                ++at;
            fieldEnd[field] = at;
        }
        ++field;
        if (at >= end)
            break;
        ++at; // the comma
    }
    qint64 time = 0;
    int offset = 0;
    if (field != 9 || !RunLogFormat::parseTime(fieldBegin[0], fieldEnd[0], &time, &offset))
        return false;

    if (data.rows++ == 0)
        data.firstTime = time;
    data.lastTime = time;
    data.utcOffset = offset;
    m_lastChain = QByteArrayView(fieldBegin[8], fieldEnd[8] - fieldBegin[8]);
    addStep(data.setPressure, time, number(fieldBegin[4], fieldEnd[4]));
    addStep(data.setFlow, time, number(fieldBegin[5], fieldEnd[5]));
    const qsizetype runLength = fieldEnd[6] - fieldBegin[6];
    addStep(data.running, time,
            runLength == 3   ? 1.0f
            : runLength == 4 ? 0.0f
                             : notKnown); // RUN, STOP, empty

    const QByteArrayView event(fieldBegin[2], fieldEnd[2] - fieldBegin[2]);
    const bool quoted = fieldEnd[7] > fieldBegin[7] && *fieldBegin[7] == '"';
    const QByteArrayView detail = quoted
                                      ? QByteArrayView(quotedDetail)
                                      : QByteArrayView(fieldBegin[7], fieldEnd[7] - fieldBegin[7]);
    if (event == QByteArrayView("reply")) {
        // The current-pressure replies make the curve: "Q00N01.2Y".
        const float pressure = number(fieldBegin[3], fieldEnd[3]);
        if (detail.size() == 9 && detail[3] == 'N' && !std::isnan(pressure)) {
            const bool gap = m_lastReplyWasGap || data.readingTime.empty() ||
                             time - data.readingTime.back() > RunData::gapLimit;
            if (gap)
                data.gapStarts.push_back(time);
            data.addReading(time, pressure);
            m_lastReplyWasGap = false;
        }
        return true;
    }
    const QString name = QString::fromLatin1(event);
    if (breaksTheCurve(name))
        m_lastReplyWasGap = true;
    if (name == QLatin1String("opened"))
        data.port = QString::fromUtf8(detail.data(), detail.size());
    data.events.push_back({time, name, QString::fromUtf8(detail.data(), detail.size()),
                           QString::fromUtf8(begin, int(end - begin))});
    return true;
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
