#include "alarmbanner.h"
#include "alarmwatch.h"
#include "fakepumpport.h"
#include "form1.h"
#include "keypadentry.h"
#include "linkwatch.h"
#include "messages.h"
#include "paneldriver.h"
#include "picturebox.h"
#include "picturebutton.h"
#include "portname.h"
#include "pressuretrend.h"
#include "pumplink.h"
#include "setpointdialogs.h"
#include "tellingsender.h"
#include "testsupport.h"
#include "uifont.h"

#include <QAction>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

namespace {

// The device a port number names on this platform (COM5 on Windows, /dev/ttyS4 elsewhere).
QString portNumbered(int number)
{
    return portDeviceName(QString::number(number)).value();
}

int pixels(int twips)
{
    return qRound(twips / 15.0);
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void stateAfterLoad();
    void window();
    void resizeKeepsControlsAndShowsBackdrop();
    void labels_data();
    void labels();
    void interfaceFontHasChineseGlyphs();
    void keys_data();
    void keys();
    void pictureBox();
    void menuTree();
    void noAccessKeys();
    void popup_data();
    void popup();
    void closeRunsUnload();
    void endSkipsUnload();
    void focusOrder();
    void enterAndSpaceClickTheFocusedKey();
    void eachKeyTypesOrActs_data();
    void eachKeyTypesOrActs();
    void pressedLook();
    void communication_data();
    void communication();
    void repliesUpdateTheReadout();
    void outsideTextIsShownAsItCame_data();
    void outsideTextIsShownAsItCame();
    void failedReopen_data();
    void failedReopen();
    void linkLossIsReportedOnce();
    void commandsAfterLossAreTold();
    void keysTellWhenThePortIsClosed();
    void keypadThroughTheWindow();
    void replyDuringKeypadEntry();
    void keypadBeforeThePortIsOpen();
    void setpointMenus();
    void runKeysAndMenus();
    void timedRunMenus();
    void trendAndRecordsFollowReplies();
    void printMenu();
    void statusLine();
    void linkWatch();

private:
    void press(const QStringList &keys);
    void openPort();
    QLabel *label(const char *name, int index = -1) const;
    PictureButton *key(const char *accessibleName) const;
    QAction *action(const char *name) const;

    std::unique_ptr<FakePumpPort> m_port;
    std::unique_ptr<PanelDriver> m_panel;
    // The driver's, for short.
    Form1 *m_form = nullptr;
    FakeDialogs *m_dialogs = nullptr;
    FakePrinter *m_printer = nullptr;
    FakeRecordFile *m_recordFile = nullptr;
};

void TestForm1::init()
{
    m_port = std::make_unique<FakePumpPort>();
    m_panel = std::make_unique<PanelDriver>(*m_port);
    m_form = &m_panel->form();
    m_dialogs = &m_panel->dialogs();
    m_printer = &m_panel->printer();
    m_recordFile = &m_panel->recordFile();
}

void TestForm1::cleanup()
{
    m_panel.reset();
    m_port.reset();
}

QLabel *TestForm1::label(const char *name, int index) const
{
    return m_panel->label(QLatin1String(name), index);
}

PictureButton *TestForm1::key(const char *accessibleName) const
{
    return m_panel->key(QLatin1String(accessibleName));
}

QAction *TestForm1::action(const char *name) const
{
    return m_panel->action(QLatin1String(name));
}

void TestForm1::stateAfterLoad()
{
    QCOMPARE(m_form->Timer1()->interval(), 1000);
    QVERIFY(!m_form->Timer1()->isActive());
    QCOMPARE(m_form->Timer2()->interval(), 1500);
    QVERIFY(!m_form->Timer2()->isActive());

    for (const char *name : {"lhour", "Label1", "lmin", "Label2", "lsed", "Label3"}) {
        QVERIFY2(label(name), name);
        QVERIFY2(label(name)->isHidden(), name);
    }

    QStringList enabledTopLevel;
    for (QAction *entry : m_form->menuBar()->actions()) {
        if (entry->isEnabled() && entry->isVisible())
            enabledTopLevel << entry->objectName();
    }
    QCOMPARE(enabledTopLevel, QStringList({"Communication", "help"}));
    QVERIFY(!m_form->rightkey()->isEnabled());

    QCOMPARE(m_form->trend().itime(), qint16(0));
    QCOMPARE(m_form->keypad().lq(), qint16(0));
    QCOMPARE(m_form->keypad().pr(), qint16(0));
    QCOMPARE(m_form->pumpNumber().Set_Pump_NO(), qint16(0));
    QCOMPARE(m_form->trend().plotpr(-1), 0.0);
    QCOMPARE(m_form->trend().plotpr(0), 0.0);

    QCOMPARE(label("LSetState")->text(), QString());
    QCOMPARE(label("Lstate")->text(), QStringLiteral("     STOP"));
    QVERIFY(m_port->opens.isEmpty()); // the load step leaves the port alone
}

void TestForm1::window()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tarrow(QMR4T09)V2.0"));
    QVERIFY(!m_form->windowIcon().isNull());
    QCOMPARE(m_form->centralWidget()->size(), QSize(727, 502));
    QCOMPARE(m_form->centralWidget()->mapToGlobal(QPoint(0, 0)), QPoint(135, 141));
    QVERIFY(!(m_form->windowFlags() & Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(m_form->maximumSize().width() > 727);
}

void TestForm1::resizeKeepsControlsAndShowsBackdrop()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    const QRect before = label("LcurrP")->geometry();
    m_form->resize(900, 700);
    QTRY_COMPARE(m_form->centralWidget()->width(), 900);
    QCOMPARE(label("LcurrP")->geometry(), before);

    const QImage backdrop(QStringLiteral(":/images/backdrop.bmp"));
    QCOMPARE(backdrop.size(), QSize(820, 616));
    const QImage shown = m_form->centralWidget()->grab().toImage();
    // Bare surface shows the backdrop unscaled, beyond it the blue background.
    for (QPoint bare : {QPoint(300, 280), QPoint(760, 560), QPoint(10, 480)})
        QCOMPARE(shown.pixelColor(bare), backdrop.pixelColor(bare));
    QCOMPARE(shown.pixelColor(850, 100), QColor(0, 0, 255));
    QCOMPARE(shown.pixelColor(100, 650), QColor(0, 0, 255));
}

void TestForm1::labels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("pointSize");
    QTest::addColumn<bool>("black");

