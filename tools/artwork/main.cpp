// Artwork generator for the pump control panel.
//
// Draws the window backdrop, the sixteen keypad pictures and the program icon with QPainter and
// writes them as PNG files into the folder named on the command line:
//
//     artwork <output-folder>
//
// Everything here is a pure function of the code and the installed fonts: no random numbers, no
// clock, so two runs on the same machine give byte-identical files.

#include <QBuffer>
#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

// ---------------------------------------------------------------------------------------------
// Geometry of the main window that the backdrop sits behind (logical pixels, client area).

constexpr int kBackdropWidth = 820;
constexpr int kBackdropHeight = 616;
constexpr int kClientWidth = 727;
constexpr int kClientHeight = 502;

// The elapsed-time labels along the top-left corner; nothing is drawn there.
const QRect kTimerArea(0, 0, 210, 26);

// The instrument panel carrying the readouts and the keypad.
const QRect kPanel(436, 28, 193, 250); // x 436..628, y 28..277
// The blue display window behind the readout labels (x 448..616, y 40..137).
const QRect kDisplay(444, 36, 177, 103); // x 444..620, y 36..138
constexpr int kDividerY = 141;

// Keypad: four columns by four rows of 41 x 25 keys.
constexpr std::array<int, 4> kKeyColumns{448, 491, 535, 579};
constexpr std::array<int, 4> kKeyRows{144, 176, 208, 240};
constexpr int kKeyWidth = 41;
constexpr int kKeyHeight = 25;

// The white trend picture box (x 40..704, y 312..456) and its user scale: 2.0 at the top edge,
// -0.8 at the bottom edge.
const QRect kTrendBox(40, 312, 665, 145);
constexpr double kTrendTop = 2.0;
constexpr double kTrendBottom = -0.8;

const QColor kLabelBlue(0, 0, 255);

// Key pictures.
constexpr int kPictureWidth = 39;
constexpr int kPictureHeight = 21;
const QColor kButtonFace(236, 236, 236);

// ---------------------------------------------------------------------------------------------
// Fonts

struct Fonts
{
    QString chinese; // for the Chinese captions
    QString latin;   // for digits and Latin letters
};

Fonts pickFonts()
{
    const QStringList families = QFontDatabase::families();
    Fonts fonts;

    const QString zenHei = QStringLiteral("WenQuanYi Zen Hei");
    if (families.contains(zenHei)) {
        fonts.chinese = zenHei;
    } else {
        const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        if (!chinese.isEmpty())
            fonts.chinese = chinese.first();
    }

    const QString dejaVu = QStringLiteral("DejaVu Sans");
    fonts.latin = families.contains(dejaVu) ? dejaVu : fonts.chinese;
    return fonts;
}

QFont makeFont(const QString &family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setKerning(true);
    // Plain greyscale antialiasing: the pictures must not carry coloured fringes, and the
    // result must not depend on a desktop's subpixel setting.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias |
                                               QFont::NoFontMerging));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// Baseline origin that centres `text` (by its inked outline) on `centre`, snapped to whole
// pixels so hinted glyphs stay crisp.
QPointF centredOrigin(const QFont &font, const QString &text, QPointF centre)
{
    const QFontMetricsF metrics(font);
    const QRectF ink = metrics.tightBoundingRect(text);
    const double x = centre.x() - ink.width() / 2.0 - ink.left();
    const double y = centre.y() - ink.height() / 2.0 - ink.top();
    return {std::round(x), std::round(y)};
}

