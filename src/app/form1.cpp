#include "form1.h"

#include "commcontrol.h"
#include "dialogs.h"
#include "keypadentry.h"
#include "messages.h"
#include "picturebox.h"
#include "picturebutton.h"
#include "pressuretrend.h"
#include "printer.h"
#include "pumplink.h"
#include "recordsave.h"
#include "runcontrol.h"
#include "setpointdialogs.h"
#include "surface.h"
#include "tellingsender.h"
#include "timedrun.h"
#include "uifont.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

namespace {

constexpr int pixels(int twips)
{
    return (twips * 2 + 15) / 30; // twips / 15, rounded to the nearest pixel
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

const QColor blue(0, 0, 255);

struct LabelLayout
{
    const char *name;
    int index; // -1 for a label that is not a member of a group
    const char *text;
    int left, top, width, height;
    double pointSize;
    bool blackText;
};

const LabelLayout labelLayouts[] = {
    {"Label4", 0, "当前压力", 6720, 600, 1215, 375, 14.25, true},
    {"LcurrP", -1, "00.0", 7920, 600, 615, 375, 12, false},
    {"Label5", 0, " MPa", 8520, 600, 705, 375, 12, false},
    {"Label4", 1, "设定压力", 6720, 960, 1215, 375, 14.25, true},
    {"LsetP", -1, "02.0", 7920, 960, 615, 375, 12, false},
    {"Label5", 1, " MPa", 8520, 960, 705, 375, 12, false},
    {"Label4", 2, "设定流量", 6720, 1320, 1215, 375, 14.25, true},
    {"LsetF", -1, "000", 7920, 1320, 615, 375, 12, false},
    {"Label5", 2, " ml/m", 8520, 1320, 705, 375, 12, false},
    {"LSetState", -1, "", 6720, 1680, 1215, 375, 12, false},
    {"Lstate", -1, "     STOP", 7920, 1680, 1320, 375, 12, false},
    {"lhour", -1, "00", 0, 0, 615, 375, 15.75, false},
    {"Label1", -1, "时", 600, 0, 495, 375, 15.75, false},
    {"lmin", -1, "00", 1080, 0, 495, 375, 15.75, false},
    {"Label2", -1, "分", 1560, 0, 495, 375, 15.75, false},
    {"lsed", -1, "00", 2040, 0, 615, 375, 15.75, false},
    {"Label3", -1, "秒", 2640, 0, 495, 375, 15.75, false},
};

const char *const elapsedTimeLabels[] = {"lhour", "lmin", "lsed", "Label1", "Label2", "Label3"};

struct KeyLayout
{
    const char *name;
    qint16 index;
    const char *picture;
    const char *accessibleName;
};

// Row by row, left to right.
const KeyLayout keyLayouts[4][4] = {
    {{"Cmd0", 13, "key_0", "0"},
     {"Cmd1", 0, "key_1", "1"},
     {"Cmd2", 0, "key_2", "2"},
     {"Cmd3", 0, "key_3", "3"}},
    {{"Cmd4", 0, "key_4", "4"},
     {"Cmd5", 0, "key_5", "5"},
     {"Cmd6", 0, "key_6", "6"},
     {"Cmd7", 0, "key_7", "7"}},
    {{"Cmd8", 0, "key_8", "8"},
     {"Cmd9", 0, "key_9", "9"},
     {"Cmd0", 0, "key_up", "Up arrow"},
     {"Cmd0", 1, "key_down", "Down arrow"}},
    {{"Cmdl", 0, "key_l", "L"},
     {"Cmdp", 0, "key_p", "P"},
     {"Cmdr", 0, "key_run", "RUN"},
     {"Cmds", 0, "key_stop", "STOP"}},
};
const int keyColumns[4] = {6720, 7360, 8020, 8680};
const int keyRows[4] = {2160, 2640, 3120, 3600};

// Tab order by accessible name; the trend box comes last.
const char *const focusOrder[] = {"1", "2", "3", "L",   "4", "5",    "6",        "P",
                                  "7", "8", "9", "RUN", "0", "STOP", "Up arrow", "Down arrow"};

// Every label of the window shows its text as it stands: replies from the pump, device names
// and system messages are never read as markup.
QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

void setMenuEnabled(QMenu *menu, bool enabled)
{
    menu->setEnabled(enabled);
    menu->menuAction()->setEnabled(enabled);
}

} // namespace

Form1::Form1(const Platform &platform, QWidget *parent)
    : QMainWindow(parent)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tarrow(QMR4T09)V2.0"));
    setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));

    m_surface = new Surface(this);
    setCentralWidget(m_surface);
    connect(m_surface, &Surface::pressed, this, &Form1::Form_MouseDown);

    buildLabels();
    m_LcurrP = m_surface->findChild<QLabel *>(QStringLiteral("LcurrP"));
    m_LsetP = m_surface->findChild<QLabel *>(QStringLiteral("LsetP"));
    m_LsetF = m_surface->findChild<QLabel *>(QStringLiteral("LsetF"));
    buildKeypad();

    m_Picture1 = new PictureBox(m_surface);
    m_Picture1->setObjectName(QStringLiteral("Picture1"));
    m_Picture1->setGeometry(twipsRect(600, 4680, 9975, 2175));

    QWidget *previous = nullptr;
    for (const char *name : focusOrder) {
        QWidget *key = nullptr;
        for (PictureButton *button : m_surface->findChildren<PictureButton *>()) {
            if (button->accessibleName() == QLatin1String(name))
                key = button;
        }
        if (previous)
            setTabOrder(previous, key);
        previous = key;
    }
    setTabOrder(previous, m_Picture1);

    m_Timer1.setObjectName(QStringLiteral("Timer1"));
    m_Timer2.setObjectName(QStringLiteral("Timer2"));
    m_platform.MSComm1->setObjectName(QStringLiteral("MSComm1"));
    m_link = new PumpLink(m_platform.MSComm1, &m_Timer2, this);
    connect(m_link, &PumpLink::replyAccepted, this, &Form1::showReply);
    connect(m_link, &PumpLink::linkLost, this, &Form1::reportLinkLost);
    m_keySender = std::make_unique<TellingSender>(*m_link, *m_platform.dialogs);
    m_keypad = std::make_unique<KeypadEntry>(
        KeypadEntry::State{m_state.lq, m_state.pr, m_state.Set_Pump_NO, m_state.setliqstr},
        KeypadEntry::Labels{m_LsetF, m_LsetP,
                            m_surface->findChild<QLabel *>(QStringLiteral("LSetState"))},
        *m_keySender, *m_platform.dialogs);
    // A value the operator confirmed is never dropped silently: a refused write is told, as
    // for the keys.
    m_setpointDialogs = std::make_unique<SetpointDialogs>(
        SetpointDialogs::State{m_state.setliq, m_state.setpresure, m_state.Set_Pump_NO},
        *m_keySender, *m_platform.dialogs);
    m_runControl = std::make_unique<RunControl>(
        m_surface->findChild<QLabel *>(QStringLiteral("Lstate")), *m_keySender);
    auto elapsed = [this](const char *name) {
        return m_surface->findChild<QLabel *>(QLatin1String(name));
    };
    m_timedRun = std::make_unique<TimedRun>(TimedRun::State{m_state.tset, m_state.timeset},
                                            TimedRun::Display{elapsed("lhour"), elapsed("lmin"),
                                                              elapsed("lsed"), elapsed("Label1"),
                                                              elapsed("Label2"), elapsed("Label3")},
                                            &m_Timer1, *m_keySender, *m_platform.dialogs);
    connect(&m_Timer1, &QTimer::timeout, this, [this] { m_timedRun->Timer1_Timer(); });
    m_trend = std::make_unique<PressureTrend>(m_state.itime, m_state.plotpr, m_LcurrP, m_Picture1);
    m_recorder = std::make_unique<ReadingRecorder>(m_state.records);
    m_recordSave =
        std::make_unique<RecordSave>(m_state.records, *m_platform.recordFile, *m_platform.dialogs);
    wireKeypad();

    // Conditions that repeat with every poll are shown here, never as a stream of messages.
    m_linkStatus = plainLabel(QString(), this);
    m_linkStatus->setObjectName(QStringLiteral("linkStatus"));
    statusBar()->addWidget(m_linkStatus, 1);
    statusBar()->setSizeGripEnabled(true);
    connect(m_link, &PumpLink::stateChanged, this, &Form1::refreshStatus);
    m_statusTimer.setInterval(500);
    connect(&m_statusTimer, &QTimer::timeout, this, &Form1::refreshStatus);
    m_statusTimer.start();
    refreshStatus();

    buildMenus();
    placeWindow();
    Form_Load();

    for (PictureButton *button : m_surface->findChildren<PictureButton *>()) {
        if (button->accessibleName() == QLatin1String("1"))
            button->setFocus();
    }
}

