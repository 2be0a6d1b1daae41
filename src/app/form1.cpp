#include "form1.h"

#include "alarmbanner.h"
#include "alarmwatch.h"
#include "alarmwindow.h"
#include "dialogs.h"
#include "historywindow.h"
#include "keypadentry.h"
#include "language.h"
#include "linkwatch.h"
#include "messages.h"
#include "numbers.h"
#include "picturebox.h"
#include "picturebutton.h"
#include "pressureguard.h"
#include "pressurelimits.h"
#include "pressuretrend.h"
#include "printer.h"
#include "programrunner.h"
#include "programwindow.h"
#include "protectionwindow.h"
#include "pumplink.h"
#include "recordsave.h"
#include "runcontrol.h"
#include "runjournal.h"
#include "setpointdialogs.h"
#include "surface.h"
#include "tellingsender.h"
#include "timedrun.h"
#include "uifont.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>

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
    // Where the window keeps the label, for the labels it writes to later.
    QLabel *Form1::ReadoutLabels::*readout = nullptr;
    QLabel *TimedRun::Display::*elapsed = nullptr;
};

using Labels = Form1::ReadoutLabels;
using Elapsed = TimedRun::Display;

// The readouts' first captions come from the readout view.
const LabelLayout labelLayouts[] = {
    {"Label4", 0, QT_TRANSLATE_NOOP("Form1", "当前压力"), 6720, 600, 1215, 375, 14.25, true},
    {"LcurrP", -1, nullptr, 7920, 600, 615, 375, 12, false, &Labels::LcurrP},
    {"Label5", 0, " MPa", 8520, 600, 705, 375, 12, false},
    {"Label4", 1, QT_TRANSLATE_NOOP("Form1", "设定压力"), 6720, 960, 1215, 375, 14.25, true},
    {"LsetP", -1, nullptr, 7920, 960, 615, 375, 12, false, &Labels::LsetP},
    {"Label5", 1, " MPa", 8520, 960, 705, 375, 12, false},
    {"Label4", 2, QT_TRANSLATE_NOOP("Form1", "设定流量"), 6720, 1320, 1215, 375, 14.25, true},
    {"LsetF", -1, nullptr, 7920, 1320, 615, 375, 12, false, &Labels::LsetF},
    {"Label5", 2, " ml/m", 8520, 1320, 705, 375, 12, false},
    {"LSetState", -1, nullptr, 6720, 1680, 1215, 375, 12, false, &Labels::LSetState},
    {"Lstate", -1, nullptr, 7920, 1680, 1320, 375, 12, false, &Labels::Lstate},
    {"lhour", -1, "00", 0, 0, 615, 375, 15.75, false, nullptr, &Elapsed::lhour},
    {"Label1", -1, QT_TRANSLATE_NOOP("Form1", "时"), 600, 0, 495, 375, 15.75, false, nullptr,
     &Elapsed::Label1},
    {"lmin", -1, "00", 1080, 0, 495, 375, 15.75, false, nullptr, &Elapsed::lmin},
    {"Label2", -1, QT_TRANSLATE_NOOP("Form1", "分"), 1560, 0, 495, 375, 15.75, false, nullptr,
     &Elapsed::Label2},
    {"lsed", -1, "00", 2040, 0, 615, 375, 15.75, false, nullptr, &Elapsed::lsed},
    {"Label3", -1, QT_TRANSLATE_NOOP("Form1", "秒"), 2640, 0, 495, 375, 15.75, false, nullptr,
     &Elapsed::Label3},
};

struct KeyLayout
{
    Form1::Key key;
    const char *name;
    const char *picture;
    const char *accessibleName;
    int column, row;
};

