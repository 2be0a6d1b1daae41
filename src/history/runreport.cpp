#include "runreport.h"

#include "canvas.h"
#include "plotdrawing.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

QString durationText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QCoreApplication::translate("RunReport", "%1 时 %2 分 %3 秒")
        .arg(seconds / 3600)
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

RunReport RunReport::make(const RunData &data, RunData::Range range, bool wholeRun,
                          const QString &version)
{
    auto clock = [&data](qint64 time) { return data.clockText(time); };
    RunReport report;
    report.title = QCoreApplication::translate("RunReport", "泵运行报告");
    report.heading
        << QCoreApplication::translate("RunReport", "程序版本：pumppanel %1").arg(version)
        << QCoreApplication::translate("RunReport", "串口：%1")
               .arg(data.port.isEmpty() ? QStringLiteral("—") : data.port)
        << QCoreApplication::translate("RunReport", "开始：%1　结束：%2　时长：%3")
               .arg(clock(data.firstTime), clock(data.lastTime),
                    durationText(data.lastTime - data.firstTime))
        << (wholeRun ? QCoreApplication::translate("RunReport", "图和摘要：整个运行")
                     : QCoreApplication::translate("RunReport", "图和摘要：%1 至 %2")
                           .arg(clock(range.from), clock(range.to)));
    const RunSummary summary = summarize(data, range);
    if (summary.readings > 0) {
        report.summary << QCoreApplication::translate(
                              "RunReport",
                              "压力：最低 %1 MPa，最高 %2 MPa，平均 %3 MPa（%4 个读数）")
                              .arg(summary.minPressure, 0, 'f', 2)
                              .arg(summary.maxPressure, 0, 'f', 2)
                              .arg(summary.meanPressure, 0, 'f', 3)
                              .arg(summary.readings);
    } else {
        report.summary << QCoreApplication::translate("RunReport", "压力：没有读数");
    }
    report.summary << QCoreApplication::translate("RunReport", "运行时间：%1")
                          .arg(durationText(summary.runningMs))
                   << QCoreApplication::translate(
                          "RunReport", "估计泵送体积：%1 ml（估计值：设定流量对运行时间的积分；"
                                       "泵不报告实际体积）")
                          .arg(summary.estimatedVolume, 0, 'f', 1);
    const bool oneDay = clock(data.firstTime).left(10) == clock(data.lastTime).left(10);
    auto shortClock = [&](qint64 time) { return clock(time).mid(oneDay ? 11 : 5); };
    // The limits in force over the range, and every trip and reset in it.
    for (const RunData::LimitsSet &set : data.limits) {
        const bool inForceAtStart = &set == &data.limits.back() || (&set + 1)->time > range.from;
        if (set.time > range.to || !inForceAtStart)
            continue;
        report.summary << QCoreApplication::translate("RunReport", "压力限值（%1 起）：%2")
                              .arg(shortClock(std::max(set.time, range.from)),
                                   set.limits.describe());
    }
    int trips = 0;
    QStringList tripLines;
    for (const RunData::Event &event : data.events) {
        const bool trip = event.event == QLatin1String("limit-trip");
        if (!range.contains(event.time) || (!trip && event.event != QLatin1String("limit-reset")))
            continue;
        trips += trip ? 1 : 0;
        // The detail's first word is the limit's name; the rest is in the operator's words.
        tripLines << QCoreApplication::translate("RunReport", "　%1 %2：%3")
                         .arg(shortClock(event.time),
                              trip ? QCoreApplication::translate("RunReport", "跳闸")
                                   : QCoreApplication::translate("RunReport", "复位"),
                              event.detail.section(QLatin1Char(' '), 1));
    }
    // The programs run in the range: their file and hash, and each step planned and actual.
    qint64 programStart = -1;
    QStringList stepLines;
    for (const RunData::Event &event : data.events) {
        if (!range.contains(event.time))
            continue;
        if (event.event == QLatin1String("method-start")) {
            programStart = event.time;
            report.summary << QCoreApplication::translate("RunReport", "程序（%1 开始）：%2")
                                  .arg(shortClock(event.time), event.detail);
        } else if (event.event == QLatin1String("method-step") && programStart >= 0) {
            // "3 planned=+00:05:00 pass=1 flow=50 pressure=1.0 the step's name"
            const QStringList words = event.detail.split(QLatin1Char(' '));
            const QString name = event.detail.section(QLatin1Char(' '), 5);
            const qint64 actual = event.time - programStart;
            stepLines << QCoreApplication::translate("RunReport",
                                                     "　第 %1 步 %2：计划 %3，实际 +%4")
                             .arg(words.value(0), name, words.value(1).section(QLatin1Char('='), 1),
                                  QStringLiteral("%1:%2:%3")
                                      .arg(actual / 3600000, 2, 10, QLatin1Char('0'))
                                      .arg(actual / 60000 % 60, 2, 10, QLatin1Char('0'))
                                      .arg(actual / 1000 % 60, 2, 10, QLatin1Char('0')));
        }
    }
    constexpr qsizetype stepsShown = 20;
    report.summary << stepLines.mid(0, stepsShown);
    if (stepLines.size() > stepsShown)
        report.summary << QCoreApplication::translate("RunReport", "　另有 %1 步，见下面的事件表")
                              .arg(stepLines.size() - stepsShown);
    if (!data.limits.empty()) {
        report.summary
            << QCoreApplication::translate("RunReport", "压力保护跳闸：%1 次").arg(trips);
        // The summary stays on its page; the event table lists every one.
        constexpr qsizetype shown = 10;
        report.summary << tripLines.mid(0, shown);
        if (tripLines.size() > shown)
            report.summary << QCoreApplication::translate("RunReport",
                                                          "　另有 %1 条跳闸和复位，见下面的事件表")
                                  .arg(tripLines.size() - shown);
    }
    for (const RunData::Event &event : data.events) {
        if (!range.contains(event.time))
            continue;
        // With the day when the run goes past midnight.
        report.events << QStringList{shortClock(event.time), event.event, event.detail};
    }
    const QString files = data.files.size() > 1
                              ? QCoreApplication::translate("RunReport", "%1 至 %2（%3 个文件）")
                                    .arg(data.files.constFirst(), data.files.constLast())
                                    .arg(data.files.size())
                              : data.files.value(0);
    report.source = QCoreApplication::translate("RunReport", "运行记录文件：%1").arg(files);
    report.lastChain =
        QCoreApplication::translate("RunReport", "最后一行 chain：%1").arg(data.lastChain);
    return report;
}