Form1::~Form1() = default;

void Form1::buildLabels()
{
    for (const LabelLayout &layout : labelLayouts) {
        QLabel *label = plainLabel(QString::fromUtf8(layout.text), m_surface);
        label->setObjectName(QLatin1String(layout.name));
        if (layout.index >= 0)
            label->setProperty("index", layout.index);
        label->setGeometry(twipsRect(layout.left, layout.top, layout.width, layout.height));
        label->setFont(labelFont(layout.pointSize));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setAutoFillBackground(true);
        QPalette colours = label->palette();
        colours.setColor(QPalette::Window, blue);
        colours.setColor(QPalette::WindowText, layout.blackText
                                                   ? QColor(Qt::black)
                                                   : colours.color(QPalette::ButtonText));
        label->setPalette(colours);
    }
}

void Form1::buildKeypad()
{
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const KeyLayout &layout = keyLayouts[row][column];
            const QString picture =
                QStringLiteral(":/images/%1.png").arg(QLatin1String(layout.picture));
            auto *key =
                new PictureButton(QLatin1String(layout.name), layout.index, picture, m_surface);
            key->setAccessibleName(QLatin1String(layout.accessibleName));
            key->setGeometry(twipsRect(keyColumns[column], keyRows[row], 615, 375));
        }
    }
}