// In tab order; the trend box comes after the last key.
const KeyLayout keyLayouts[] = {
    {Form1::Key::Digit1, "Cmd1", "key_1", "1", 1, 0},
    {Form1::Key::Digit2, "Cmd2", "key_2", "2", 2, 0},
    {Form1::Key::Digit3, "Cmd3", "key_3", "3", 3, 0},
    {Form1::Key::L, "Cmdl", "key_l", "L", 0, 3},
    {Form1::Key::Digit4, "Cmd4", "key_4", "4", 0, 1},
    {Form1::Key::Digit5, "Cmd5", "key_5", "5", 1, 1},
    {Form1::Key::Digit6, "Cmd6", "key_6", "6", 2, 1},
    {Form1::Key::P, "Cmdp", "key_p", "P", 1, 3},
    {Form1::Key::Digit7, "Cmd7", "key_7", "7", 3, 1},
    {Form1::Key::Digit8, "Cmd8", "key_8", "8", 0, 2},
    {Form1::Key::Digit9, "Cmd9", "key_9", "9", 1, 2},
    {Form1::Key::Run, "Cmdr", "key_run", "RUN", 2, 3},
    {Form1::Key::Digit0, "Cmd0", "key_0", "0", 0, 0},
    {Form1::Key::Stop, "Cmds", "key_stop", "STOP", 3, 3},
    {Form1::Key::Up, "Cmd0", "key_up", "Up arrow", 2, 2},
    {Form1::Key::Down, "Cmd0", "key_down", "Down arrow", 3, 2},
};
const int keyColumns[4] = {6720, 7360, 8020, 8680};
const int keyRows[4] = {2160, 2640, 3120, 3600};

// Every label of the window shows its text as it stands: replies from the pump, device names
// and system messages are never read as markup.
QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