void setupPainter(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

// A fixed integer hash used for the faint brushed-metal grain (deterministic by design).
std::uint32_t hash32(std::uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

int clampByte(double v)
{
    return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
}

// Pixel row on which a trend-box value lies.
double trendY(double value)
{
    return kTrendBox.top() + (kTrendTop - value) / (kTrendTop - kTrendBottom) * kTrendBox.height();
}

// One-pixel horizontal / vertical runs, drawn without antialiasing on exact pixels.
void hLine(QPainter &p, int x1, int x2, int y, const QColor &c)
{
    p.fillRect(QRect(QPoint(x1, y), QPoint(x2, y)), c);
}

void vLine(QPainter &p, int x, int y1, int y2, const QColor &c)
{
    p.fillRect(QRect(QPoint(x, y1), QPoint(x, y2)), c);
}

// ---------------------------------------------------------------------------------------------
// Backdrop

// `scale` device pixels to the layout's pixel: the grain follows layout pixels, so a 2x backdrop
// is the 1x one drawn finer, not another pattern.
void paintBackground(QImage &image, int scale)
{
    // Dark steel-blue to navy, top to bottom, with a very faint horizontal grain.
    const QColor top(40, 62, 90);
    const QColor middle(24, 40, 62);
    const QColor bottom(12, 22, 38);
    for (int y = 0; y < image.height(); ++y) {
        const double t = double(y) / double(image.height() - 1);
        const int row = y / scale;
        QColor a = t < 0.55 ? top : middle;
        QColor b = t < 0.55 ? middle : bottom;
        double u = t < 0.55 ? t / 0.55 : (t - 0.55) / 0.45;
        u = u * u * (3.0 - 2.0 * u);
        const double r = a.red() + (b.red() - a.red()) * u;
        const double g = a.green() + (b.green() - a.green()) * u;
        const double bl = a.blue() + (b.blue() - a.blue()) * u;

        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            // Streaks about 60 px long that shift from row to row.
            const int column = x / scale;
            const std::uint32_t h =
                hash32(std::uint32_t(row) * 977U +
                       std::uint32_t(column + int(hash32(std::uint32_t(row)) % 61U)) / 61U);
            const double grain = double(int(h % 5U) - 2) * 0.6;
            line[x] = qRgb(clampByte(r + grain), clampByte(g + grain), clampByte(bl + grain * 1.2));
        }
    }
}

void paintFrames(QPainter &p)
{
    // A thin grooved border round the client area. It steps round the elapsed-time labels in the
    // top-left corner so that area stays plain whether or not they are shown.
    const int right = kClientWidth - 3;
    const int bottomY = kClientHeight - 3;
    const int notchX = kTimerArea.right() + 3;
    const int notchY = kTimerArea.bottom() + 3;

    auto outline = [&](int inset, const QColor &colour) {
        QPainterPath path;
        path.moveTo(2.5 + inset, bottomY + 0.5 - inset);
        path.lineTo(2.5 + inset, notchY + 0.5 + inset);
        path.lineTo(notchX + 0.5 + inset, notchY + 0.5 + inset);
        path.lineTo(notchX + 0.5 + inset, 2.5 + inset);
        path.lineTo(right + 0.5 - inset, 2.5 + inset);
        path.lineTo(right + 0.5 - inset, bottomY + 0.5 - inset);
        path.closeSubpath();
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(colour, 1));
        p.setBrush(Qt::NoBrush);
        p.translate(-0.5, -0.5);
        p.drawPath(path);
        p.restore();
    };
    outline(0, QColor(8, 14, 24));
    outline(1, QColor(92, 122, 158));

    // The same groove round the whole picture, for when the window is enlarged.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(8, 14, 24), 1));
    p.drawRect(QRect(0, 0, kBackdropWidth - 1, kBackdropHeight - 1));
    p.setPen(QPen(QColor(60, 84, 112), 1));
    p.drawRect(QRect(1, 1, kBackdropWidth - 3, kBackdropHeight - 3));
    p.restore();
}

// The two words the backdrop carries, in the language the panel runs in.
struct Words
{
    QString title;
    QString trend;
};

const Words chinese{QStringLiteral("QMR4T09 泵控制面板"), QStringLiteral("泵当前压力 (MPa)")};
// The title must end before the readouts' panel, at x = 436.
const Words english{QStringLiteral("QMR4T09 Pump Panel"), QStringLiteral("Pump pressure (MPa)")};

