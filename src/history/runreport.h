#pragma once

#include "rundata.h"

#include <QFont>
#include <QStringList>

class QPagedPaintDevice;
class QPaintDevice;

// The one-page run report (two when the event table is long): program version, port, start,
// end and duration; the plot of the range; a summary; the events; and the run log's files with
// the chain of the last row in full, so that the page can be matched to the files. Every time is
// given on the clock its row was written with.
struct RunReport
{
    QString title;
    QStringList heading;
    QStringList summary;
    QList<QStringList> events; // time, event, detail
    QString source;            // the files
    QString lastChain;         // of the last row, all 64 characters

    static RunReport make(const RunData &data, RunData::Range range, bool wholeRun,
                          const QString &version);
    // Lays the report out on A4 pages of `device`; false if painting could not start.
    bool paint(QPagedPaintDevice &device, const RunData &data, RunData::Range range) const;
    // The monospaced face the chain is printed in: as large as the text's own size, and
    // smaller where that is needed for the line to fit `width` (device pixels) whole.
    static QFont chainFont(const QFont &text, const QString &line, double width,
                           QPaintDevice *device);
};

// "1 时 02 分 03 秒"
QString durationText(qint64 ms);