// The window's body: the client area, and under it the alarm banner when there is one. The
// client area keeps its size as the banner comes and goes, and the window grows or shrinks by it.
class WindowBody : public QWidget
{
public:
    WindowBody(QWidget *client, QWidget *banner, QWidget *parent)
        : QWidget(parent)
        , m_client(client)
        , m_banner(banner)
    {
        client->setParent(this);
        banner->setParent(this);
    }
    int bannerHeight(int width) const
    {
        return m_banner->isVisibleTo(this) ? m_banner->heightForWidth(width) : 0;
    }
    void place()
    {
        const int banner = bannerHeight(width());
        m_client->setGeometry(0, 0, width(), height() - banner);
        m_banner->setGeometry(0, height() - banner, width(), banner);
    }

protected:
    void resizeEvent(QResizeEvent *) override { place(); }

private:
    QWidget *m_client;
    QWidget *m_banner;
};

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
    m_banner = new AlarmBanner(m_alarms, this);
    setCentralWidget(new WindowBody(m_surface, m_banner, this));
    connect(m_surface, &Surface::pressed, this, &Form1::Form_MouseDown);

    buildLabels();
    connect(&m_readoutView, &ReadoutView::captionChanged, this,
            [this](Readout readout, const QString &caption) {
                m_readoutLabels[readout]->setText(caption);
            });
    buildKeypad();

    m_Picture1 = new PictureBox(m_surface);
    m_Picture1->setObjectName(QStringLiteral("Picture1"));
    m_Picture1->setGeometry(twipsRect(600, 4680, 9975, 2175));
    setTabOrder(m_keys->buttons().constLast(), m_Picture1);

    m_platform.MSComm1->setObjectName(QStringLiteral("MSComm1"));
    m_link = new PumpLink(m_platform.MSComm1, this);
    connect(m_link, &PumpLink::replyAccepted, this, &Form1::showReply);
    connect(m_link, &PumpLink::linkLost, this, &Form1::reportLinkLost);
    // A value the operator confirmed is never dropped silently: a refused write is told.
    m_keySender = std::make_unique<TellingSender>(*m_link, *m_platform.dialogs);
    m_gate = std::make_unique<RunGate>(*m_keySender, *m_platform.dialogs);
    m_keypad =
        std::make_unique<KeypadEntry>(m_readoutView, m_pumpNumber, *m_gate, *m_platform.dialogs);
    m_setpointDialogs =
        std::make_unique<SetpointDialogs>(m_pumpNumber, *m_gate, *m_platform.dialogs);
    m_runControl = std::make_unique<RunControl>(m_readoutView, *m_gate);
    m_timedRun = std::make_unique<TimedRun>(m_elapsed, *m_gate, *m_platform.dialogs);
    m_trend = std::make_unique<PressureTrend>(m_Picture1);
    m_recorder = std::make_unique<ReadingRecorder>(m_records);
    m_recordSave =
        std::make_unique<RecordSave>(m_records, *m_platform.recordFile, *m_platform.dialogs);

    // Conditions that repeat with every poll are shown here, never as a stream of messages.
    m_runJournal = new RunJournal(m_platform.runLogFolder, *m_link, *m_platform.dialogs, this);
    m_alarms.setJournal(m_runJournal);
    connect(&m_alarms, &AlarmList::beep, this, [this] { m_platform.dialogs->beep(); });
    m_alarmWatch = new AlarmWatch(m_alarms, *m_link, m_runJournal->log(), m_platform.awake, this);
    // After the run log, so that a reply's row comes before the trip it causes.
    m_guard =
        new PressureGuard(*m_link, m_alarms, *m_timedRun, *m_runJournal, *m_platform.dialogs, this);
    m_gate->setGuard(m_guard);
    m_gate->setJournal(m_runJournal);
    if (!m_platform.settingsFile.isEmpty())
        m_guard->startWith(LimitStore::read(m_platform.settingsFile));
    m_linkWatch = new LinkWatch(*m_link, m_alarms, *m_platform.dialogs, statusBar(), this);
    QToolButton *alarmButton =
        statusButton("alarmButton", QCoreApplication::translate("Form1", "报警"));
    connect(alarmButton, &QToolButton::clicked, this, &Form1::openAlarms);
    connect(m_banner, &AlarmBanner::detailsRequested, this, &Form1::openAlarms);
    connect(m_banner, &AlarmBanner::heightChanged, this, &Form1::fitBanner);
    QToolButton *history =
        statusButton("historyButton", QCoreApplication::translate("Form1", "运行记录"));
    connect(history, &QToolButton::clicked, this, &Form1::openHistory);
    // The log's file name does not fit the bar: the button's tooltip tells it.
    auto showLogState = [this, history](const QString &text) {
        history->setToolTip(text);
        m_linkWatch->setLogState(text);
    };
    connect(m_runJournal, &RunJournal::stateTextChanged, this, showLogState);
    showLogState(m_runJournal->stateText());
    m_protectionButton =
        statusButton("protectionButton", QCoreApplication::translate("Form1", "保护"));
    m_protectionButton->setToolTip(QCoreApplication::translate("Form1", "保护设定：") +
                                   m_guard->limits().describe());
    connect(m_protectionButton, &QToolButton::clicked, this, &Form1::openProtection);
    buildProgram();
    buildLanguage();
    connect(m_Picture1, &PictureBox::doubleClicked, this, &Form1::openHistory);
    m_keySender->setJournal(m_runJournal);
    m_keypad->setJournal(m_runJournal);
    m_setpointDialogs->setJournal(m_runJournal);
    m_timedRun->setJournal(m_runJournal);
    m_recordSave->setJournal(m_runJournal);
    statusBar()->setSizeGripEnabled(true);

    buildMenus();
    placeWindow();
    Form_Load();
    m_alarmWatch->checkLastRun(m_platform.runLogFolder);
    m_lastRunNotice = m_alarmWatch->lastRunNotice();

    // The safe command from the keyboard, in every window of the panel, without a question.
    auto *stopKey = new QShortcut(QKeySequence(Qt::Key_F12), this);
    stopKey->setObjectName(QStringLiteral("stopShortcut"));
    stopKey->setContext(Qt::ApplicationShortcut);
    connect(stopKey, &QShortcut::activated, this, [this] { m_runControl->Cmds_Click(); });

    m_keys->buttons().constFirst()->setFocus();
}

Form1::~Form1() = default;