void paintBrand(QPainter &p, const Fonts &fonts, const Words &words)
{
    const QColor ink(150, 174, 204);
    const QColor inkSoft(114, 140, 172);

    // Gauge emblem: a dial with a needle, to the left of the maker's name.
    const QPointF c(76.0, 104.0);
    const double radius = 34.0;
    p.save();
    p.setPen(QPen(ink, 3.0));
    p.setBrush(QColor(255, 255, 255, 14));
    p.drawEllipse(c, radius, radius);
    // Scale arc from 225 degrees (lower left) round the top to -45 degrees (lower right).
    for (int i = 0; i <= 10; ++i) {
        const double a = (225.0 - 27.0 * i) * std::numbers::pi / 180.0;
        const double r1 = radius - 6.0;
        const double r2 = (i % 5 == 0) ? radius - 14.0 : radius - 11.0;
        p.setPen(QPen(i >= 8 ? QColor(210, 110, 100) : inkSoft, i % 5 == 0 ? 2.4 : 1.6,
                      Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(c.x() + r1 * std::cos(a), c.y() - r1 * std::sin(a)),
                   QPointF(c.x() + r2 * std::cos(a), c.y() - r2 * std::sin(a)));
    }
    const double needle = (225.0 - 27.0 * 6.5) * std::numbers::pi / 180.0;
    p.setPen(QPen(QColor(226, 120, 96), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x() + (radius - 12.0) * std::cos(needle),
                          c.y() - (radius - 12.0) * std::sin(needle)));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(c, 4.0, 4.0);
    p.restore();

    // Maker's name.
    const QFont nameFont = makeFont(fonts.latin, 58, true);
    p.setFont(nameFont);
    p.setPen(ink);
    p.drawText(QPointF(126.0, 126.0), QStringLiteral("Tarrow"));

    // Rule fading out to the right.
    QLinearGradient rule(40.0, 0.0, 420.0, 0.0);
    rule.setColorAt(0.0, QColor(150, 178, 210, 200));
    rule.setColorAt(1.0, QColor(150, 178, 210, 0));
    p.fillRect(QRectF(40.0, 158.0, 380.0, 2.0), rule);

    // Model and title.
    const QFont modelFont = makeFont(fonts.chinese, 28, true);
    p.setFont(modelFont);
    p.setPen(ink);
    p.drawText(QPointF(40.0, 200.0), words.title);
}

void paintPanel(QPainter &p)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);

    // Soft drop shadow to the lower right.
    for (int i = 1; i <= 4; ++i)
        p.fillRect(kPanel.translated(i, i), QColor(0, 0, 0, 34));

    // Face, outer edge and a two-pixel raised bevel.
    const QColor face(62, 78, 98);
    const QColor highlight(150, 170, 194);
    const QColor highlightSoft(108, 126, 148);
    const QColor shadow(24, 32, 44);
    const QColor shadowSoft(40, 52, 66);
    p.fillRect(kPanel, face);
    p.setPen(QColor(6, 10, 16));
    p.setBrush(Qt::NoBrush);
    p.drawRect(kPanel.adjusted(0, 0, -1, -1));

    const QRect b1 = kPanel.adjusted(1, 1, -1, -1);
    const QRect b2 = kPanel.adjusted(2, 2, -2, -2);
    hLine(p, b1.left(), b1.right(), b1.top(), highlight);
    vLine(p, b1.left(), b1.top(), b1.bottom(), highlight);
    hLine(p, b1.left(), b1.right(), b1.bottom(), shadow);
    vLine(p, b1.right(), b1.top(), b1.bottom(), shadow);
    hLine(p, b2.left(), b2.right(), b2.top(), highlightSoft);
    vLine(p, b2.left(), b2.top(), b2.bottom(), highlightSoft);
    hLine(p, b2.left(), b2.right(), b2.bottom(), shadowSoft);
    vLine(p, b2.right(), b2.top(), b2.bottom(), shadowSoft);

    // Sunken display window behind the readouts, in the labels' own blue so that the labels read
    // as one display.
    p.fillRect(kDisplay, kLabelBlue);
    const QRect w = kDisplay.adjusted(-1, -1, 1, 1);
    hLine(p, w.left(), w.right(), w.top(), shadow);
    vLine(p, w.left(), w.top(), w.bottom(), shadow);
    hLine(p, w.left(), w.right(), w.bottom(), highlight);
    vLine(p, w.right(), w.top(), w.bottom(), highlight);

    // Etched divider between the readouts and the keypad.
    hLine(p, b2.left() + 2, b2.right() - 2, kDividerY, shadow);
    hLine(p, b2.left() + 2, b2.right() - 2, kDividerY + 1, highlightSoft);

    // A slightly darker well under the keypad, so the gaps between the keys read as gaps.
    const QRect well(kKeyColumns.front() - 2, kKeyRows.front() - 1,
                     kKeyColumns.back() + kKeyWidth + 2 - (kKeyColumns.front() - 2),
                     kKeyRows.back() + kKeyHeight + 2 - (kKeyRows.front() - 1));
    p.fillRect(well, QColor(44, 56, 72));
    hLine(p, well.left(), well.right(), well.bottom() + 1, highlightSoft);
    vLine(p, well.right() + 1, well.top(), well.bottom() + 1, highlightSoft);
    hLine(p, well.left(), well.right(), well.top() - 1, shadowSoft);
    vLine(p, well.left() - 1, well.top() - 1, well.bottom(), shadowSoft);

    p.restore();
}