    auto row = [](const char *tag, const char *name, int index, const char *text, int left, int top,
                  int width, int height, double points, bool black) {
        QTest::newRow(tag) << QString::fromLatin1(name) << index << utf8(text) << left << top
                           << width << height << points << black;
    };
    row("Label4(0)", "Label4", 0, "当前压力", 6720, 600, 1215, 375, 14.25, true);
    row("LcurrP", "LcurrP", -1, "00.0", 7920, 600, 615, 375, 12, false);
    row("Label5(0)", "Label5", 0, " MPa", 8520, 600, 705, 375, 12, false);
    row("Label4(1)", "Label4", 1, "设定压力", 6720, 960, 1215, 375, 14.25, true);
    row("LsetP", "LsetP", -1, "02.0", 7920, 960, 615, 375, 12, false);
    row("Label5(1)", "Label5", 1, " MPa", 8520, 960, 705, 375, 12, false);
    row("Label4(2)", "Label4", 2, "设定流量", 6720, 1320, 1215, 375, 14.25, true);
    row("LsetF", "LsetF", -1, "000", 7920, 1320, 615, 375, 12, false);
    row("Label5(2)", "Label5", 2, " ml/m", 8520, 1320, 705, 375, 12, false);
    row("LSetState", "LSetState", -1, "", 6720, 1680, 1215, 375, 12, false);
    row("Lstate", "Lstate", -1, "     STOP", 7920, 1680, 1320, 375, 12, false);
    row("lhour", "lhour", -1, "00", 0, 0, 615, 375, 15.75, false);
    row("Label1", "Label1", -1, "时", 600, 0, 495, 375, 15.75, false);
    row("lmin", "lmin", -1, "00", 1080, 0, 495, 375, 15.75, false);
    row("Label2", "Label2", -1, "分", 1560, 0, 495, 375, 15.75, false);
    row("lsed", "lsed", -1, "00", 2040, 0, 615, 375, 15.75, false);
    row("Label3", "Label3", -1, "秒", 2640, 0, 495, 375, 15.75, false);
}

void TestForm1::labels()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, pointSize);
    QFETCH(bool, black);

    QLabel *shown = label(name.toLatin1().constData(), index);
    QVERIFY(shown);
    QCOMPARE(shown->text(), text);
    QCOMPARE(shown->geometry(), QRect(pixels(left), pixels(top), pixels(width), pixels(height)));
    QCOMPARE(shown->font().pointSizeF(), pointSize);
    QCOMPARE(shown->font().weight(), QFont::Bold);
    QVERIFY(!shown->font().italic() && !shown->font().underline() && !shown->font().strikeOut());
    const QString family = QFontInfo(shown->font()).family();
    QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese),
             qPrintable(family));
    QVERIFY(shown->autoFillBackground());
    QCOMPARE(shown->palette().color(QPalette::Window), QColor(0, 0, 255));
    const QColor expectedText =
        black ? QColor(Qt::black) : m_form->palette().color(QPalette::ButtonText);
    QCOMPARE(shown->palette().color(QPalette::WindowText), expectedText);
    QVERIFY(shown->alignment() & Qt::AlignLeft);
    QCOMPARE(shown->frameShape(), QFrame::NoFrame);
    QCOMPARE(shown->focusPolicy(), Qt::NoFocus);
}

void TestForm1::interfaceFontHasChineseGlyphs()
{
    const QFont system = QApplication::font();
    useChineseInterfaceFont(); // as the program does before it makes its window
    PanelDriver other(*m_port);
    Form1 &form = other.form();
    QMessageBox box(QMessageBox::NoIcon, utf8("通信错误"), utf8("串口未打开"), QMessageBox::Ok);
    const QList<QWidget *> shown{form.menuBar(), form.findChild<QAction *>("file")->menu(),
                                 form.findChild<QLabel *>(QStringLiteral("linkStatus")), &box};
    for (QWidget *widget : shown) {
        const QString family = QFontInfo(widget->font()).family();
        QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese),
                 qPrintable(widget->objectName() + QLatin1Char(' ') + family));
        QCOMPARE(widget->font().pointSizeF(), system.pointSizeF()); // the system's size
    }
    QApplication::setFont(system);
}

void TestForm1::keys_data()
{
    QTest::addColumn<QString>("accessibleName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");

    auto row = [](const char *accessible, const char *name, int left, int top) {
        QTest::addRow("%s %s", name, accessible)
            << QString::fromLatin1(accessible) << QString::fromLatin1(name) << left << top;
    };
    row("0", "Cmd0", 6720, 2160);
    row("1", "Cmd1", 7360, 2160);
    row("2", "Cmd2", 8020, 2160);
    row("3", "Cmd3", 8680, 2160);
    row("4", "Cmd4", 6720, 2640);
    row("5", "Cmd5", 7360, 2640);
    row("6", "Cmd6", 8020, 2640);
    row("7", "Cmd7", 8680, 2640);
    row("8", "Cmd8", 6720, 3120);
    row("9", "Cmd9", 7360, 3120);
    row("Up arrow", "Cmd0", 8020, 3120);
    row("Down arrow", "Cmd0", 8680, 3120);
    row("L", "Cmdl", 6720, 3600);
    row("P", "Cmdp", 7360, 3600);
    row("RUN", "Cmdr", 8020, 3600);
    row("STOP", "Cmds", 8680, 3600);
}

void TestForm1::keys()
{
    QFETCH(QString, accessibleName);
    QFETCH(QString, name);
    QFETCH(int, left);
    QFETCH(int, top);

    PictureButton *shown = key(accessibleName.toLatin1().constData());
    QVERIFY(shown);
    QCOMPARE(shown->objectName(), name);
    QCOMPARE(shown->geometry(), QRect(pixels(left), pixels(top), 41, 25));
    QCOMPARE(shown->text(), QString());
    QCOMPARE(shown->picture().size(), QSize(39, 21));
    QCOMPARE(shown->picture().devicePixelRatio(), 1.0); // the finer picture is not read here
    QVERIFY(shown->isEnabled());
    QCOMPARE(shown->focusPolicy(), Qt::StrongFocus);
}

