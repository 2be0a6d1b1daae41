#pragma once

#include "alarmbanner.h"

#include <QImage>
#include <QLabel>
#include <QTest>

// Whether the banner shows its text whole: the text's own extents, wrapped at the label's
// width, fit inside the label, and the pixels painted (the shot) reach the last line without
// passing the label's edges. Warns why when it does not.
inline bool bannerShowsWhole(const AlarmBanner &banner, QColor background)
{
    QLabel *label = banner.textLabel();
    const QRect inside = label->contentsRect();
    const QRect needed =
        label->fontMetrics().boundingRect(inside, Qt::TextWordWrap | Qt::AlignLeft, label->text());
    if (!inside.contains(needed)) {
        qWarning("banner: the text needs %dx%d, the label has %dx%d", needed.width(),
                 needed.height(), inside.width(), inside.height());
        return false;
    }
    const QImage shot = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = shot.devicePixelRatio();
    QRect ink;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor pixel = shot.pixelColor(x, y);
            const int difference = qAbs(pixel.red() - background.red()) +
                                   qAbs(pixel.green() - background.green()) +
                                   qAbs(pixel.blue() - background.blue());
            if (difference > 120)
                ink |= QRect(x, y, 1, 1);
        }
    }
    if (ink.isEmpty()) {
        qWarning("banner: nothing painted");
        return false;
    }
    const QRectF painted(ink.x() / ratio, ink.y() / ratio, ink.width() / ratio,
                         ink.height() / ratio);
    const int lines = qRound(needed.height() / qreal(label->fontMetrics().lineSpacing()));
    // The last line is painted: the ink reaches down into it, and stays inside the label.
    const qreal lastLineTop = needed.top() + (lines - 1) * label->fontMetrics().lineSpacing();
    if (painted.bottom() < lastLineTop || !QRectF(label->rect()).contains(painted)) {
        qWarning("banner: painted %.1f,%.1f %.1fx%.1f for %d lines in %dx%d", painted.x(),
                 painted.y(), painted.width(), painted.height(), lines, label->width(),
                 label->height());
        return false;
    }
    return true;
}
