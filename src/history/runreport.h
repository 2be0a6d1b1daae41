#pragma once

#include "rundata.h"

#include <QStringList>

class QPagedPaintDevice;

// The one-page run report (two when the event table is long): program version, port, start,
// end and duration; the plot of the range; a summary; the events; and the run log's file name
// with the chain of its last row, so that the page can be matched to the file.
struct RunReport
{
    QString title;
    QStringList heading;
    QStringList summary;
    QList<QStringList> events; // time, event, detail
    QString source;

    static RunReport make(const RunData &data, RunData::Range range, bool wholeRun,
                          const QString &fileName, const QString &version);
    // Lays the report out on A4 pages of `device`; false if painting could not start.
    bool paint(QPagedPaintDevice &device, const RunData &data, RunData::Range range) const;
};

// "1 时 02 分 03 秒"
QString durationText(qint64 ms);