void TestForm1::pictureBox()
{
    auto *box = m_form->findChild<PictureBox *>(QStringLiteral("Picture1"));
    QVERIFY(box);
    QCOMPARE(box->geometry(), QRect(40, 312, 665, 145));
    QCOMPARE(box->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(box->frameShadow(), QFrame::Sunken);
    QVERIFY(box->focusPolicy() & Qt::TabFocus);
    // The trend's user coordinates: (0, 2) at the top-left, (100, -0.8) at the bottom-right.
    const QRectF area(box->contentsRect());
    QCOMPARE(box->toPixel(QPointF(0, 2)), area.topLeft());
    QCOMPARE(box->toPixel(QPointF(100, -0.8)), area.bottomRight());
    QCOMPARE(box->toPixel(QPointF(50, 0)).y(), area.top() + area.height() * 2 / 2.8);
}

void TestForm1::menuTree()
{
    struct Entry
    {
        const char *name;
        const char *caption;
        int depth;
    };
    const Entry expected[] = {
        {"file", "文件(F)", 0},       {"save", "保存", 1},       {"print", "打印", 1},
        {"end", "退出", 1},           {"settime", "定时(T)", 0}, {"stset", "设定", 1},
        {"operation", "操作", 1},     {"ststart", "开始", 2},    {"stzanting", "暂停", 2},
        {"stcontiune", "继续", 2},    {"stend", "结束", 2},      {"Pump", "泵(O)", 0},
        {"run", "运行", 1},           {"stop", "停止", 1},       {"seting", "设定(S)", 0},
        {"liquid", "流量", 1},        {"pressure", "压力", 1},   {"Pump_NO", "泵编号", 1},
        {"Communication", "通信", 0}, {"rightkey", "右键", 0},   {"rrun", "运行", 1},
        {"rstop", "停止", 1},         {"help", "帮助(H)", 0},
    };

    QList<Entry> found;
    QList<QAction *> all;
    std::function<void(const QList<QAction *> &, int)> walk = [&](const QList<QAction *> &entries,
                                                                  int depth) {
        for (QAction *entry : entries) {
            found.append({nullptr, nullptr, depth});
            all.append(entry);
            if (entry->menu())
                walk(entry->menu()->actions(), depth + 1);
        }
    };
    walk(m_form->menuBar()->actions(), 0);

    QCOMPARE(all.size(), int(std::size(expected)));
    for (int i = 0; i < all.size(); ++i) {
        QCOMPARE(all[i]->objectName(), QString::fromLatin1(expected[i].name));
        QCOMPARE(all[i]->text(), utf8(expected[i].caption));
        QCOMPARE(found[i].depth, expected[i].depth);
        QVERIFY(all[i]->shortcut().isEmpty());
        QVERIFY(!all[i]->isCheckable());
        QCOMPARE(all[i]->isVisible(), all[i]->objectName() != QLatin1String("rightkey"));
    }
    // Top-level entries without sub-entries act on a click of the bar itself.
    QVERIFY(!action("Communication")->menu());
    QVERIFY(!action("help")->menu());
}

void TestForm1::noAccessKeys()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    for (int letter : {Qt::Key_F, Qt::Key_T, Qt::Key_O, Qt::Key_S, Qt::Key_H}) {
        QTest::keyClick(m_form, Qt::Key(letter), Qt::AltModifier);
        QVERIFY(!QApplication::activePopupWidget());
    }
    QSignalSpy helpClicked(action("help"), &QAction::triggered);
    action("help")->trigger();
    QVERIFY(!QApplication::activePopupWidget());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestForm1::popup_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("menuEnabled");
    QTest::addColumn<bool>("shown");

    QTest::newRow("bare surface, right") << "Surface" << int(Qt::RightButton) << true << true;
    QTest::newRow("bare surface, left") << "Surface" << int(Qt::LeftButton) << true << false;
    QTest::newRow("bare surface, middle") << "Surface" << int(Qt::MiddleButton) << true << false;
    QTest::newRow("label, right") << "LcurrP" << int(Qt::RightButton) << true << false;
    QTest::newRow("caption label, right") << "Label4" << int(Qt::RightButton) << true << false;
    QTest::newRow("key, right") << "Cmd1" << int(Qt::RightButton) << true << false;
    QTest::newRow("trend box, right") << "Picture1" << int(Qt::RightButton) << true << false;
    QTest::newRow("port not yet open") << "Surface" << int(Qt::RightButton) << false << false;
}

void TestForm1::popup()
{
    QFETCH(QString, target);
    QFETCH(int, button);
    QFETCH(bool, menuEnabled);
    QFETCH(bool, shown);

    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    m_form->rightkey()->setEnabled(menuEnabled);
    m_form->rightkey()->menuAction()->setEnabled(menuEnabled);

    QWidget *widget = m_form->findChild<QWidget *>(target);
    QVERIFY(widget);
    const QPoint where =
        target == QLatin1String("Surface") ? QPoint(300, 150) : widget->rect().center();
    QTest::mousePress(widget, Qt::MouseButton(button), {}, where);
    QCOMPARE(QApplication::activePopupWidget() == m_form->rightkey(), shown);
    if (shown)
        QCOMPARE(m_form->rightkey()->pos(), widget->mapToGlobal(where));
    if (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
}

void TestForm1::closeRunsUnload()
{
    openPort();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    QVERIFY(m_form->close());
    QVERIFY(!m_port->isOpen());
    // A closed port is not a silent pump: no beep while the program ends.
    m_form->link()->setClock([] { return qint64(1) << 40; });
    m_form->link()->checkSilence();
    QCOMPARE(m_dialogs->beeps, 0);
}

void TestForm1::endSkipsUnload()
{
    m_form->show();
    QSignalSpy ended(m_form, &Form1::endRequested);
    // The entry sits under the disabled file menu until the port opens, but acts when chosen.
    action("end")->trigger();
    QCOMPARE(ended.count(), 1);
    openPort();
    action("end")->trigger();
    QCOMPARE(ended.count(), 2);
    QVERIFY(m_port->isOpen()); // the program ends without closing it first
}

void TestForm1::focusOrder()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(key("1")));

    const QStringList expected = {"2",    "3",        "L",          "4",        "5",   "6",
                                  "P",    "7",        "8",          "9",        "RUN", "0",
                                  "STOP", "Up arrow", "Down arrow", "Picture1", "1"};
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focused = QApplication::focusWidget();
        visited << (focused->accessibleName().isEmpty() ? focused->objectName()
                                                        : focused->accessibleName());
    }
    QCOMPARE(visited, expected);
}