void paintTrendFrame(QPainter &p, const Fonts &fonts, const Words &words)
{
    // Black outline right round the picture box, with a faint light edge outside it so it stands
    // off the dark background.
    const QRect outline(QPoint(kTrendBox.left() - 2, kTrendBox.top() - 2),
                        QPoint(kTrendBox.right() + 2, kTrendBox.bottom() + 2)); // 38..706, 310..458
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(outline.adjusted(-1, -1, 1, 1), QColor(84, 108, 138));
    p.fillRect(outline, Qt::black);
    p.fillRect(kTrendBox, Qt::white);
    p.restore();

    // Caption above the box.
    const QFont captionFont = makeFont(fonts.chinese, 17, true);
    p.setFont(captionFont);
    p.setPen(QColor(224, 234, 246));
    const QFontMetricsF cm(captionFont);
    // Put the caption's line box in y 283..305.
    const double captionBase = 283.0 + (22.0 - cm.height()) / 2.0 + cm.ascent();
    p.drawText(QPointF(40.0, std::round(captionBase)), words.trend);

    // Scale labels and ticks to the left of the box.
    const QFont scaleFont = makeFont(fonts.latin, 12, true);
    p.setFont(scaleFont);
    const QFontMetricsF sm(scaleFont);
    const QColor tick(180, 198, 220);
    const std::array<double, 5> values{2.0, 1.5, 1.0, 0.5, 0.0};
    for (double v : values) {
        const QString text = QString::number(v, 'f', 1);
        const int row = int(std::lround(trendY(v)));
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(34, row, 4, 1), tick);
        p.restore();

        const QRectF ink = sm.tightBoundingRect(text);
        const double right = 32.0;
        const double x = std::round(right - ink.right());
        // Centre the digits' ink on the middle of the tick row.
        const double y = std::round(row + 0.5 - ink.height() / 2.0 - ink.top());
        p.setPen(QColor(208, 222, 238));
        p.drawText(QPointF(x, y), text);
    }
}

// Drawn in the layout's pixels; `scale` 2 gives the picture for screens at 200 %.
QImage drawBackdrop(const Fonts &fonts, const Words &words, int scale = 1)
{
    QImage image(kBackdropWidth * scale, kBackdropHeight * scale, QImage::Format_RGB32);
    paintBackground(image, scale);

    QPainter p(&image);
    setupPainter(p);
    p.scale(scale, scale);

    // Keep the corner under the elapsed-time labels untouched by everything that follows
    // except the background itself.
    QRegion allowed(0, 0, kBackdropWidth, kBackdropHeight);
    allowed -= QRegion(kTimerArea);
    p.setClipRegion(allowed);

    paintBrand(p, fonts, words);
    paintPanel(p);
    paintTrendFrame(p, fonts, words);
    paintFrames(p);
    p.end();
    return image;
}

// ---------------------------------------------------------------------------------------------
// Key pictures

enum class Symbol { Text, Up, Down };

struct KeyLayout
{
    const char *file;
    Symbol symbol;
    const char *text;
    int pixelSize;
    QColor colour;
};

