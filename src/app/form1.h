#pragma once

#include "alarmlist.h"
#include "language.h"
#include "method.h"
#include "pumpnumber.h"
#include "readouts.h"
#include "recordstore.h"
#include "timedrun.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class AlarmBanner;
class AlarmWatch;
class AlarmWindow;
class Dialogs;
class KeepAwake;
class HistoryWindow;
class KeypadEntry;
class LinkWatch;
class PictureBox;
class PressureGuard;
class ProgramRunner;
class ProgramWindow;
class ProtectionWindow;
class RunGate;
class PressureTrend;
class Printer;
class PumpLink;
class PumpPort;
class QButtonGroup;
class QLabel;
class QMenu;
class QToolButton;
class RecordFile;
class RecordSave;
class RunControl;
class RunJournal;
class SetpointDialogs;
class Surface;
class TellingSender;

// What the window talks to outside itself.
struct Platform
{
    PumpPort *MSComm1 = nullptr;
    Dialogs *dialogs = nullptr;
    Printer *CommonDialog1 = nullptr; // the printer dialog and the printer
    RecordFile *recordFile = nullptr;
    QString runLogFolder;       // where the run logs go
    KeepAwake *awake = nullptr; // keeps the computer awake while the pump may run
    QString settingsFile;       // the panel's own settings; none: nothing is kept
};

class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    // The sixteen keys of the keypad.
    enum class Key {
        Digit0,
        Digit1,
        Digit2,
        Digit3,
        Digit4,
        Digit5,
        Digit6,
        Digit7,
        Digit8,
        Digit9,
        Up,
        Down,
        L,
        P,
        Run,
        Stop,
    };

    // The labels that show the readouts.
    struct ReadoutLabels
    {
        QLabel *LcurrP = nullptr;
        QLabel *LsetP = nullptr;
        QLabel *LsetF = nullptr;
        QLabel *LSetState = nullptr;
        QLabel *Lstate = nullptr;

        QLabel *operator[](Readout readout) const;
    };

    explicit Form1(const Platform &platform, QWidget *parent = nullptr);
    ~Form1() override;

    QTimer *Timer1() { return m_timedRun->Timer1(); }
    QTimer *Timer2();
    QMenu *rightkey() const { return m_rightkey; }
    PumpLink *link() const { return m_link; }
    const KeypadEntry &keypad() const { return *m_keypad; }
    const SetpointDialogs &setpointDialogs() const { return *m_setpointDialogs; }
    const TimedRun &timedRun() const { return *m_timedRun; }
    const PressureTrend &trend() const { return *m_trend; }
    const PumpNumber &pumpNumber() const { return m_pumpNumber; }
    const RecordStore &records() const { return m_records; }
    const ReadoutView &readouts() const { return m_readoutView; }
    const LinkWatch &linkWatch() const { return *m_linkWatch; }
    RunJournal &runJournal() const { return *m_runJournal; }
    AlarmList &alarms() { return m_alarms; }
    const AlarmBanner &alarmBanner() const { return *m_banner; }
    // Opens the alarm window, or raises it; the banner's 详情 and the status bar's 报警 do this.
    void openAlarms();
    AlarmWindow *alarmWindow() const { return m_alarmWindow.get(); }
    // Opens 保护设定, or raises it; the status bar's 保护 does this.
    void openProtection();
    ProtectionWindow *protectionWindow() const { return m_protectionWindow.get(); }
    const PressureGuard &guard() const { return *m_guard; }
    // Opens 程序, or raises it; the status bar's 程序 does this.
    void openProgram();
    ProgramWindow *programWindow() const { return m_programWindow.get(); }
    ProgramRunner &program() const { return *m_program; }
    // The window's own client area, under the menu bar and above the banner.
    QWidget *clientArea() const;
    // Brings the status line up to date; a timer does so twice a second.
    void refreshStatus();
    // Opens the window of the run's history, or raises it; the status bar's 运行记录 and a
    // double-click on the trend box do this.
    void openHistory();
    HistoryWindow *historyWindow() const { return m_history.get(); }
    // The system ends the program (logout, shutdown, a signal): the window closes as when the
    // operator closes it, and the run log says why.
    void endBySystem(const QString &reason);

    // The client area's size in pixels and its place on the screen.
    static constexpr QSize clientSize() { return QSize(727, 502); }
    static constexpr QPoint clientPosition() { return QPoint(135, 141); }

signals:
    // The menu entry "退出" ends the program at once, without the unload step.
    void endRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLabels();
    void buildKeypad();
    void buildMenus();
    void placeWindow();

    void Form_Load();
    void Form_MouseDown(Qt::MouseButton button, QPoint globalPosition);
    void Form_Unload();
    void Communication_Click();
    void keyClicked(Key key);
    void showReply(const Reply &reply);
    void storeReading(const Reply &reply);
    void reportLinkLost(const QString &reason);
    void fitBanner();
    QToolButton *statusButton(const char *name, const QString &text);
    void buildProgram();
    // The status bar's 语言: the language of the next start, kept in the settings file.
    void buildLanguage();
    void chooseLanguage(Language language);
    void startProgram(const Method &method, const QString &file, const QByteArray &content);
    void showProgramState();

    Platform m_platform;
    AlarmList m_alarms;
    QString m_endReason;
    ReadoutView m_readoutView;
    PumpNumber m_pumpNumber;
    RecordStore m_records; // saveprcout and saveprdata: the stored pressure readings
    Surface *m_surface = nullptr;
    PictureBox *m_Picture1 = nullptr;
    ReadoutLabels m_readoutLabels;
    TimedRun::Display m_elapsed{};
    QButtonGroup *m_keys = nullptr;
    LinkWatch *m_linkWatch = nullptr;
    RunJournal *m_runJournal = nullptr;
    QMenu *m_file = nullptr;
    QMenu *m_settime = nullptr;
    QMenu *m_Pump = nullptr;
    QMenu *m_seting = nullptr;
    QMenu *m_rightkey = nullptr;
    PumpLink *m_link = nullptr;
    std::unique_ptr<TellingSender> m_keySender;
    std::unique_ptr<RunGate> m_gate; // the keys' and menus' sender: no RUN while a trip holds
    std::unique_ptr<KeypadEntry> m_keypad;
    std::unique_ptr<SetpointDialogs> m_setpointDialogs;
    std::unique_ptr<RunControl> m_runControl;
    std::unique_ptr<TimedRun> m_timedRun;
    std::unique_ptr<PressureTrend> m_trend;
    std::unique_ptr<ReadingRecorder> m_recorder;
    std::unique_ptr<RecordSave> m_recordSave;
    std::unique_ptr<HistoryWindow> m_history;
    AlarmWatch *m_alarmWatch = nullptr;
    AlarmBanner *m_banner = nullptr;
    int m_bannerHeight = 0;
    std::unique_ptr<AlarmWindow> m_alarmWindow;
    PressureGuard *m_guard = nullptr;
    std::unique_ptr<ProtectionWindow> m_protectionWindow;
    QToolButton *m_protectionButton = nullptr;
    ProgramRunner *m_program = nullptr;
    std::unique_ptr<ProgramWindow> m_programWindow;
    QToolButton *m_programButton = nullptr;
    QTimer m_programTick; // the status bar's 程序 follows a running program
    bool m_lossBoxOpen = false;
    QString m_lastRunNotice; // for the first log of this start
};