void TestForm1::enterAndSpaceClickTheFocusedKey()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    PictureButton *one = key("1");
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(one));
    QSignalSpy clicked(one, &QAbstractButton::clicked);
    QTest::keyClick(one, Qt::Key_Return);
    QCOMPARE(clicked.count(), 1);
    QTest::keyClick(one, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(clicked.count(), 2);
    QTest::keyClick(one, Qt::Key_Space);
    QCOMPARE(clicked.count(), 3);
}

void TestForm1::eachKeyTypesOrActs_data()
{
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QStringList>("before"); // keys pressed first
    QTest::addColumn<QString>("flow");       // LsetF afterwards
    QTest::addColumn<QString>("pressure");   // LsetP afterwards
    QTest::addColumn<QString>("entryState"); // LSetState afterwards
    QTest::addColumn<QString>("runState");   // Lstate afterwards
    QTest::addColumn<QList<QByteArray>>("written");

    const QString stopped = QStringLiteral("     STOP");
    const QString flow = QStringLiteral("000");
    const QString pressure = QStringLiteral("02.0");
    const QList<QByteArray> nothing;
    // A first digit ends no entry, so the caption shows it alone; the arrows type "0".
    const QList<QPair<const char *, const char *>> typing = {
        {"0", "0"}, {"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"},        {"5", "5"},
        {"6", "6"}, {"7", "7"}, {"8", "8"}, {"9", "9"}, {"Up arrow", "0"}, {"Down arrow", "0"},
    };
    for (const auto &[name, digit] : typing) {
        QTest::addRow("%s in a flow entry", name)
            << QString::fromLatin1(name) << QStringList{"L"} << QString::fromLatin1(digit)
            << pressure << QStringLiteral("Lset") << stopped << nothing;
        QTest::addRow("%s in a pressure entry", name)
            << QString::fromLatin1(name) << QStringList{"P"} << flow << QString::fromLatin1(digit)
            << QStringLiteral("Pset") << stopped << nothing;
    }
    QTest::newRow("L") << "L" << QStringList() << QString() << pressure << QStringLiteral("Lset")
                       << stopped << nothing;
    QTest::newRow("P") << "P" << QStringList() << flow << QString() << QStringLiteral("Pset")
                       << stopped << nothing;
    QTest::newRow("RUN") << "RUN" << QStringList() << flow << pressure << QString()
                         << QStringLiteral("     RUN ") << QList<QByteArray>{"Q00R0000Y"};
    QTest::newRow("STOP") << "STOP" << QStringList{"RUN"} << flow << pressure << QString()
                          << stopped << QList<QByteArray>{"Q00R0000Y", "Q00S0000Y"};
}

// Each of the sixteen keys, clicked where an operator clicks, does what its face says.
void TestForm1::eachKeyTypesOrActs()
{
    QFETCH(QString, pressed);
    QFETCH(QStringList, before);
    QFETCH(QString, flow);
    QFETCH(QString, pressure);
    QFETCH(QString, entryState);
    QFETCH(QString, runState);
    QFETCH(QList<QByteArray>, written);

    openPort();
    QVERIFY(m_panel->press(before + QStringList{pressed}));
    QCOMPARE(label("LsetF")->text(), flow);
    QCOMPARE(label("LsetP")->text(), pressure);
    QCOMPARE(label("LSetState")->text(), entryState);
    QCOMPARE(label("Lstate")->text(), runState);
    QCOMPARE(m_port->written, written);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestForm1::pressedLook()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    PictureButton *run = key("RUN");
    const QImage up = run->grab().toImage();
    QTest::mousePress(run, Qt::LeftButton);
    QVERIFY(run->isDown());
    const QImage down = run->grab().toImage();
    QTest::mouseRelease(run, Qt::LeftButton);
    QVERIFY(!run->isDown());
    QVERIFY(up != down);
}

void TestForm1::communication_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("failure");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QStringList>("messagePieces"); // empty: no message

    using F = OpenFailure::Kind;
    QTest::newRow("2") << "2" << int(F::None) << true << QStringList();
    QTest::newRow("device path") << "/dev/ttyUSB0" << int(F::None) << true << QStringList();
    QTest::newRow("cancel") << "" << int(F::None) << false << QStringList();
    QTest::newRow("abc") << "abc" << int(F::None) << false
                         << QStringList{utf8("串口号设定错误"), "abc"};
    QTest::newRow("out of range") << "99999" << int(F::None) << false
                                  << QStringList{utf8("串口号设定错误")};
    QTest::newRow("absent") << "5" << int(F::NotFound) << false
                            << QStringList{portNumbered(5), utf8("串口不存在"), "/dev/ttyUSB0"};
    QTest::newRow("busy") << "5" << int(F::Busy) << false
                          << QStringList{portNumbered(5), utf8("占用")};
    QTest::newRow("no permission") << "5" << int(F::NoPermission) << false
                                   << QStringList{portNumbered(5), utf8("权限"),
                                                  utf8("用户组 dialout"), "usermod -aG dialout"};
}

