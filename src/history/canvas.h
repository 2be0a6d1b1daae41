#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

// What the history plot draws with: a painter on the screen, an image, a PDF or a printer page,
// or SVG text for export. Qt's SVG module is not among the panel's modules, and the plot needs
// only lines, rectangles and text.
class Canvas
{
public:
    virtual ~Canvas() = default;
    virtual void setPen(const QColor &colour, qreal width, bool dashed = false) = 0;
    virtual void line(QPointF from, QPointF to) = 0;
    virtual void polyline(const QList<QPointF> &points) = 0;
    virtual void fillRect(const QRectF &rect, const QColor &colour) = 0;
    // Text with its baseline at `at`, aligned left, centred or right of it.
    virtual void text(QPointF at, const QString &text, Qt::Alignment alignment) = 0;
    virtual qreal textWidth(const QString &text) const = 0;
};

class PainterCanvas final : public Canvas
{
public:
    explicit PainterCanvas(QPainter &painter)
        : m_painter(painter)
    {}
    void setPen(const QColor &colour, qreal width, bool dashed = false) override;
    void line(QPointF from, QPointF to) override;
    void polyline(const QList<QPointF> &points) override;
    void fillRect(const QRectF &rect, const QColor &colour) override;
    void text(QPointF at, const QString &text, Qt::Alignment alignment) override;
    qreal textWidth(const QString &text) const override;

private:
    QPainter &m_painter;
};

// SVG 1.1 text of what is drawn on it.
class SvgCanvas final : public Canvas
{
public:
    SvgCanvas(QSizeF size, qreal fontPixels);
    void setPen(const QColor &colour, qreal width, bool dashed = false) override;
    void line(QPointF from, QPointF to) override;
    void polyline(const QList<QPointF> &points) override;
    void fillRect(const QRectF &rect, const QColor &colour) override;
    void text(QPointF at, const QString &text, Qt::Alignment alignment) override;
    qreal textWidth(const QString &text) const override;
    QByteArray document() const;

private:
    QString stroke() const;

    QSizeF m_size;
    qreal m_fontPixels;
    QColor m_colour;
    qreal m_width = 1;
    bool m_dashed = false;
    QByteArray m_body;
};