QFont RunReport::chainFont(const QFont &text, const QString &line, double width,
                           QPaintDevice *device)
{
    // Monospaced where the system has such a face; made to fit either way.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    for (int pixels = text.pixelSize(); pixels > 4; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetricsF(font, device).horizontalAdvance(line) <= width)
            break;
    }
    return font;
}

bool RunReport::paint(QPagedPaintDevice &device, const RunData &data, RunData::Range range) const
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QRectF page = painter.viewport();
    const double unit = page.width() / 180.0; // one millimetre of the printable width
    QFont font = painter.font();
    font.setPixelSize(int(3.2 * unit));
    painter.setFont(font);
    const double line = 5.0 * unit;
    double y = 0;
    // A line longer than the page (English is longer than Chinese) wraps onto the next.
    auto write = [&](const QString &text, bool bold = false) {
        QFont shown = font;
        shown.setBold(bold);
        painter.setFont(shown);
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
        const QRectF needed =
            painter.boundingRect(QRectF(0, y, page.width(), page.height()), flags, text);
        const double height = std::max(1.0, std::ceil(needed.height() / line - 0.01)) * line;
        painter.drawText(QRectF(0, y, page.width(), height), flags, text);
        painter.setFont(font);
        y += height;
    };
    QFont big = font;
    big.setPixelSize(int(6 * unit));
    painter.setFont(big);
    painter.drawText(QRectF(0, y, page.width(), 9 * unit), Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.setFont(font);
    y += 10 * unit;
    for (const QString &text : heading)
        write(text);
    y += unit;

    // The plot, drawn as on the screen but at the page's resolution.
    const QRectF plot(0, y, page.width(), 80 * unit);
    painter.save();
    painter.translate(plot.topLeft());
    painter.scale(unit / 4, unit / 4); // the plot's own pixels: 4 to the millimetre
    PainterCanvas canvas(painter);
    QFont plotFont = font;
    plotFont.setPixelSize(11);
    painter.setFont(plotFont);
    PlotDrawing::draw(canvas, data, range,
                      QRectF(0, 0, plot.width() * 4 / unit, plot.height() * 4 / unit));
    painter.restore();
    y += plot.height() + 2 * unit;

    for (const QString &text : summary)
        write(text);
    y += unit;
    write(QCoreApplication::translate("RunReport", "事件（%1 个）").arg(events.size()), true);
    // At the foot of every page: the files, and the last chain whole, never cut at the edge.
    const QFont chainFace = chainFont(font, lastChain, page.width(), &device);
    auto footer = [&] {
        painter.drawText(QRectF(0, page.height() - 2 * line, page.width(), line),
                         Qt::AlignLeft | Qt::AlignVCenter, source);
        painter.setFont(chainFace);
        painter.drawText(QRectF(0, page.height() - line, page.width(), line),
                         Qt::AlignLeft | Qt::AlignVCenter, lastChain);
        painter.setFont(font);
    };
    const double bottom = page.height() - 3 * line;
    int pages = 1;
    for (qsizetype i = 0; i < events.size(); ++i) {
        if (y + line > bottom) {
            if (pages == 2) {
                write(QCoreApplication::translate("RunReport", "…… 另有 %1 个事件，见运行记录文件")
                          .arg(events.size() - i));
                break;
            }
            footer();
            device.newPage();
            ++pages;
            y = 0;
        }
        const QStringList &row = events[i];
        // The time column is wider when it holds the day too.
        const double timeWidth = (row[0].size() > 8 ? 30 : 22) * unit;
        const double detailLeft = timeWidth + 26 * unit;
        painter.drawText(QRectF(0, y, timeWidth, line), Qt::AlignLeft | Qt::AlignVCenter, row[0]);
        painter.drawText(QRectF(timeWidth, y, 26 * unit, line), Qt::AlignLeft | Qt::AlignVCenter,
                         row[1]);
        painter.drawText(QRectF(detailLeft, y, page.width() - detailLeft, line),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(row[2], Qt::ElideRight,
                                                          int(page.width() - detailLeft)));
        y += line;
    }
    footer();
    return painter.end();
}