void TestForm1::communication()
{
    QFETCH(QString, answer);
    QFETCH(int, failure);
    QFETCH(bool, opened);
    QFETCH(QStringList, messagePieces);
    m_port->failure = OpenFailure::Kind(failure);
    m_port->ports = QStringList{"/dev/ttyUSB0"};
    m_port->group = QStringLiteral("dialout");
    m_dialogs->answers << answer;

    action("Communication")->trigger();

    QCOMPARE(m_dialogs->inputs.size(), 1);
    QCOMPARE(m_dialogs->inputs[0].text, QStringLiteral("Input communication port"));
    QCOMPARE(m_dialogs->inputs[0].title, QStringLiteral("Commport"));
    QCOMPARE(m_dialogs->inputs[0].preset, QStringLiteral("1"));
    QCOMPARE(m_port->isOpen(), opened);
    for (const char *name : {"file", "settime", "Pump", "seting"})
        QVERIFY2(action(name)->isEnabled() == opened, name);
    QCOMPARE(m_form->rightkey()->isEnabled(), opened); // its bar entry is hidden, so disabled
    QCOMPARE(m_form->Timer2()->isActive(), opened);
    QCOMPARE(m_form->Timer2()->interval(), 1500);
    QVERIFY(m_port->written.isEmpty());

    QCOMPARE(m_dialogs->messages.size(), messagePieces.isEmpty() ? 0 : 1);
    for (const QString &piece : messagePieces) {
        QVERIFY2(m_dialogs->messages[0].text.contains(piece), qPrintable(piece));
        QCOMPARE(m_dialogs->messages[0].title, utf8("通信错误"));
    }
    // The entry stays usable: a second try with a good answer opens the port.
    m_port->failure = OpenFailure::Kind::None;
    m_dialogs->answers << QStringLiteral("1");
    action("Communication")->trigger();
    QVERIFY(m_port->isOpen());
    QVERIFY(action("file")->isEnabled());
}

void TestForm1::repliesUpdateTheReadout()
{
    m_dialogs->answers << QStringLiteral("1");
    action("Communication")->trigger();
    m_port->deliver("Q00N01.5YQ00P0250YQ00L0150Y");
    QCOMPARE(label("LcurrP")->text(), QStringLiteral("01.5"));
    QCOMPARE(label("LsetP")->text(), QStringLiteral("02.0"));
    QCOMPARE(label("LsetF")->text(), QStringLiteral("0150"));
    m_port->deliver("Q00F0000Yq00N09.9Y");
    QCOMPARE(label("LcurrP")->text(), QStringLiteral("01.5"));
    QCOMPARE(label("Lstate")->text(), QStringLiteral("     STOP"));
}

void TestForm1::outsideTextIsShownAsItCame_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("labelName");
    QTest::addColumn<QString>("caption");
    QTest::newRow("underline") << QByteArray("Q00N<u>7Y") << "LcurrP"
                               << "<u>7";
    QTest::newRow("rule") << QByteArray("Q00N<hr>Y") << "LcurrP"
                          << "<hr>";
    QTest::newRow("entity") << QByteArray("Q00L&lt;Y") << "LsetF"
                            << "&lt;";
    QTest::newRow("set pressure") << QByteArray("Q00P<b>bY") << "LsetP"
                                  << "<b.b";
}

void TestForm1::outsideTextIsShownAsItCame()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, labelName);
    QFETCH(QString, caption);
    m_dialogs->answers << QStringLiteral("/dev/<i>x");
    action("Communication")->trigger();
    m_port->deliver(reply);
    QCOMPARE(label(qPrintable(labelName))->text(), caption);
    // Captions, the status line with its device name: every label shows characters, not markup.
    for (QLabel *shown : m_form->findChildren<QLabel *>())
        QVERIFY2(shown->textFormat() == Qt::PlainText, qPrintable(shown->objectName()));
    m_form->refreshStatus();
    QVERIFY(label("linkStatus")->text().contains(QStringLiteral("/dev/<i>x")));
}

void TestForm1::failedReopen_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("failure");
    QTest::addColumn<bool>("settingsAccepted");
    QTest::addColumn<bool>("linkKept");
    QTest::addColumn<QStringList>("messagePieces");
    using F = OpenFailure::Kind;
    QTest::newRow("mistyped device")
        << "/dev/ttyNOPE" << int(F::NotFound) << true << true
        << QStringList{"/dev/ttyNOPE", utf8("串口不存在"), utf8("串口 /dev/pts/3 仍然打开")};
    QTest::newRow("busy port") << "4" << int(F::Busy) << true << true
                               << QStringList{portNumbered(4), utf8("占用"), utf8("仍然打开")};
    QTest::newRow("port refusing the settings")
        << "/dev/ttyUSB1" << int(F::None) << false << true
        << QStringList{"/dev/ttyUSB1", "9600,n,8,1", utf8("串口 /dev/pts/3 仍然打开")};
    // The same device had to be closed to be reopened; the message says the link is gone.
    QTest::newRow("same device, gone")
        << "/dev/pts/3" << int(F::NotFound) << true << false
        << QStringList{utf8("串口不存在"), utf8("原来打开的串口 /dev/pts/3 已关闭")};
}

void TestForm1::failedReopen()
{
    QFETCH(QString, answer);
    QFETCH(int, failure);
    QFETCH(bool, settingsAccepted);
    QFETCH(bool, linkKept);
    QFETCH(QStringList, messagePieces);
    m_dialogs->answers << QStringLiteral("/dev/pts/3");
    action("Communication")->trigger();
    m_port->failure = OpenFailure::Kind(failure);
    m_port->settingsAccepted = settingsAccepted;
    m_dialogs->answers << answer;
    action("Communication")->trigger();

    QCOMPARE(m_dialogs->messages.size(), 1);
    for (const QString &piece : messagePieces)
        QVERIFY2(m_dialogs->messages[0].text.contains(piece),
                 qPrintable(m_dialogs->messages[0].text));
    QCOMPARE(m_port->isOpen(), linkKept);
    QCOMPARE(m_port->device(), linkKept ? QStringLiteral("/dev/pts/3") : answer);
    QCOMPARE(m_form->Timer2()->isActive(), linkKept);
    for (const char *name : {"file", "settime", "Pump", "seting"})
        QVERIFY2(action(name)->isEnabled(), name);
    if (linkKept) {
        m_port->deliver("Q00N01.4Y");
        QCOMPARE(label("LcurrP")->text(), QStringLiteral("01.4"));
        m_form->link()->pollNow();
        QCOMPARE(m_port->written, QList<QByteArray>{"Q00F0000Y"});
    }
}

