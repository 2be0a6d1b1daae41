#include "runreport.h"

#include "canvas.h"
#include "historyplot.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTimeZone>

namespace {

QString clock(qint64 time, int utcOffset)
{
    return QDateTime::fromMSecsSinceEpoch(time, QTimeZone(utcOffset))
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

QString durationText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    return QString::fromUtf8("%1 时 %2 分 %3 秒")
        .arg(seconds / 3600)
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

RunReport RunReport::make(const RunData &data, RunData::Range range, bool wholeRun,
                          const QString &fileName, const QString &version)
{
    RunReport report;
    report.title = QString::fromUtf8("泵运行报告");
    report.heading
        << QString::fromUtf8("程序版本：pumppanel %1").arg(version)
        << QString::fromUtf8("串口：%1").arg(data.port.isEmpty() ? QStringLiteral("—") : data.port)
        << QString::fromUtf8("开始：%1　结束：%2　时长：%3")
               .arg(clock(data.firstTime, data.utcOffset), clock(data.lastTime, data.utcOffset),
                    durationText(data.lastTime - data.firstTime))
        << (wholeRun
                ? QString::fromUtf8("图和摘要：整个运行")
                : QString::fromUtf8("图和摘要：%1 至 %2")
                      .arg(clock(range.from, data.utcOffset), clock(range.to, data.utcOffset)));
    const RunSummary summary = summarize(data, range);
    if (summary.readings > 0) {
        report.summary << QString::fromUtf8(
                              "压力：最低 %1 MPa，最高 %2 MPa，平均 %3 MPa（%4 个读数）")
                              .arg(summary.minPressure, 0, 'f', 2)
                              .arg(summary.maxPressure, 0, 'f', 2)
                              .arg(summary.meanPressure, 0, 'f', 3)
                              .arg(summary.readings);
    } else {
        report.summary << QString::fromUtf8("压力：没有读数");
    }
    report.summary << QString::fromUtf8("运行时间：%1").arg(durationText(summary.runningMs))
                   << QString::fromUtf8("估计泵送体积：%1 ml（估计值：设定流量对运行时间的积分；"
                                        "泵不报告实际体积）")
                          .arg(summary.estimatedVolume, 0, 'f', 1);
    for (const RunData::Event &event : data.events) {
        if (!range.contains(event.time))
            continue;
        report.events << QStringList{clock(event.time, data.utcOffset).mid(11), event.event,
                                     event.detail};
    }
    report.source = QString::fromUtf8("运行记录文件：%1　最后一行 chain：%2")
                        .arg(QFileInfo(fileName).fileName(), data.lastChain);
    return report;
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
    auto write = [&](const QString &text, bool bold = false) {
        QFont shown = font;
        shown.setBold(bold);
        painter.setFont(shown);
        painter.drawText(QRectF(0, y, page.width(), line), Qt::AlignLeft | Qt::AlignVCenter, text);
        painter.setFont(font);
        y += line;
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
    write(QString::fromUtf8("事件（%1 个）").arg(events.size()), true);
    const double bottom = page.height() - 2 * line;
    int pages = 1;
    for (qsizetype i = 0; i < events.size(); ++i) {
        if (y + line > bottom) {
            if (pages == 2) {
                write(
                    QString::fromUtf8("…… 另有 %1 个事件，见运行记录文件").arg(events.size() - i));
                break;
            }
            painter.drawText(QRectF(0, page.height() - line, page.width(), line),
                             Qt::AlignLeft | Qt::AlignVCenter, source);
            device.newPage();
            ++pages;
            y = 0;
        }
        const QStringList &row = events[i];
        painter.drawText(QRectF(0, y, 22 * unit, line), Qt::AlignLeft | Qt::AlignVCenter, row[0]);
        painter.drawText(QRectF(22 * unit, y, 26 * unit, line), Qt::AlignLeft | Qt::AlignVCenter,
                         row[1]);
        painter.drawText(QRectF(48 * unit, y, page.width() - 48 * unit, line),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(row[2], Qt::ElideRight,
                                                          int(page.width() - 48 * unit)));
        y += line;
    }
    painter.drawText(QRectF(0, page.height() - line, page.width(), line),
                     Qt::AlignLeft | Qt::AlignVCenter, source);
    return painter.end();
}
