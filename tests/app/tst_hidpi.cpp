#include "bannercheck.h"
#include "fakepumpport.h"
#include "form1.h"
#include "paneldriver.h"
#include "picturebutton.h"
#include "pumplink.h"
#include "surface.h"
#include "testsupport.h"

#include <QtTest>

#include <memory>

// The window on a screen at 200 %: keys and backdrop are painted from the pictures drawn at
// twice the size, pixel for pixel, not from the 1x ones scaled up.
class TestHiDpi : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_SCALE_FACTOR", "2"); }

private slots:
    void init();
    void cleanup();

    void keysUseTheirFinerPictures_data();
    void keysUseTheirFinerPictures();
    void backdropUsesItsFinerPicture();
    void layoutStaysInLayoutPixels();
    void silenceDuringARunShowsWhole();

private:
    FakePumpPort m_port;
    std::unique_ptr<PanelDriver> m_panel;
    Form1 *m_form = nullptr;
};

void TestHiDpi::init()
{
    m_panel = std::make_unique<PanelDriver>(m_port);
    m_form = &m_panel->form();
}

void TestHiDpi::cleanup()
{
    m_panel.reset();
}

void TestHiDpi::keysUseTheirFinerPictures_data()
{
    QTest::addColumn<QString>("accessibleName");
    QTest::addColumn<QString>("picture");
    const char *const keys[][2] = {
        {"1", ":/images/key_1@2x.png"},
        {"RUN", ":/images/key_run@2x.png"},
        {"Down arrow", ":/images/key_down@2x.png"},
    };
    for (const auto &[accessibleName, picture] : keys)
        QTest::newRow(accessibleName) << QString(accessibleName) << QString(picture);
}

void TestHiDpi::keysUseTheirFinerPictures()
{
    QFETCH(QString, accessibleName);
    QFETCH(QString, picture);
    PictureButton *key = m_panel->key(accessibleName);
    QVERIFY(key);
    QCOMPARE(key->devicePixelRatioF(), 2.0);
    QCOMPARE(key->picture().devicePixelRatio(), 2.0);
    QCOMPARE(key->picture().deviceIndependentSize().toSize(), QSize(39, 21));

    const QImage shot = key->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage finer = QImage(picture).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(finer.size(), QSize(78, 42));
    QRect face(QPoint(0, 0), QSize(39, 21));
    face.moveCenter(key->rect().center());
    QCOMPARE(shot.copy(QRect(face.topLeft() * 2, finer.size())), finer);
}

void TestHiDpi::backdropUsesItsFinerPicture()
{
    auto *surface = m_form->findChild<Surface *>();
    QVERIFY(surface);
    const QImage shot = surface->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage finer =
        QImage(QStringLiteral(":/images/backdrop@2x.png")).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(finer.size(), QSize(1640, 1232));
    // The brand and its rule, where no control stands.
    const QRect brand(40, 120, 600, 240);
    QCOMPARE(shot.copy(brand), finer.copy(brand));
}

void TestHiDpi::layoutStaysInLayoutPixels()
{
    QCOMPARE(m_form->width(), Form1::clientSize().width());
    PictureButton *key = m_panel->key(QStringLiteral("1"));
    QVERIFY(key);
    QCOMPARE(key->geometry(), QRect(491, 144, 41, 25));
}

void TestHiDpi::silenceDuringARunShowsWhole()
{
    qint64 now = 0;
    m_form->link()->setClock([&now] { return now; });
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    m_form->link()->pollNow();
    m_port.deliver("Q00N01.2YQ00P02.0YQ00L0250Y");
    QVERIFY(m_panel->press({"RUN"}));
    now = 3000;
    m_form->link()->checkSilence();
    const AlarmBanner &banner = m_form->alarmBanner();
    QTRY_VERIFY(banner.isVisible());
    QVERIFY(banner.text().contains(utf8("泵可能仍在运行（设定流量 0250 ml/min）")));
    QCOMPARE(banner.devicePixelRatioF(), 2.0);
    QTRY_VERIFY(bannerShowsWhole(banner, QColor(0xd8, 0x1e, 0x1e)));
    QCOMPARE(m_form->clientArea()->size(), Form1::clientSize());
}

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