void TestForm1::linkLossIsReportedOnce()
{
    m_dialogs->answers << QStringLiteral("/dev/ttyUSB0");
    action("Communication")->trigger();
    m_port->loseDevice(QStringLiteral("Resource temporarily unavailable"));
    QVERIFY(m_dialogs->messages.isEmpty()); // not from inside the port's notification
    QTRY_COMPARE(m_dialogs->messages.size(), 1);
    const QString text = m_dialogs->messages[0].text;
    QVERIFY2(text.contains(utf8("串口 /dev/ttyUSB0 的设备已断开")), qPrintable(text));
    // The system's wording is kept, as a detail after what the operator needs.
    QVERIFY(text.indexOf(utf8("系统信息：Resource temporarily unavailable")) >
            text.indexOf(utf8("重新打开")));
    QVERIFY(!m_form->Timer2()->isActive());
    QTest::qWait(10);
    QCOMPARE(m_dialogs->messages.size(), 1);
}

void TestForm1::commandsAfterLossAreTold()
{
    openPort();
    m_port->loseDevice(QStringLiteral("Input/output error"));
    QTRY_COMPARE(m_dialogs->messages.size(), 1);
    m_dialogs->messages.clear();

    // A value the operator confirmed is told about; a cancelled or non-numeric answer is not.
    m_dialogs->answers << QStringLiteral("100") << QStringLiteral("1.5") << QString()
                       << QStringLiteral("abc") << QStringLiteral("5");
    action("liquid")->trigger();
    action("pressure")->trigger();
    action("liquid")->trigger();
    action("pressure")->trigger();
    action("Pump_NO")->trigger();
    // A timed run whose run frame did not go out has not started.
    action("ststart")->trigger();
    action("stcontiune")->trigger();
    QCOMPARE(m_dialogs->messages.size(), 4);
    for (const FakeDialogs::Shown &message : std::as_const(m_dialogs->messages))
        QCOMPARE(message.text, Messages::portNotOpen());
    QVERIFY(!m_form->Timer1()->isActive());
    QVERIFY(label("lhour")->isHidden());
    QVERIFY(m_port->written.isEmpty());
    QCOMPARE(m_form->pumpNumber().Set_Pump_NO(), qint16(5)); // nothing to send, nothing to tell
}

void TestForm1::keysTellWhenThePortIsClosed()
{
    TellingSender sender(*m_form->link(), *m_dialogs);
    QVERIFY(!sender.send(QStringLiteral("Q00R0000Y")));
    QVERIFY(!sender.send(QStringLiteral("Q00S0000Y")));
    QCOMPARE(m_dialogs->messages.size(), 2); // one per attempt
    QVERIFY(m_dialogs->messages[0].text.contains(utf8("通信")));
    // The STOP is owed, and says so.
    QVERIFY(m_dialogs->messages[1].text.contains(utf8("停止命令会在串口再次打开时立即发送")));
    QVERIFY(m_port->written.isEmpty());

    m_dialogs->answers << QStringLiteral("1");
    action("Communication")->trigger();
    QCOMPARE(m_port->written, QList<QByteArray>{"Q00S0000Y"}); // before the first poll
    QVERIFY(sender.send(QStringLiteral("Q00R0000Y")));
    QCOMPARE(m_dialogs->messages.size(), 2);
    QCOMPARE(m_port->written, (QList<QByteArray>{"Q00S0000Y", "Q00R0000Y"}));
}

void TestForm1::press(const QStringList &keys)
{
    QVERIFY(m_panel->press(keys));
}

void TestForm1::openPort()
{
    QVERIFY(m_panel->openPort(QStringLiteral("1")));
}

void TestForm1::keypadThroughTheWindow()
{
    openPort();
    press({"L", "1", "5", "0"});
    QCOMPARE(label("LsetF")->text(), QStringLiteral("150"));
    press({"P", "Up arrow", "1", "Down arrow"}); // the arrows type 0 too
    QCOMPARE(label("LsetP")->text(), QStringLiteral("01.0"));
    QCOMPARE(m_port->written, QList<QByteArray>({"Q00L0150Y", "Q00P01.0Y"}));
    QCOMPARE(label("LSetState")->text(), QString());
}

void TestForm1::replyDuringKeypadEntry()
{
    openPort();
    press({"L", "1"});
    m_port->deliver("Q00L0100YQ00P02.0Y");
    QCOMPARE(label("LsetF")->text(), QStringLiteral("1")); // held back while typing
    QCOMPARE(label("LsetP")->text(), QStringLiteral("02.0"));
    press({"5", "0"});
    QCOMPARE(m_port->written, QList<QByteArray>{"Q00L0150Y"});
    m_port->deliver("Q00L0150Y");
    QCOMPARE(label("LsetF")->text(), QStringLiteral("0150"));
    // The keypad is not trapped: the next entry works as usual.
    press({"L"});
    QCOMPARE(label("LsetF")->text(), QString());
}

void TestForm1::keypadBeforeThePortIsOpen()
{
    press({"L", "1", "5", "0"});
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages[0].title, utf8("通信错误"));
    QVERIFY(m_dialogs->messages[0].text.contains(utf8("通信")));
    QCOMPARE(label("LSetState")->text(), QStringLiteral("Lset"));
    QCOMPARE(m_form->keypad().lq(), qint16(0));
}