void paintArrow(QPainter &p, bool up, const QColor &colour)
{
    // A filled head with a short stem, centred in the picture. Built pointing up, mirrored for
    // down.
    const double cx = kPictureWidth / 2.0;
    QPainterPath path;
    path.moveTo(cx, 3.0);
    path.lineTo(cx + 7.0, 11.0);
    path.lineTo(cx + 2.5, 11.0);
    path.lineTo(cx + 2.5, 18.0);
    path.lineTo(cx - 2.5, 18.0);
    path.lineTo(cx - 2.5, 11.0);
    path.lineTo(cx - 7.0, 11.0);
    path.closeSubpath();

    p.save();
    if (!up) {
        p.translate(0.0, kPictureHeight);
        p.scale(1.0, -1.0);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
    p.restore();
}

QImage drawKey(const Fonts &fonts, const KeyLayout &layout, int scale = 1)
{
    QImage image(kPictureWidth * scale, kPictureHeight * scale, QImage::Format_RGB32);
    image.fill(kButtonFace);
    QPainter p(&image);
    setupPainter(p);
    p.scale(scale, scale);

    switch (layout.symbol) {
    case Symbol::Up:
        paintArrow(p, true, layout.colour);
        break;
    case Symbol::Down:
        paintArrow(p, false, layout.colour);
        break;
    case Symbol::Text: {
        const QFont font = makeFont(fonts.latin, layout.pixelSize, true);
        const QString text = QString::fromLatin1(layout.text);
        p.setFont(font);
        p.setPen(layout.colour);
        p.drawText(centredOrigin(font, text, QPointF(kPictureWidth / 2.0, kPictureHeight / 2.0)),
                   text);
        break;
    }
    }
    p.end();
    return image;
}

// ---------------------------------------------------------------------------------------------
// Program icon: a pressure gauge on a length of pipe.

// Drawn on a 32-unit grid and scaled to `size` pixels.
QImage drawIcon(int size = 32)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    setupPainter(p);
    p.scale(size / 32.0, size / 32.0);

    // Pipe along the bottom and the gauge's neck.
    QLinearGradient pipe(0.0, 25.0, 0.0, 31.0);
    pipe.setColorAt(0.0, QColor(168, 184, 204));
    pipe.setColorAt(0.5, QColor(110, 128, 152));
    pipe.setColorAt(1.0, QColor(52, 66, 86));
    p.setPen(QPen(QColor(30, 40, 56), 1.0));
    p.setBrush(pipe);
    p.drawRoundedRect(QRectF(1.5, 25.5, 29.0, 5.0), 1.5, 1.5);
    p.drawRect(QRectF(13.5, 21.5, 5.0, 4.0));

    // Dial: dark rim, white face.
    const QPointF c(16.0, 12.5);
    QRadialGradient rim(c.x() - 3.0, c.y() - 4.0, 14.0);
    rim.setColorAt(0.0, QColor(96, 132, 178));
    rim.setColorAt(1.0, QColor(22, 44, 78));
    p.setPen(QPen(QColor(14, 24, 40), 1.0));
    p.setBrush(rim);
    p.drawEllipse(c, 12.0, 12.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 248));
    p.drawEllipse(c, 9.5, 9.5);

    // Scale ticks, the last ones in red.
    for (int i = 0; i <= 6; ++i) {
        const double a = (225.0 - 45.0 * i) * std::numbers::pi / 180.0;
        p.setPen(QPen(i >= 5 ? QColor(200, 30, 30) : QColor(40, 48, 60), 1.3, Qt::SolidLine,
                      Qt::FlatCap));
        p.drawLine(QPointF(c.x() + 8.5 * std::cos(a), c.y() - 8.5 * std::sin(a)),
                   QPointF(c.x() + 6.0 * std::cos(a), c.y() - 6.0 * std::sin(a)));
    }

    // Needle pointing up and to the right, and its hub.
    const double a = 50.0 * std::numbers::pi / 180.0;
    p.setPen(QPen(QColor(210, 24, 24), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x() + 7.5 * std::cos(a), c.y() - 7.5 * std::sin(a)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 36, 46));
    p.drawEllipse(c, 1.8, 1.8);

    p.end();
    return image;
}

// ---------------------------------------------------------------------------------------------

bool save(const QImage &image, const QDir &dir, const QString &name, QTextStream &out)
{
    const QString path = dir.filePath(name);
    // The backdrop is a plain 24-bit bitmap: it decodes several times faster than a PNG of it,
    // and the window shows it on its first paint.
    const bool bitmap = name.endsWith(QLatin1String(".bmp"));
    const QImage stored = bitmap ? image.convertToFormat(QImage::Format_RGB888) : image;
    if (!stored.save(path, bitmap ? "BMP" : "PNG")) {
        out << "artwork: cannot write " << path << Qt::endl;
        return false;
    }
    out << name << ' ' << image.width() << 'x' << image.height()
        << (image.hasAlphaChannel() ? " rgba" : " rgb") << Qt::endl;
    return true;
}