namespace {

// A status-bar button as narrow as its text allows: the bar holds five of them beside the link's
// state, in every language, at the window's fixed width.
class StatusButton : public QToolButton
{
public:
    using QToolButton::QToolButton;
    QSize sizeHint() const override
    {
        return {fontMetrics().horizontalAdvance(text()) + 8, QToolButton::sizeHint().height()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace

QToolButton *Form1::statusButton(const char *name, const QString &text)
{
    auto *button = new StatusButton(this);
    button->setText(text);
    button->setObjectName(QLatin1String(name));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus); // the keys' tab order stays as it is
    // No taller than the status bar's text, which sets the window's height.
    button->setMaximumHeight(fontMetrics().height() + 4);
    statusBar()->addPermanentWidget(button);
    return button;
}

QWidget *Form1::clientArea() const
{
    return m_surface;
}

void Form1::openAlarms()
{
    if (!m_alarmWindow) {
        m_alarmWindow = std::make_unique<AlarmWindow>(m_alarms);
        m_alarmWindow->setAttribute(Qt::WA_QuitOnClose, false);
    }
    m_alarmWindow->show();
    m_alarmWindow->raise();
    m_alarmWindow->activateWindow();
}

void Form1::buildLanguage()
{
    QToolButton *button =
        statusButton("languageButton", QCoreApplication::translate("Form1", "语言"));
    button->setToolTip(QCoreApplication::translate("Form1", "面板的语言，下次启动时生效"));
    button->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(button);
    menu->setObjectName(QStringLiteral("languageMenu"));
    auto *choices = new QActionGroup(menu);
    // What the next start will use: the setting when there is one, else what runs now.
    const Language next =
        m_platform.settingsFile.isEmpty()
            ? Languages::current()
            : Languages::setting(m_platform.settingsFile).value_or(Languages::current());
    for (const Language language : {Language::Chinese, Language::English}) {
        QAction *choice = menu->addAction(Languages::ownName(language));
        choice->setObjectName(Languages::name(language));
        choice->setCheckable(true);
        choice->setChecked(language == next);
        choices->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, language] { chooseLanguage(language); });
    }
    button->setMenu(menu);
}

void Form1::chooseLanguage(Language language)
{
    const QString title = QCoreApplication::translate("Form1", "语言");
    QString problem =
        QCoreApplication::translate("Form1", "这个面板没有设置文件"); // started without one
    if (m_platform.settingsFile.isEmpty() ||
        !Languages::saveSetting(m_platform.settingsFile, language, &problem)) {
        m_platform.dialogs->messageBox(
            QCoreApplication::translate("Form1", "语言设置没有保存：%1。").arg(problem), title);
        return;
    }
    // The window is laid out once, in one language: the choice holds from the next start.
    m_platform.dialogs->messageBox(
        QCoreApplication::translate("Form1", "面板的语言设为 %1，下次启动面板时生效。\r\n"
                                             "命令行选项 --language 优先于这个设置。")
            .arg(Languages::ownName(language)),
        title);
}

void Form1::buildProgram()
{
    // What the program sends by itself goes to the link unattended; what the operator starts
    // goes through the keys' sender, with its refusals and messages.
    m_program = new ProgramRunner(*m_gate, *m_link, this);
    m_program->setClock([this] { return m_link->clockNow(); });
    m_program->setJournal(m_runJournal);
    m_program->setLinkOpen([this] { return m_link->pumpState().link() == PumpState::Link::Open; });
    m_program->setCommandNote([this](const QString &note) { m_runJournal->setCommandNote(note); });
    // After the owed STOP and the first poll the opening sends.
    connect(m_link, &PumpLink::opened, m_program, &ProgramRunner::portOpened, Qt::QueuedConnection);
    const QString late = QStringLiteral("program-late");
    connect(m_program, &ProgramRunner::stepLate, this, [this, late](int number, qint64 ms) {
        m_alarms.raise(late, AlarmList::Priority::Medium,
                       QCoreApplication::translate("Form1", "程序第 %1 步晚了 %2 秒开始")
                           .arg(number)
                           .arg(secondsText(ms)));
    });
    connect(m_program, &ProgramRunner::stepStarted, this,
            [this, late](int number, const MethodStep &step) {
                m_alarms.clear(late);
                const bool own = step.high || step.low;
                m_guard->useStepLimits(
                    own ? std::optional(stepLimits(m_guard->settings(), step)) : std::nullopt,
                    QCoreApplication::translate("Form1", "程序第 %1 步").arg(number));
            });
    connect(m_program, &ProgramRunner::ended, this, [this, late] {
        m_alarms.clear(late);
        m_guard->useStepLimits(std::nullopt, QCoreApplication::translate("Form1", "程序结束"));
    });
    connect(m_guard, &PressureGuard::tripped, m_program, &ProgramRunner::endByTrip);
    m_timedRun->setRefusal([this] {
        return m_program->isActive()
                   ? QCoreApplication::translate(
                         "Form1", "程序正在运行，定时运行不能开始。请先在“程序”窗口停止程序。")
                   : QString();
    });

    m_programButton = statusButton("programButton", QCoreApplication::translate("Form1", "程序"));
    connect(m_programButton, &QToolButton::clicked, this, &Form1::openProgram);
    m_programTick.setInterval(1000);
    connect(&m_programTick, &QTimer::timeout, this, &Form1::showProgramState);
    connect(m_program, &ProgramRunner::changed, this, &Form1::showProgramState);
}

void Form1::showProgramState()
{
    const bool active = m_program->isActive();
    if (active != m_programTick.isActive())
        active ? m_programTick.start() : m_programTick.stop();
    const QString text = ProgramWindow::shortProgress(*m_program);
    if (text != m_programButton->text())
        m_programButton->setText(text);
    const ProgramRunner::Progress at = m_program->progress();
    m_programButton->setToolTip(
        active ? QCoreApplication::translate("Form1", "第 %1/%2 步 %3，本步剩 %4，全部剩 %5")
                     .arg(at.index + 1)
                     .arg(at.count)
                     .arg(at.name, clockDuration(at.leftInStep), clockDuration(at.leftInProgram))
               : QCoreApplication::translate("Form1", "程序：定时步骤的序列"));
}

void Form1::openProgram()
{
    if (!m_programWindow) {
        m_programWindow =
            std::make_unique<ProgramWindow>(*m_program, [this] { return m_guard->settings(); });
        m_programWindow->setAttribute(Qt::WA_QuitOnClose, false);
        connect(m_programWindow.get(), &ProgramWindow::startRequested, this, &Form1::startProgram);
        connect(m_programWindow.get(), &ProgramWindow::problem, this, [this](const QString &text) {
            m_platform.dialogs->messageBox(text, QCoreApplication::translate("Form1", "程序"));
        });
    }
    m_programWindow->show();
    m_programWindow->raise();
    m_programWindow->activateWindow();
}

void Form1::startProgram(const Method &method, const QString &file, const QByteArray &content)
{
    QString refusal;
    if (m_timedRun->isCounting())
        refusal = QCoreApplication::translate("Form1",
                                              "定时运行正在计时，程序不能开始。请先结束定时运行。");
    else if (const QString trip = m_guard->latchedText(); !trip.isEmpty())
        refusal = Messages::runLatched(trip);
    if (!refusal.isEmpty()) {
        m_runJournal->note(QStringLiteral("refused"),
                           QCoreApplication::translate("Form1", "程序开始：") + refusal);
        m_platform.dialogs->messageBox(refusal, QCoreApplication::translate("Form1", "程序"));
        return;
    }
    // A ramp in the first step starts from the setpoints the pump reports.
    const PumpState &pump = m_link->pumpState();
    auto reported = [&pump](PumpState::Value value, double otherwise) {
        const std::optional<double> number = textToDouble(pump.caption(value));
        return pump.reported(value).seen && number ? *number : otherwise;
    };
    m_program->start(
        method, file, content, reported(PumpState::Value::SetFlow, 0),
        reported(PumpState::Value::SetPressure, Frames::rule(Frames::Setpoint::Pressure).limit));
}

void Form1::openProtection()
{
    if (!m_protectionWindow) {
        m_protectionWindow = std::make_unique<ProtectionWindow>();
        m_protectionWindow->setAttribute(Qt::WA_QuitOnClose, false);
        connect(m_protectionWindow.get(), &ProtectionWindow::applied, this,
                [this](const Limits &limits) {
                    m_guard->setLimits(limits);
                    m_protectionWindow->showLimits(limits);
                    m_protectionButton->setToolTip(
                        QCoreApplication::translate("Form1", "保护设定：") + limits.describe());
                    QString problem;
                    if (!m_platform.settingsFile.isEmpty() &&
                        !LimitStore::write(m_platform.settingsFile, limits, &problem))
                        m_platform.dialogs->messageBox(Messages::settingsNotSaved(problem),
                                                       Messages::protectionTitle());
                });
    }
    // What the operator is typing in an open window stays; a new look shows what is in force.
    if (!m_protectionWindow->isVisible())
        m_protectionWindow->showLimits(m_guard->limits());
    m_protectionWindow->show();
    m_protectionWindow->raise();
    m_protectionWindow->activateWindow();
}

void Form1::fitBanner()
{
    auto *body = static_cast<WindowBody *>(centralWidget());
    const int banner = body->bannerHeight(body->width());
    if (banner == m_bannerHeight) {
        body->place();
        return;
    }
    // The window grows or shrinks by the banner; the client area keeps its size.
    const int change = banner - m_bannerHeight;
    m_bannerHeight = banner;
    resize(width(), height() + change);
    body->place();
}

void Form1::openHistory()
{
    RunLog &log = m_runJournal->log();
    if (!m_history) {
        m_history = std::make_unique<HistoryWindow>(m_platform.runLogFolder,
                                                    QStringLiteral(PUMPPANEL_VERSION));
        // The program ends with the panel's window, as it always has.
        m_history->setAttribute(Qt::WA_QuitOnClose, false);
        connect(&log, &RunLog::rowWritten, m_history.get(), &HistoryWindow::rowWritten);
        // A new log (通信 again, midnight) is followed when the window follows the current one.
        connect(&log, &RunLog::fileStarted, m_history.get(),
                [this](const QString &path, bool continues) {
                    if (m_history->isLive() || m_history->logPath().isEmpty())
                        m_history->followFile(path, continues);
                });
        if (!log.currentFile().isEmpty())
            m_history->openLog(log.currentFile(), log.isRunning());
    }
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

QLabel *Form1::ReadoutLabels::operator[](Readout readout) const
{
    switch (readout) {
    case Readout::CurrentPressure:
        return LcurrP;
    case Readout::SetPressure:
        return LsetP;
    case Readout::SetFlow:
        return LsetF;
    case Readout::EntryState:
        return LSetState;
    case Readout::RunState:
        return Lstate;
    }
    Q_UNREACHABLE();
}

QTimer *Form1::Timer2()
{
    return m_link->Timer2();
}

void Form1::buildLabels()
{
    for (const LabelLayout &layout : labelLayouts) {
        QLabel *label = plainLabel(QString(), m_surface);
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
        if (layout.text)
            label->setText(QCoreApplication::translate("Form1", layout.text));
        if (layout.readout)
            m_readoutLabels.*layout.readout = label;
        if (layout.elapsed)
            m_elapsed.*layout.elapsed = label;
    }
    for (const Readout readout : {Readout::CurrentPressure, Readout::SetPressure, Readout::SetFlow,
                                  Readout::EntryState, Readout::RunState})
        m_readoutLabels[readout]->setText(m_readoutView.caption(readout));
}

void Form1::buildKeypad()
{
    m_keys = new QButtonGroup(this);
    QWidget *previous = nullptr;
    for (const KeyLayout &layout : keyLayouts) {
        const QString picture =
            QStringLiteral(":/images/%1.png").arg(QLatin1String(layout.picture));
        auto *key = new PictureButton(QLatin1String(layout.name), picture, m_surface);
        key->setAccessibleName(QLatin1String(layout.accessibleName));
        key->setGeometry(twipsRect(keyColumns[layout.column], keyRows[layout.row], 615, 375));
        if (layout.key == Key::Stop)
            key->setToolTip(QCoreApplication::translate(
                "Form1", "停止泵。F12 在面板的每个窗口中都能停止泵，不需要鼠标，也不再询问。"));
        m_keys->addButton(key, int(layout.key));
        if (previous)
            setTabOrder(previous, key);
        previous = key;
    }
    connect(m_keys, &QButtonGroup::idClicked, this, [this](int id) { keyClicked(Key(id)); });
}

void Form1::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto addMenu = [](auto *owner, const char *name, const char *caption) {
        QMenu *menu = owner->addMenu(QCoreApplication::translate("Form1", caption));
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name));
        return menu;
    };
    auto addEntry = [](auto *owner, const char *name, const char *caption) {
        QAction *action = owner->addAction(QCoreApplication::translate("Form1", caption));
        action->setObjectName(QLatin1String(name));
        return action;
    };

    auto onClick = [this](QAction *entry, auto handler) {
        connect(entry, &QAction::triggered, this, handler);
    };

    m_file = addMenu(bar, "file", QT_TRANSLATE_NOOP("Form1", "文件(F)"));
    onClick(addEntry(m_file, "save", QT_TRANSLATE_NOOP("Form1", "保存")),
            [this] { m_recordSave->save_Click(); });
    onClick(addEntry(m_file, "print", QT_TRANSLATE_NOOP("Form1", "打印")), [this] {
        printTestPage(*m_platform.CommonDialog1, *m_platform.dialogs, m_runJournal);
    });
    onClick(addEntry(m_file, "end", QT_TRANSLATE_NOOP("Form1", "退出")),
            [this] { emit endRequested(); });

    m_settime = addMenu(bar, "settime", QT_TRANSLATE_NOOP("Form1", "定时(T)"));
    onClick(addEntry(m_settime, "stset", QT_TRANSLATE_NOOP("Form1", "设定")),
            [this] { m_timedRun->stset_Click(); });
    QMenu *operation = addMenu(m_settime, "operation", QT_TRANSLATE_NOOP("Form1", "操作"));
    onClick(addEntry(operation, "ststart", QT_TRANSLATE_NOOP("Form1", "开始")),
            [this] { m_timedRun->ststart_Click(); });
    onClick(addEntry(operation, "stzanting", QT_TRANSLATE_NOOP("Form1", "暂停")),
            [this] { m_timedRun->stzanting_Click(); });
    onClick(addEntry(operation, "stcontiune", QT_TRANSLATE_NOOP("Form1", "继续")),
            [this] { m_timedRun->stcontiune_Click(); });
    onClick(addEntry(operation, "stend", QT_TRANSLATE_NOOP("Form1", "结束")),
            [this] { m_timedRun->stend_Click(); });

    m_Pump = addMenu(bar, "Pump", QT_TRANSLATE_NOOP("Form1", "泵(O)"));
    onClick(addEntry(m_Pump, "run", QT_TRANSLATE_NOOP("Form1", "运行")),
            [this] { m_runControl->run_Click(); });
    onClick(addEntry(m_Pump, "stop", QT_TRANSLATE_NOOP("Form1", "停止")),
            [this] { m_runControl->stop_Click(); });

    m_seting = addMenu(bar, "seting", QT_TRANSLATE_NOOP("Form1", "设定(S)"));
    onClick(addEntry(m_seting, "liquid", QT_TRANSLATE_NOOP("Form1", "流量")),
            [this] { m_setpointDialogs->liquid_Click(); });
    onClick(addEntry(m_seting, "pressure", QT_TRANSLATE_NOOP("Form1", "压力")),
            [this] { m_setpointDialogs->pressure_Click(); });
    onClick(addEntry(m_seting, "Pump_NO", QT_TRANSLATE_NOOP("Form1", "泵编号")),
            [this] { m_setpointDialogs->Pump_NO_Click(); });

    onClick(addEntry(bar, "Communication", QT_TRANSLATE_NOOP("Form1", "通信")),
            [this] { Communication_Click(); });

    m_rightkey = addMenu(bar, "rightkey", QT_TRANSLATE_NOOP("Form1", "右键"));
    m_rightkey->menuAction()->setVisible(false);
    onClick(addEntry(m_rightkey, "rrun", QT_TRANSLATE_NOOP("Form1", "运行")),
            [this] { m_runControl->rrun_Click(); });
    onClick(addEntry(m_rightkey, "rstop", QT_TRANSLATE_NOOP("Form1", "停止")),
            [this] { m_runControl->rstop_Click(); });

    addEntry(bar, "help", QT_TRANSLATE_NOOP("Form1", "帮助(H)"));
}