void Form1::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto addMenu = [](auto *owner, const char *name, const char *caption) {
        QMenu *menu = owner->addMenu(QString::fromUtf8(caption));
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name));
        return menu;
    };
    auto addEntry = [](auto *owner, const char *name, const char *caption) {
        QAction *action = owner->addAction(QString::fromUtf8(caption));
        action->setObjectName(QLatin1String(name));
        return action;
    };

    auto onClick = [this](QAction *entry, auto handler) {
        connect(entry, &QAction::triggered, this, handler);
    };

    m_file = addMenu(bar, "file", "文件(F)");
    onClick(addEntry(m_file, "save", "保存"), [this] { m_recordSave->save_Click(); });
    onClick(addEntry(m_file, "print", "打印"),
            [this] { printTestPage(*m_platform.CommonDialog1, *m_platform.dialogs); });
    onClick(addEntry(m_file, "end", "退出"), [this] { emit endRequested(); });

    m_settime = addMenu(bar, "settime", "定时(T)");
    onClick(addEntry(m_settime, "stset", "设定"), [this] { m_timedRun->stset_Click(); });
    QMenu *operation = addMenu(m_settime, "operation", "操作");
    onClick(addEntry(operation, "ststart", "开始"), [this] { m_timedRun->ststart_Click(); });
    onClick(addEntry(operation, "stzanting", "暂停"), [this] { m_timedRun->stzanting_Click(); });
    onClick(addEntry(operation, "stcontiune", "继续"), [this] { m_timedRun->stcontiune_Click(); });
    onClick(addEntry(operation, "stend", "结束"), [this] { m_timedRun->stend_Click(); });

    m_Pump = addMenu(bar, "Pump", "泵(O)");
    onClick(addEntry(m_Pump, "run", "运行"), [this] { m_runControl->run_Click(); });
    onClick(addEntry(m_Pump, "stop", "停止"), [this] { m_runControl->stop_Click(); });

    m_seting = addMenu(bar, "seting", "设定(S)");
    onClick(addEntry(m_seting, "liquid", "流量"), [this] { m_setpointDialogs->liquid_Click(); });
    onClick(addEntry(m_seting, "pressure", "压力"),
            [this] { m_setpointDialogs->pressure_Click(); });
    onClick(addEntry(m_seting, "Pump_NO", "泵编号"),
            [this] { m_setpointDialogs->Pump_NO_Click(); });

    onClick(addEntry(bar, "Communication", "通信"), [this] { Communication_Click(); });

    m_rightkey = addMenu(bar, "rightkey", "右键");
    m_rightkey->menuAction()->setVisible(false);
    onClick(addEntry(m_rightkey, "rrun", "运行"), [this] { m_runControl->rrun_Click(); });
    onClick(addEntry(m_rightkey, "rstop", "停止"), [this] { m_runControl->rstop_Click(); });

    addEntry(bar, "help", "帮助(H)");
}

void Form1::refreshStatus()
{
    m_linkStatus->setText(Messages::linkStatus(m_link->status()));
}