// The icon as SVG, for desktops that scale it to any size: the shapes of drawIcon() on the same
// 32-unit grid.
QString iconSvg()
{
    QString ticks;
    for (int i = 0; i <= 6; ++i) {
        const double a = (225.0 - 45.0 * i) * std::numbers::pi / 180.0;
        ticks += QStringLiteral("  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\" "
                                "stroke-width=\"1.3\"/>\n")
                     .arg(16.0 + 8.5 * std::cos(a), 0, 'f', 3)
                     .arg(12.5 - 8.5 * std::sin(a), 0, 'f', 3)
                     .arg(16.0 + 6.0 * std::cos(a), 0, 'f', 3)
                     .arg(12.5 - 6.0 * std::sin(a), 0, 'f', 3)
                     .arg(QLatin1String(i >= 5 ? "#c81e1e" : "#28303c"));
    }
    const double needle = 50.0 * std::numbers::pi / 180.0;
    return QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" "
               "viewBox=\"0 0 32 32\">\n"
               " <defs>\n"
               "  <linearGradient id=\"pipe\" x1=\"0\" y1=\"25\" x2=\"0\" y2=\"31\" "
               "gradientUnits=\"userSpaceOnUse\">\n"
               "   <stop offset=\"0\" stop-color=\"#a8b8cc\"/>\n"
               "   <stop offset=\"0.5\" stop-color=\"#6e8098\"/>\n"
               "   <stop offset=\"1\" stop-color=\"#344256\"/>\n"
               "  </linearGradient>\n"
               "  <radialGradient id=\"rim\" cx=\"13\" cy=\"8.5\" r=\"14\" "
               "gradientUnits=\"userSpaceOnUse\">\n"
               "   <stop offset=\"0\" stop-color=\"#6084b2\"/>\n"
               "   <stop offset=\"1\" stop-color=\"#162c4e\"/>\n"
               "  </radialGradient>\n"
               " </defs>\n"
               " <rect x=\"1.5\" y=\"25.5\" width=\"29\" height=\"5\" rx=\"1.5\" "
               "fill=\"url(#pipe)\" stroke=\"#1e2838\"/>\n"
               " <rect x=\"13.5\" y=\"21.5\" width=\"5\" height=\"4\" fill=\"url(#pipe)\" "
               "stroke=\"#1e2838\"/>\n"
               " <circle cx=\"16\" cy=\"12.5\" r=\"12\" fill=\"url(#rim)\" stroke=\"#0e1828\"/>\n"
               " <circle cx=\"16\" cy=\"12.5\" r=\"9.5\" fill=\"#fafaf8\"/>\n"
               " <g stroke-linecap=\"butt\">\n%1 </g>\n"
               " <line x1=\"16\" y1=\"12.5\" x2=\"%2\" y2=\"%3\" stroke=\"#d21818\" "
               "stroke-width=\"1.8\" stroke-linecap=\"round\"/>\n"
               " <circle cx=\"16\" cy=\"12.5\" r=\"1.8\" fill=\"#1e242e\"/>\n"
               "</svg>\n")
        .arg(ticks)
        .arg(16.0 + 7.5 * std::cos(needle), 0, 'f', 3)
        .arg(12.5 - 7.5 * std::sin(needle), 0, 'f', 3);
}

// The desktop's icon theme: the icon at the usual hicolor sizes and as SVG.
bool saveIconTheme(const QDir &dir, const QString &name, QTextStream &out)
{
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        ok = dir.mkpath(folder) &&
             save(drawIcon(size), QDir(dir.filePath(folder)), name + QStringLiteral(".png"), out) &&
             ok;
    }
    const QString folder = QStringLiteral("hicolor/scalable/apps");
    QFile svg(QDir(dir.filePath(folder)).filePath(name + QStringLiteral(".svg")));
    const QByteArray text = iconSvg().toUtf8();
    if (!dir.mkpath(folder) || !svg.open(QIODevice::WriteOnly) || svg.write(text) != text.size()) {
        out << "artwork: cannot write " << svg.fileName() << Qt::endl;
        return false;
    }
    out << name << ".svg scalable" << Qt::endl;
    return ok;
}

