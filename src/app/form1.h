#pragma once

#include "form1state.h"
#include "frames.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class CommControl;
class Dialogs;
class Printer;
class PressureTrend;
class RecordFile;
class ReadingRecorder;
class RecordSave;
class KeypadEntry;
class RunControl;
class TimedRun;
class SetpointDialogs;
class TellingSender;
class PictureBox;
class PictureButton;
class PumpLink;
class QLabel;
class QMenu;
class Surface;

// What the window talks to outside itself.
struct Platform
{
    CommControl *MSComm1 = nullptr;
    Dialogs *dialogs = nullptr;
    Printer *CommonDialog1 = nullptr; // the printer dialog and the printer
    RecordFile *recordFile = nullptr;
};

class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form1(const Platform &platform, QWidget *parent = nullptr);
    ~Form1() override;

    const Form1State &state() const { return m_state; }
    QTimer *Timer1() { return &m_Timer1; }
    QTimer *Timer2() { return &m_Timer2; }
    QMenu *rightkey() const { return m_rightkey; }
    PumpLink *link() const { return m_link; }
    // Brings the status line up to date; a timer does so twice a second.
    void refreshStatus();

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
    void wireKeypad();
    void placeWindow();

    void Form_Load();
    void Form_MouseDown(Qt::MouseButton button, QPoint globalPosition);
    void Form_Unload();
    void Communication_Click();
    void showReply(const Reply &reply);
    void storeReading(const Reply &reply);
    void reportLinkLost(const QString &reason);

    Platform m_platform;
    Form1State m_state;
    Surface *m_surface = nullptr;
    PictureBox *m_Picture1 = nullptr;
    QLabel *m_LcurrP = nullptr;
    QLabel *m_LsetP = nullptr;
    QLabel *m_LsetF = nullptr;
    QLabel *m_linkStatus = nullptr;
    QTimer m_statusTimer;
    QTimer m_Timer1;
    QTimer m_Timer2;
    QMenu *m_file = nullptr;
    QMenu *m_settime = nullptr;
    QMenu *m_Pump = nullptr;
    QMenu *m_seting = nullptr;
    QMenu *m_rightkey = nullptr;
    PumpLink *m_link = nullptr;
    std::unique_ptr<TellingSender> m_keySender;
    std::unique_ptr<KeypadEntry> m_keypad;
    std::unique_ptr<SetpointDialogs> m_setpointDialogs;
    std::unique_ptr<RunControl> m_runControl;
    std::unique_ptr<TimedRun> m_timedRun;
    std::unique_ptr<PressureTrend> m_trend;
    std::unique_ptr<ReadingRecorder> m_recorder;
    std::unique_ptr<RecordSave> m_recordSave;
};