void Form1::wireKeypad()
{
    for (PictureButton *key : m_surface->findChildren<PictureButton *>()) {
        const QString name = key->objectName();
        if (name == QLatin1String("Cmd0")) {
            connect(key, &PictureButton::groupClicked, this,
                    [this](qint16 index) { m_keypad->Cmd0_Click(index); });
        } else if (name.size() == 4 && name.at(3).isDigit()) {
            const char digit = name.at(3).toLatin1();
            connect(key, &PictureButton::groupClicked, this,
                    [this, digit] { m_keypad->typeDigit(digit); });
        } else if (name == QLatin1String("Cmdl")) {
            connect(key, &PictureButton::groupClicked, this, [this] { m_keypad->Cmdl_Click(); });
        } else if (name == QLatin1String("Cmdp")) {
            connect(key, &PictureButton::groupClicked, this, [this] { m_keypad->Cmdp_Click(); });
        } else if (name == QLatin1String("Cmdr")) {
            connect(key, &PictureButton::groupClicked, this,
                    [this] { m_runControl->Cmdr_Click(); });
        } else if (name == QLatin1String("Cmds")) {
            connect(key, &PictureButton::groupClicked, this,
                    [this] { m_runControl->Cmds_Click(); });
        }
    }
}

void Form1::placeWindow()
{
    // The client area between the menu bar and the status bar has the fixed size and place.
    const int menuHeight = menuBar()->sizeHint().height();
    const int statusHeight = statusBar()->sizeHint().height();
    setGeometry(QRect(clientPosition() - QPoint(0, menuHeight),
                      clientSize() + QSize(0, menuHeight + statusHeight)));
}

void Form1::Form_Load()
{
    for (QMenu *menu : {m_file, m_settime, m_Pump, m_rightkey, m_seting})
        setMenuEnabled(menu, false);
    m_state.lq = 0;
    m_state.pr = 0;
    m_state.Set_Pump_NO = 0;
    m_Timer1.setInterval(1000);
    m_Timer1.stop();
    m_Timer2.setInterval(1500);
    m_Timer2.stop();
    for (const char *name : elapsedTimeLabels)
        m_surface->findChild<QLabel *>(QLatin1String(name))->hide();
    m_Picture1->setScale(QPointF(0, 2), QPointF(100, -0.8));
    m_state.plotpr[0 + 1] = 0;
}

void Form1::Form_MouseDown(Qt::MouseButton button, QPoint globalPosition)
{
    // The popup's entries send frames, so it does not open before the port does.
    if (button == Qt::RightButton && m_rightkey->isEnabled())
        m_rightkey->popup(globalPosition);
}

void Form1::Form_Unload()
{
    m_platform.MSComm1->setPortOpen(false);
}

void Form1::Communication_Click()
{
    const QString answer =
        m_platform.dialogs->inputBox(QStringLiteral("Input communication port"),
                                     QStringLiteral("Commport"), QStringLiteral("1"));
    const PumpLink::OpenResult result = m_link->open(answer);
    switch (result.outcome) {
    case PumpLink::OpenOutcome::Cancelled:
        return;
    case PumpLink::OpenOutcome::InvalidPort:
        m_platform.dialogs->messageBox(Messages::invalidPort(answer), Messages::linkTitle);
        return;
    case PumpLink::OpenOutcome::OpenFailed:
    case PumpLink::OpenOutcome::SettingsRefused:
        // A port kept open goes on being polled; nothing about it changes here.
        m_platform.dialogs->messageBox(Messages::openFailed(result), Messages::linkTitle);
        return;
    case PumpLink::OpenOutcome::Opened:
        break;
    }
    for (QMenu *menu : {m_file, m_settime, m_Pump, m_rightkey, m_seting})
        setMenuEnabled(menu, true);
    m_link->startPoll();
}

void Form1::showReply(const Reply &reply)
{
    storeReading(reply);
    // A reply does not overwrite a field the keypad is typing into; the next poll brings it.
    if (!m_keypad->isTypingInto(reply.target())) {
        switch (reply.target()) {
        case Reply::Target::CurrentPressure:
            m_LcurrP->setText(reply.caption());
            break;
        case Reply::Target::SetPressure:
            m_LsetP->setText(reply.caption());
            break;
        case Reply::Target::SetFlow:
            m_LsetF->setText(reply.caption());
            break;
        case Reply::Target::None:
            break;
        }
    }
    m_trend->step();
}

void Form1::storeReading(const Reply &reply)
{
    if (reply.target() != Reply::Target::CurrentPressure)
        return;
    if (!m_recorder->record(reply.data))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_platform.dialogs->messageBox(Messages::storeFull(RecordStore::capacity),
                                           QString::fromUtf8("存储数据"));
        },
        Qt::QueuedConnection);
}

void Form1::reportLinkLost(const QString &reason)
{
    // Told after the port's own notification has returned, not from inside it.
    const QString device = m_platform.MSComm1->commPort();
    QMetaObject::invokeMethod(
        this,
        [this, device, reason] {
            m_platform.dialogs->messageBox(Messages::linkLost(device, reason), Messages::linkTitle);
        },
        Qt::QueuedConnection);
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}