void TestForm1::setpointMenus()
{
    openPort();
    m_dialogs->answers << QStringLiteral("7") << QStringLiteral("150") << QStringLiteral("1.5");
    action("Pump_NO")->trigger();
    action("liquid")->trigger();
    action("pressure")->trigger();
    press({"L", "1", "2", "0"});
    QCOMPARE(m_port->written, QList<QByteArray>({"Q00L0150Y", "Q00P01.5Y", "Q07L0120Y"}));
    QCOMPARE(m_form->pumpNumber().Set_Pump_NO(), qint16(7));
    QCOMPARE(m_form->setpointDialogs().setliq(), 150.0);
    QCOMPARE(m_form->setpointDialogs().setpresure(), 1.5);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestForm1::runKeysAndMenus()
{
    press({"RUN"}); // before the port is open: told, nothing sent, label as it was
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(label("Lstate")->text(), QStringLiteral("     STOP"));

    openPort();
    press({"RUN"});
    QCOMPARE(label("Lstate")->text(), QStringLiteral("     RUN "));
    action("stop")->trigger();
    action("rrun")->trigger();
    action("rstop")->trigger();
    action("run")->trigger();
    QCOMPARE(label("Lstate")->text(), QStringLiteral("     RUN "));
    press({"STOP"});
    QCOMPARE(label("Lstate")->text(), QStringLiteral("     STOP"));
    QCOMPARE(m_port->written, QList<QByteArray>({"Q00R0000Y", "Q00S0000Y", "Q00R0000Y", "Q00S0000Y",
                                                 "Q00R0000Y", "Q00S0000Y"}));
    QCOMPARE(m_dialogs->messages.size(), 1);
}

void TestForm1::timedRunMenus()
{
    openPort();
    m_dialogs->answers << QStringLiteral("1.5");
    action("stset")->trigger();
    QCOMPARE(m_form->timedRun().timeset(), 1.5);
    action("ststart")->trigger();
    QVERIFY(m_form->Timer1()->isActive());
    QCOMPARE(m_form->Timer1()->interval(), 1000);
    for (const char *name : {"lhour", "Label1", "lmin", "Label2", "lsed", "Label3"})
        QVERIFY2(!label(name)->isHidden(), name);
    press({"STOP"}); // the key stops the pump but not the clock
    QVERIFY(m_form->Timer1()->isActive());
    action("stzanting")->trigger();
    QVERIFY(!m_form->Timer1()->isActive());
    action("stcontiune")->trigger();
    QVERIFY(m_form->Timer1()->isActive());
    action("stend")->trigger();
    QVERIFY(!m_form->Timer1()->isActive());
    QVERIFY(label("lhour")->isHidden());
    QCOMPARE(m_form->timedRun().timeset(), 0.0);
    QCOMPARE(label("Lstate")->text(), QStringLiteral("     STOP"));
    QCOMPARE(m_port->written,
             QList<QByteArray>({"Q00R0000Y", "Q00S0000Y", "Q00S0000Y", "Q00R0000Y", "Q00S0000Y"}));
}

void TestForm1::trendAndRecordsFollowReplies()
{
    openPort();
    m_port->deliver("Q00N01.5YQ00P02.0YQ00L0100Y");
    QCOMPARE(m_form->trend().itime(), qint16(3)); // one step per accepted frame
    QCOMPARE(m_form->trend().plotpr(2), 1.5);     // repeats what LcurrP shows
    press({"L"});
    m_port->deliver("Q00L0120YQ00N00.8Yxx");
    QCOMPARE(m_form->trend().itime(), qint16(5)); // a held-back reply still steps the trend
    QCOMPARE(m_form->records().saveprcout(), 2);

    action("save")->trigger();
    QCOMPARE(m_recordFile->writes, QList<QByteArray>{" 1.5  .8 "});
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages[0].text, utf8("当前压力数值以存储"));
    QCOMPARE(m_form->records().saveprcout(), 2);
}

void TestForm1::printMenu()
{
    openPort();
    m_printer->copies = 2;
    action("print")->trigger();
    QCOMPARE(m_printer->documents.size(), 2);
    QVERIFY(m_dialogs->messages.isEmpty());

    // Copies printed to files: the operator is told where they went.
    m_printer->files = QStringList{"/tmp/out.pdf", "/tmp/out-3.pdf"};
    action("print")->trigger();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QVERIFY(m_dialogs->messages[0].text.contains(
        QDir::toNativeSeparators(QStringLiteral("/tmp/out-3.pdf"))));
}

void TestForm1::statusLine()
{
    auto *line = m_form->findChild<QLabel *>(QStringLiteral("linkStatus"));
    QVERIFY(line);
    QVERIFY(line->text().contains(utf8("串口未打开")));
    QVERIFY(m_form->statusBar()->isVisibleTo(m_form));

    qint64 now = 0;
    m_form->link()->setClock([&now] { return now; });
    m_dialogs->answers << QStringLiteral("/dev/ttyUSB0");
    action("Communication")->trigger();
    QVERIFY(line->text().contains(QStringLiteral("/dev/ttyUSB0")));
    QVERIFY(line->toolTip().contains(utf8("已打开")));

    // A pump that does not answer: the status line says so, no message box is shown.
    for (int poll = 0; poll < 4; ++poll) {
        now += 1500;
        m_form->link()->pollNow();
    }
    m_form->link()->checkSilence();
    m_form->refreshStatus();
    QVERIFY2(line->text().contains(utf8("泵无应答")), qPrintable(line->text()));
    QVERIFY(line->toolTip().contains(utf8("发送 4"))); // the counts are in the tooltip
    QVERIFY(m_dialogs->messages.isEmpty());

    m_port->deliver("Q00N01.5Yxx");
    now += 300;
    m_form->refreshStatus();
    QVERIFY(!line->text().contains(utf8("泵无应答")));
    QVERIFY2(line->text().contains(utf8("上次应答 0.3 秒前")), qPrintable(line->text()));
    QVERIFY(line->toolTip().contains(utf8("应答 1")));

    m_port->loseDevice(QStringLiteral("Input/output error"));
    QVERIFY2(line->text().contains(utf8("正在重新连接 /dev/ttyUSB0")), qPrintable(line->text()));
    QTRY_COMPARE(m_dialogs->messages.size(), 1);
    QVERIFY(m_dialogs->messages[0].text.contains(utf8("串口 /dev/ttyUSB0 的设备已断开")));
}