// A Windows icon file holding the icon at every size Explorer, the taskbar and the Start menu
// ask for, each entry a PNG (read by every Windows since Vista).
bool saveIco(const QDir &dir, const QString &name, QTextStream &out)
{
    const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 128, 256};
    QList<QByteArray> entries;
    for (int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!drawIcon(size).save(&buffer, "PNG"))
            return false;
        entries << png;
    }
    QByteArray ico;
    QDataStream stream(&ico, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << quint16(0) << quint16(1) << quint16(entries.size());
    quint32 offset = 6 + 16 * quint32(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const int size = sizes[i];
        stream << quint8(size >= 256 ? 0 : size) << quint8(size >= 256 ? 0 : size) << quint8(0)
               << quint8(0) << quint16(1) << quint16(32) << quint32(entries[i].size()) << offset;
        offset += quint32(entries[i].size());
    }
    for (const QByteArray &entry : std::as_const(entries))
        stream.writeRawData(entry.constData(), int(entry.size()));

    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size()) {
        out << "artwork: cannot write " << path << Qt::endl;
        return false;
    }
    out << name << ' ' << entries.size() << " sizes, 16 to 256" << Qt::endl;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        err << "usage: artwork <images-folder> <icon-theme-folder>" << Qt::endl;
        return 2;
    }
    QDir dir(args.at(1));
    if (!dir.mkpath(QStringLiteral("."))) {
        err << "artwork: cannot create " << args.at(1) << Qt::endl;
        return 1;
    }

    const Fonts fonts = pickFonts();
    if (fonts.chinese.isEmpty()) {
        err << "artwork: no font with Simplified Chinese glyphs is installed" << Qt::endl;
        return 1;
    }
    out << "fonts: chinese=\"" << fonts.chinese << "\" latin=\"" << fonts.latin << '"' << Qt::endl;

    bool ok = save(drawBackdrop(fonts, chinese), dir, QStringLiteral("backdrop.bmp"), out);
    // At 200 % the window shows these instead; a PNG, as a 2x bitmap would weigh 6 MB.
    ok = save(drawBackdrop(fonts, chinese, 2), dir, QStringLiteral("backdrop@2x.png"), out) && ok;
    // The panel in English.
    ok = save(drawBackdrop(fonts, english), dir, QStringLiteral("backdrop_en.png"), out) && ok;
    ok =
        save(drawBackdrop(fonts, english, 2), dir, QStringLiteral("backdrop_en@2x.png"), out) && ok;

    const QColor dark(24, 24, 24);
    const QColor green(0, 110, 30);
    const QColor red(176, 0, 0);
    const std::array<KeyLayout, 16> keys{{
        {"key_0.png", Symbol::Text, "0", 16, dark},
        {"key_1.png", Symbol::Text, "1", 16, dark},
        {"key_2.png", Symbol::Text, "2", 16, dark},
        {"key_3.png", Symbol::Text, "3", 16, dark},
        {"key_4.png", Symbol::Text, "4", 16, dark},
        {"key_5.png", Symbol::Text, "5", 16, dark},
        {"key_6.png", Symbol::Text, "6", 16, dark},
        {"key_7.png", Symbol::Text, "7", 16, dark},
        {"key_8.png", Symbol::Text, "8", 16, dark},
        {"key_9.png", Symbol::Text, "9", 16, dark},
        {"key_l.png", Symbol::Text, "L", 16, dark},
        {"key_p.png", Symbol::Text, "P", 16, dark},
        {"key_run.png", Symbol::Text, "RUN", 12, green},
        {"key_stop.png", Symbol::Text, "STOP", 12, red},
        {"key_up.png", Symbol::Up, "", 0, dark},
        {"key_down.png", Symbol::Down, "", 0, dark},
    }};
    for (const KeyLayout &key : keys) {
        const QString file = QString::fromLatin1(key.file);
        ok = save(drawKey(fonts, key), dir, file, out) && ok;
        ok = save(drawKey(fonts, key, 2), dir,
                  QString(file).replace(QLatin1String(".png"), QLatin1String("@2x.png")), out) &&
             ok;
    }

    ok = save(drawIcon(), dir, QStringLiteral("icon.png"), out) && ok;
    ok = save(drawIcon(64), dir, QStringLiteral("icon@2x.png"), out) && ok;
    ok = saveIco(dir, QStringLiteral("icon.ico"), out) && ok;
    ok = saveIconTheme(QDir(args.at(2)), QStringLiteral("com.tarrow.PumpPanel"), out) && ok;
    return ok ? 0 : 1;
}
