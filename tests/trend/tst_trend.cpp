#include "picturebox.h"
#include "pressuretrend.h"

#include <QtTest>

namespace {

const QColor red(255, 0, 0);

int countPixels(const QImage &image, const QColor &colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    }
    return count;
}

} // namespace

class TestTrend : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStepDrawsGridAndSegment();
    void samples_data();
    void samples();
    void wrapClearsAfter100Steps();
    void valueAboveTheTopIsCutOff();
    void drawingSurvivesRepaint();

private:
    // One step for each current-pressure caption, in turn.
    void steps(const QStringList &captions);
    QPoint pixel(double x, double y) const;
    QColor foreground() const { return m_box->palette().color(QPalette::WindowText); }

    PictureBox *m_box = nullptr;
    PressureTrend *m_trend = nullptr;
};

void TestTrend::init()
{
    m_box = new PictureBox;
    m_box->setGeometry(40, 312, 665, 145);
    // The trend sets the picture's scale itself; pixel() reads it back.
    m_trend = new PressureTrend(m_box);
}

void TestTrend::cleanup()
{
    delete m_trend;
    delete m_box;
}

void TestTrend::steps(const QStringList &captions)
{
    for (const QString &caption : captions)
        m_trend->step(caption);
}

QPoint TestTrend::pixel(double x, double y) const
{
    const QPointF at = m_box->toPixel(QPointF(x, y)) - QRectF(m_box->contentsRect()).topLeft();
    return QPoint(qFloor(at.x()), qFloor(at.y()));
}

void TestTrend::firstStepDrawsGridAndSegment()
{
    QCOMPARE(countPixels(m_box->drawing(), Qt::white),
             m_box->drawing().width() * m_box->drawing().height());
    steps({QStringLiteral("01.5")});
    QCOMPARE(m_trend->itime(), qint16(1));
    const QImage &drawing = m_box->drawing();
    QCOMPARE(drawing.size(), m_box->contentsRect().size());

    // The zero line runs across the whole width; the ticks are 1.5 units long.
    const int zeroRow = pixel(50, 0).y();
    // The picture runs from pressure 2 at the top down to -0.8 at the bottom.
    QVERIFY2(qAbs(zeroRow - drawing.height() * 2 / 2.8) <= 1, qPrintable(QString::number(zeroRow)));
    QCOMPARE(drawing.pixelColor(300, zeroRow), foreground());
    QCOMPARE(drawing.pixelColor(drawing.width() - 2, zeroRow), foreground());
    for (double level : {0.5, 1.0}) {
        const int row = pixel(0, level).y();
        QCOMPARE(drawing.pixelColor(pixel(0.7, level).x(), row), foreground());
        QCOMPARE(drawing.pixelColor(pixel(3, level).x(), row), QColor(Qt::white));
    }
    // The segment from (-1, 0) climbs to (0, 1.5) at the left edge.
    QCOMPARE(drawing.pixelColor(0, pixel(0, 1.5).y()), red);
    QVERIFY(countPixels(drawing, red) > 0);
    steps({QStringLiteral("00.5")}); // the next segment runs from (0, 1.5) down to (1, 0.5)
    QVERIFY(countPixels(m_box->drawing(), red) > 30);
    QCOMPARE(m_trend->plotpr(0), 1.5);
    QCOMPARE(m_trend->plotpr(-1), 0.0);
}

void TestTrend::samples_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QList<double>>("samples"); // x = 0, 1, 2, ...
    QTest::newRow("a new value only with N")
        << QStringList{"01.0", "01.0", "01.0"} << QList<double>{1.0, 1.0, 1.0};
    QTest::newRow("changing") << QStringList{"00.5", "01.2", "00.0"}
                              << QList<double>{0.5, 1.2, 0.0};
    QTest::newRow("not a number keeps the old sample")
        << QStringList{"01.0", "ab.c", "01.1"} << QList<double>{1.0, 0.0, 1.1};
}

void TestTrend::samples()
{
    QFETCH(QStringList, captions);
    QFETCH(QList<double>, samples);
    steps(captions);
    for (int x = 0; x < samples.size(); ++x)
        QCOMPARE(m_trend->plotpr(x), samples[x]);
    QCOMPARE(int(m_trend->itime()), captions.size());
}

void TestTrend::wrapClearsAfter100Steps()
{
    QStringList sweep;
    for (int i = 0; i < 99; ++i)
        sweep << QStringLiteral("01.0");
    steps(sweep);
    QCOMPARE(m_trend->itime(), qint16(99));
    QVERIFY(countPixels(m_box->drawing(), red) > 0);
    steps({QStringLiteral("01.5")}); // the 100th draws to x = 99, then clears
    QCOMPARE(m_trend->itime(), qint16(0));
    QCOMPARE(m_trend->plotpr(99), 1.5);
    QCOMPARE(countPixels(m_box->drawing(), Qt::white),
             m_box->drawing().width() * m_box->drawing().height());

    // The next sweep starts from (-1, 0); a caption that is not a number falls back to the
    // sample of the previous sweep at that place.
    steps({QStringLiteral("--")});
    QCOMPARE(m_trend->plotpr(0), 1.0);
    QCOMPARE(m_trend->plotpr(-1), 0.0);
    QCOMPARE(m_box->drawing().pixelColor(0, pixel(0, 1.0).y()), red);
    QCOMPARE(m_box->drawing().pixelColor(300, pixel(50, 0).y()), foreground());
}

void TestTrend::valueAboveTheTopIsCutOff()
{
    steps({QStringLiteral("01.9"), QStringLiteral("02.5")});
    QCOMPARE(m_trend->plotpr(1), 2.5);
    // Only the part of the second segment inside the box shows: it leaves through the top.
    bool reachesTheTop = false;
    for (int x = 0; x < 8; ++x)
        reachesTheTop = reachesTheTop || m_box->drawing().pixelColor(x, 0) == red;
    QVERIFY(reachesTheTop);
    for (int y = 0; y < m_box->drawing().height(); ++y)
        QVERIFY(m_box->drawing().pixelColor(pixel(1, 0).x() + 1, y) != red);
}

void TestTrend::drawingSurvivesRepaint()
{
    m_box->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_box));
    steps({QStringLiteral("01.0"), QStringLiteral("01.5")});
    const QImage before = m_box->grab().toImage();
    m_box->hide(); // as when minimised or covered
    m_box->showMinimized();
    m_box->showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(m_box));
    m_box->repaint();
    const QImage after = m_box->grab().toImage();
    QCOMPARE(after, before);
    QVERIFY(countPixels(after, red) > 0);
}

QTEST_MAIN(TestTrend)
#include "tst_trend.moc"
