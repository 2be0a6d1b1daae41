#pragma once

#include "pressurelimits.h"
#include "runlogformat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <cmath>
#include <limits>
#include <vector>

// A run read into columns for drawing, from one run log or from the files of a run that went on
// past midnight: the current-pressure readings against the clock, the set pressure, set flow and
// run state as steps, and the other rows as events. Kept small (about 12 bytes a reading) so that
// weeks of a run fit; the files themselves are read again only to export.
class RunData
{
public:
    struct Step
    {
        qint64 time; // ms since the epoch
        float value; // NaN: not known yet
    };
    struct Event
    {
        qint64 time;
        QString event;
        QString detail; // unquoted
        QString row;    // the row as written, without its line end, for the hover text
    };
    struct Range
    {
        qint64 from;
        qint64 to;
        bool contains(qint64 time) const { return time >= from && time <= to; }
    };

    // Readings further apart than this have a gap between them: the pump was silent or the
    // link down (the link calls silence after 3 s without a reply).
    static constexpr qint64 gapLimit = 3000; // ms

    std::vector<qint64> readingTime; // ascending
    std::vector<float> pressure;     // MPa, one per readingTime
    // A reading after a silence, a loss or a new file starts a new piece of the curve.
    std::vector<qint64> gapStarts; // times of readings that do not join the one before
    std::vector<Step> setPressure;
    std::vector<Step> setFlow;
    std::vector<Step> running; // 1 while RUN was the last command, 0 after STOP
    // The pressure limits in force (NaN: off), and whether the low one counted (1) or waited (0).
    std::vector<Step> highLimit;
    std::vector<Step> lowLimit;
    std::vector<Step> lowArmed;
    struct LimitsSet
    {
        qint64 time;
        Limits limits;
    };
    std::vector<LimitsSet> limits; // every setting the log names, in order
    std::vector<Event> events;
    // The readings in blocks of blockSize, each with its extremes and last value, so that a
    // column wider than a block takes the block whole.
    static constexpr std::size_t blockSize = 64;
    struct Block
    {
        float min;
        float max;
        float last;
    };
    std::vector<Block> blocks;
    void addReading(qint64 time, float value);

    qint64 firstTime = 0; // of any row
    qint64 lastTime = 0;
    // The UTC offsets the rows were written with (seconds), from the time each came in: the
    // clock the log was written on, which moves at a change to or from daylight-saving time.
    struct Offset
    {
        qint64 time;
        int seconds;
    };
    std::vector<Offset> utcOffsets;
    qint64 rows = 0;
    QString port;      // from the "opened" row
    QString lastChain; // of the last complete row
    QStringList files; // the file names read, in order

    bool isEmpty() const { return rows == 0; }
    Range whole() const { return {firstTime, lastTime}; }
    // The UTC offset the row at `time` was written with.
    int utcOffsetAt(qint64 time) const;
    // `time` as the clock of the log showed it: "yyyy-MM-dd HH:mm:ss".
    QString clockText(qint64 time) const;

    // The value of a step series at `time`: NaN before its first step.
    static float valueAt(const std::vector<Step> &steps, qint64 time);
    // Whether the reading at `index` is joined to the one before it.
    bool joinsPrevious(std::size_t index) const;
};

// Reads the files of a run into RunData a piece at a time: whatever has been appended since the
// last call, complete rows only, the rest kept for the next call.
class RunDataReader
{
public:
    // The next file of the run begins. `name` is its file name.
    void startFile(const QString &name, RunData &data);
    // The file that should come next is missing, or does not carry the chain of the one before:
    // shown as an event, and for a missing one the curve does not join across it.
    void markMissing(const QString &name, RunData &data);
    void markMismatched(const QString &name, RunData &data);
    // The bytes after those already read of the current file. False when it is not a run log.
    bool feed(const QByteArray &bytes, RunData &data);
    qint64 bytesRead() const { return m_consumed; }

private:
    void readRow(const RunLogFormat::Row &row, RunData &data);
    void addEvent(qint64 time, const QString &event, const QString &detail, const QString &row,
                  RunData &data);

    QByteArray m_pending;
    QByteArrayView m_lastChain; // into m_pending, until the end of a feed
    qint64 m_consumed = 0;
    bool m_headerSeen = false;
    bool m_lastReplyWasGap = true;
};

// One column of pixels of the pressure curve: the least and greatest reading in it, and the
// first and last, to join it to its neighbours.
struct PlotColumn
{
    float min = std::numeric_limits<float>::quiet_NaN();
    float max = std::numeric_limits<float>::quiet_NaN();
    float first = 0;
    float last = 0;
    bool joinsPrevious = false; // its first reading joins the previous column's last
    bool hasData() const { return !std::isnan(min); }
};

// The readings of `range` reduced to `width` columns: every reading falls in exactly one column,
// so each column keeps the minimum and maximum of its readings whatever the length of the run.
std::vector<PlotColumn> decimate(const RunData &data, RunData::Range range, int width);

// What the run report sums up over a range.
struct RunSummary
{
    int readings = 0;
    float minPressure = 0;
    float maxPressure = 0;
    double meanPressure = 0;
    qint64 runningMs = 0;
    // The set flow integrated over the time running, in ml: an estimate, as the pump reports
    // no volume.
    double estimatedVolume = 0;
};
RunSummary summarize(const RunData &data, RunData::Range range);
