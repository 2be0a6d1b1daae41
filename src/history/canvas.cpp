#include "canvas.h"

#include <QFontMetricsF>
#include <QPainter>

void PainterCanvas::setPen(const QColor &colour, qreal width, bool dashed)
{
    QPen pen(colour, width, dashed ? Qt::DashLine : Qt::SolidLine);
    pen.setCosmetic(true);
    m_painter.setPen(pen);
}

void PainterCanvas::line(QPointF from, QPointF to)
{
    m_painter.drawLine(from, to);
}

void PainterCanvas::polyline(const QList<QPointF> &points)
{
    m_painter.drawPolyline(points.constData(), int(points.size()));
}

void PainterCanvas::fillRect(const QRectF &rect, const QColor &colour)
{
    m_painter.fillRect(rect, colour);
}

void PainterCanvas::text(QPointF at, const QString &text, Qt::Alignment alignment)
{
    const qreal width = textWidth(text);
    qreal x = at.x();
    if (alignment & Qt::AlignHCenter)
        x -= width / 2;
    else if (alignment & Qt::AlignRight)
        x -= width;
    m_painter.drawText(QPointF(x, at.y()), text);
}

qreal PainterCanvas::textWidth(const QString &text) const
{
    return QFontMetricsF(m_painter.font()).horizontalAdvance(text);
}

SvgCanvas::SvgCanvas(QSizeF size, qreal fontPixels)
    : m_size(size)
    , m_fontPixels(fontPixels)
{}

void SvgCanvas::setPen(const QColor &colour, qreal width, bool dashed)
{
    m_colour = colour;
    m_width = width;
    m_dashed = dashed;
}

QString SvgCanvas::stroke() const
{
    return QStringLiteral("stroke=\"%1\" stroke-width=\"%2\"%3 fill=\"none\"")
        .arg(m_colour.name())
        .arg(m_width)
        .arg(m_dashed ? QStringLiteral(" stroke-dasharray=\"4 3\"") : QString());
}

void SvgCanvas::line(QPointF from, QPointF to)
{
    m_body += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" %5/>\n")
                  .arg(from.x(), 0, 'f', 1)
                  .arg(from.y(), 0, 'f', 1)
                  .arg(to.x(), 0, 'f', 1)
                  .arg(to.y(), 0, 'f', 1)
                  .arg(stroke())
                  .toUtf8();
}

void SvgCanvas::polyline(const QList<QPointF> &points)
{
    QString coordinates;
    for (const QPointF &point : points)
        coordinates += QStringLiteral("%1,%2 ").arg(point.x(), 0, 'f', 1).arg(point.y(), 0, 'f', 1);
    m_body += QStringLiteral("<polyline points=\"%1\" %2/>\n")
                  .arg(coordinates.trimmed(), stroke())
                  .toUtf8();
}

void SvgCanvas::fillRect(const QRectF &rect, const QColor &colour)
{
    m_body += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                  .arg(rect.x(), 0, 'f', 1)
                  .arg(rect.y(), 0, 'f', 1)
                  .arg(rect.width(), 0, 'f', 1)
                  .arg(rect.height(), 0, 'f', 1)
                  .arg(colour.name())
                  .toUtf8();
}

void SvgCanvas::text(QPointF at, const QString &text, Qt::Alignment alignment)
{
    const char *anchor = alignment & Qt::AlignHCenter ? "middle"
                         : alignment & Qt::AlignRight ? "end"
                                                      : "start";
    m_body += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"%3\" fill=\"%4\">%5</text>\n")
                  .arg(at.x(), 0, 'f', 1)
                  .arg(at.y(), 0, 'f', 1)
                  .arg(QLatin1String(anchor), m_colour.name(), text.toHtmlEscaped())
                  .toUtf8();
}

qreal SvgCanvas::textWidth(const QString &text) const
{
    // Without a font at hand: CJK characters are square, others about half as wide.
    qreal width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x2E80 ? m_fontPixels : m_fontPixels * 0.55;
    return width;
}

QByteArray SvgCanvas::document() const
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" "
                          "width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\" "
                          "font-family=\"sans-serif\" font-size=\"%3\">\n")
               .arg(m_size.width())
               .arg(m_size.height())
               .arg(m_fontPixels)
               .toUtf8() +
           m_body + "</svg>\n";
}