void TestForm1::linkWatch()
{
    QLabel *light = label("linkIndicator");
    QLabel *line = label("linkStatus");
    QVERIFY(light && line);
    QCOMPARE(light->accessibleName(), utf8("连接状态"));
    QCOMPARE(light->property("light").toString(), QStringLiteral("off"));
    QCOMPARE(light->accessibleDescription(), line->text());

    qint64 now = 0;
    PumpLink *link = m_form->link();
    link->setClock([&now] { return now; });
    QVERIFY(m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest));
    QCOMPARE(light->property("light").toString(), QStringLiteral("green"));
    auto answer = [&](const QByteArray &setFlow) {
        link->pollNow();
        m_port->deliver("Q00N01.2YQ00P02.0YQ00L" + setFlow + 'Y');
    };
    answer("0150");
    QVERIFY(m_panel->press({"RUN"}));

    // Two missed polls: red at 3.0 s, one beep, the pump may still run, no message box; the
    // banner says it whole, with the set flow.
    now = 1500;
    link->pollNow();
    now = 2999;
    link->checkSilence();
    QCOMPARE(light->property("light").toString(), QStringLiteral("green"));
    now = 3000;
    link->checkSilence();
    link->checkSilence();
    QCOMPARE(light->property("light").toString(), QStringLiteral("red"));
    QCOMPARE(m_dialogs->beeps, 1);
    QVERIFY2(line->text().contains(utf8("泵无应答 3.0 秒 · 泵可能仍在运行")),
             qPrintable(line->text()));
    QCOMPARE(light->accessibleDescription(), line->text());
    const AlarmBanner &banner = m_form->alarmBanner();
    QVERIFY(banner.isVisibleTo(m_form));
    QCOMPARE(banner.shownAlarm(), AlarmWatch::pumpSilent);
    QVERIFY2(banner.text().contains(utf8("泵可能仍在运行（设定流量 0150 ml/min）")),
             qPrintable(banner.text()));
    QVERIFY(m_dialogs->messages.isEmpty());

    // A setpoint sent into the silence is not called unconfirmed while it lasts.
    m_dialogs->answers << QStringLiteral("120");
    QVERIFY(m_panel->trigger(QStringLiteral("liquid")));
    link->pollNow();
    link->pollNow();
    m_form->refreshStatus();
    QVERIFY(!line->text().contains(utf8("设定未确认")));
    QVERIFY(!m_form->alarms().isActive(AlarmWatch::unconfirmed));

    // The first reply ends it and tells for how long; the old value at once is no fault yet.
    now = 7500;
    answer("0150");
    QCOMPARE(light->property("light").toString(), QStringLiteral("green"));
    QVERIFY(m_form->linkWatch().news().contains(utf8("泵恢复应答（7.5 秒没有应答）")));
    QVERIFY(label("linkNews")->toolTip().contains(m_form->linkWatch().news()));
    QVERIFY(light->accessibleDescription().endsWith(m_form->linkWatch().news()));
    answer("0150");
    QCOMPARE(light->property("light").toString(), QStringLiteral("green"));
    answer("0150");
    QCOMPARE(light->property("light").toString(), QStringLiteral("amber"));
    QVERIFY2(line->text().contains(utf8("设定未确认")), qPrintable(line->text()));
    QVERIFY(m_form->alarms().current(AlarmWatch::unconfirmed));
    QVERIFY(m_form->alarms()
                .current(AlarmWatch::unconfirmed)
                ->text.contains(utf8("设定流量 0120 未被泵确认（泵报告 0150）")));
    answer("0120");
    QCOMPARE(light->property("light").toString(), QStringLiteral("green"));
    QCOMPARE(m_form->linkWatch().news(), utf8("设定流量 0120 已确认"));
    QVERIFY(!line->text().contains(utf8("设定未确认")));
    QVERIFY(!m_form->alarms().isActive(AlarmWatch::unconfirmed));

    // A keypad value for pump 3 is told once and never judged by pump 0's replies.
    m_dialogs->answers << QStringLiteral("3");
    QVERIFY(m_panel->trigger(QStringLiteral("Pump_NO")));
    QVERIFY(m_panel->press({"L", "1", "9", "0"}));
    QCOMPARE(m_form->linkWatch().news(),
             utf8("设定流量 0190 已发送到泵 03，轮询只询问泵 00，无法确认"));
    for (int poll = 0; poll < 3; ++poll)
        answer("0120");
    QCOMPARE(light->property("light").toString(), QStringLiteral("green"));

    // Lost: red, reconnecting with the tries counted, then back with the time it was down.
    now = 20000;
    m_port->loseDevice(QStringLiteral("Input/output error"));
    QCOMPARE(light->property("light").toString(), QStringLiteral("red"));
    m_port->absent << QStringLiteral("/dev/ttyUSB0");
    now = 22000;
    link->reconnectNow();
    QVERIFY2(line->text().contains(utf8("正在重新连接 /dev/ttyUSB0（第 1 次，已断开 2.0 秒）")),
             qPrintable(line->text()));
    QVERIFY(line->text().contains(utf8("泵可能仍在运行")));
    m_port->absent.clear();
    now = 24000;
    link->reconnectNow();
    QCOMPARE(light->property("light").toString(), QStringLiteral("green"));
    QCOMPARE(m_form->linkWatch().news(), utf8("已重新连接 /dev/ttyUSB0（断开 4.0 秒）"));
    QTRY_COMPARE(m_dialogs->messages.size(), 1); // the loss, told once as before
    QVERIFY(m_dialogs->messages[0].text.contains(utf8("设备已断开")));

    // The pump came back with other setpoints: one message naming both values, nothing resent.
    m_port->written.clear();
    m_port->deliver("Q00N00.0YQ00P02.0YQ00L0000Y");
    answer("0000");
    QTRY_COMPARE(m_dialogs->messages.size(), 2);
    QTest::qWait(10);
    QCOMPARE(m_dialogs->messages.size(), 2);
    QCOMPARE(m_dialogs->messages[1].title, utf8("重新连接"));
    QVERIFY2(m_dialogs->messages[1].text.startsWith(
                 utf8("重新连接后，泵报告的设定与上次发送的不同：设定流量 上次发送 0120，泵报告 "
                      "0000。")),
             qPrintable(m_dialogs->messages[1].text));
    QCOMPARE(m_port->written, QList<QByteArray>{"Q00F0000Y"});

    // STOP: the silent line no longer says the pump may run.
    QVERIFY(m_panel->press({"STOP"}));
    now = 40000;
    link->checkSilence();
    // Each alarm sounded once as it came: the silence, the unconfirmed setpoint, the loss, and
    // the silence again.
    QCOMPARE(m_dialogs->beeps, 4);
    QVERIFY(line->text().contains(utf8("泵无应答")));
    QVERIFY(!line->text().contains(utf8("泵可能仍在运行")));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