void Form1::refreshStatus()
{
    m_linkWatch->refresh();
}

void Form1::keyClicked(Key key)
{
    switch (key) {
    case Key::Digit0:
    case Key::Digit1:
    case Key::Digit2:
    case Key::Digit3:
    case Key::Digit4:
    case Key::Digit5:
    case Key::Digit6:
    case Key::Digit7:
    case Key::Digit8:
    case Key::Digit9:
        m_keypad->typeDigit(char('0' + int(key) - int(Key::Digit0)));
        break;
    case Key::Up:
    case Key::Down:
        // The arrows share the key 0's handler and type "0" as it does.
        m_keypad->typeDigit('0');
        break;
    case Key::L:
        m_keypad->Cmdl_Click();
        break;
    case Key::P:
        m_keypad->Cmdp_Click();
        break;
    case Key::Run:
        m_runControl->Cmdr_Click();
        break;
    case Key::Stop:
        m_runControl->Cmds_Click();
        break;
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
    for (QLabel *label : {m_elapsed.lhour, m_elapsed.lmin, m_elapsed.lsed, m_elapsed.Label1,
                          m_elapsed.Label2, m_elapsed.Label3})
        label->hide();
}

void Form1::Form_MouseDown(Qt::MouseButton button, QPoint globalPosition)
{
    // The popup's entries send frames, so it does not open before the port does.
    if (button == Qt::RightButton && m_rightkey->isEnabled())
        m_rightkey->popup(globalPosition);
}

void Form1::Form_Unload()
{
    m_platform.MSComm1->close();
    m_runJournal->portClosed(
        m_endReason.isEmpty() ? QCoreApplication::translate("Form1", "串口已关闭") : m_endReason);
}

void Form1::endBySystem(const QString &reason)
{
    m_endReason = QCoreApplication::translate("Form1", "串口已关闭：%1").arg(reason);
    close();
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
        m_runJournal->note(QStringLiteral("refused"),
                           QCoreApplication::translate("Form1", "通信：%1").arg(answer));
        m_platform.dialogs->messageBox(Messages::invalidPort(answer), Messages::linkTitle());
        return;
    case PumpLink::OpenOutcome::OpenFailed:
    case PumpLink::OpenOutcome::SettingsRefused:
        // A port kept open goes on being polled; nothing about it changes here.
        m_runJournal->note(QStringLiteral("open-failed"), Messages::openFailed(result));
        m_platform.dialogs->messageBox(Messages::openFailed(result), Messages::linkTitle());
        return;
    case PumpLink::OpenOutcome::Opened:
        break;
    }
    for (QMenu *menu : {m_file, m_settime, m_Pump, m_rightkey, m_seting})
        setMenuEnabled(menu, true);
    m_runJournal->portOpened(result.device);
    if (const QString notice = std::exchange(m_lastRunNotice, QString()); !notice.isEmpty())
        m_runJournal->note(QStringLiteral("alarm"),
                           AlarmWatch::uncleanEnd + QLatin1Char(' ') + notice);
    m_guard->logStarted();
    m_link->startPoll(); // an owed STOP goes out first
}

void Form1::showReply(const Reply &reply)
{
    storeReading(reply);
    m_readoutView.showReported(reply.target(), m_link->pumpState(), m_keypad->entryField());
    m_trend->step(m_readoutView.caption(Readout::CurrentPressure));
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
                                           QCoreApplication::translate("Form1", "存储数据"));
        },
        Qt::QueuedConnection);
}

void Form1::reportLinkLost(const QString &reason)
{
    // Told after the port's own notification has returned, not from inside it.
    const QString device = m_link->device();
    QMetaObject::invokeMethod(
        this,
        [this, device, reason] {
            // One box at a time: a further loss while it is open is told by the alarm.
            if (m_lossBoxOpen)
                return;
            m_lossBoxOpen = true;
            m_platform.dialogs->messageBox(Messages::linkLost(device, reason),
                                           Messages::linkTitle());
            m_lossBoxOpen = false;
        },
        Qt::QueuedConnection);
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}
