#pragma once

#include "fakedialogs.h"
#include "fakekeepawake.h"
#include "fakeprinter.h"
#include "fakepumpport.h"
#include "fakerecordfile.h"
#include "form1.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class PictureButton;
class PumpPort;
class QAction;
class QLabel;

// The main window as tests and measuring programs drive it: made on the port it is given, with
// stand-ins for the operator's dialogs, the printer and the record file, and driven by the names
// an operator would know it by (labels and menu entries by object name, keys by accessible
// name). Checks stay with the caller: the helpers return false, and warn why, when what they
// were to do did not happen.
class PanelDriver
{
public:
    // Real or other stand-ins in place of the driver's own fakes.
    struct Given
    {
        Dialogs *dialogs = nullptr; // then dialogs() stays unused and these answer the prompts
        RecordFile *recordFile = nullptr;
        QString runLogFolder; // kept after the driver is gone, for a child process's parent
        KeepAwake *awake = nullptr;
        QString settingsFile; // else one in the driver's own temporary folder
    };

    // The port must outlive the driver.
    explicit PanelDriver(PumpPort &port);
    PanelDriver(PumpPort &port, Given given);
    ~PanelDriver();
    PanelDriver(const PanelDriver &) = delete;
    PanelDriver &operator=(const PanelDriver &) = delete;

    Form1 &form() const { return *m_form; }
    PumpPort &port() const { return m_port; }
    FakeDialogs &dialogs() { return m_dialogs; }
    FakePrinter &printer() { return m_printer; }
    FakeRecordFile &recordFile() { return m_recordFile; }
    FakeKeepAwake &awake() { return m_awake; }
    // Where the window's run logs go.
    QString runLogFolder() const { return m_runLogFolder; }
    // The panel's settings file, never the operator's own.
    QString settingsFile() const { return m_settingsFile; }

    // The labels of a group (Label4, Label5) are told apart by their index; -1 takes the first.
    QLabel *label(const QString &objectName, int index = -1) const;
    // The text of the label, or an empty text when there is no such label.
    QString caption(const QString &objectName) const;
    // Three keys share the object name "Cmd0"; the accessible name tells every key apart.
    PictureButton *key(const QString &accessibleName) const;
    QAction *action(const QString &objectName) const;

    // Clicks the keys with the mouse, in order; false if one of them is missing.
    bool press(const QStringList &accessibleNames);
    // Triggers the menu entry, as a click on it does; false if there is none of that name.
    bool trigger(const QString &objectName);

    // Who polls once the port is open: the link's timer, or the test, by hand (stopPolling).
    enum class Polling { ByTimer, ByTest };
    // Chooses 通信 and gives the driver's FakeDialogs `answer` for the prompt; true if the port
    // is open afterwards.
    bool openPort(const QString &answer, Polling polling = Polling::ByTimer);
    // Types the pressure limits into 保护设定 as the operator does ("" is off) and applies
    // them; false, and nothing applied, when 应用 does not take them.
    bool setLimits(const QString &high, const QString &low, const QString &delay = "60",
                   bool pauseTimedRun = true);
    // Stops the poll timer: a test makes each poll itself, and the timer would add its own.
    void stopPolling();
    // Replies the link has accepted since the window was made.
    qint64 accepted() const;
    // Waits, handling events, until exactly `total` replies have been accepted.
    bool waitForAccepted(qint64 total, int timeout = 5000);
    // One status poll, as Timer2 makes it, and the wait for `total` accepted replies.
    bool poll(qint64 total, int timeout = 5000);
    // The detail of every row of `event` in the current run log, in order.
    QStringList logDetails(const QString &event) const;
    // The text of the last message box shown, for failure reports.
    QString lastMessage() const;

private:
    PumpPort &m_port;
    FakeDialogs m_dialogs;
    FakePrinter m_printer;
    FakeRecordFile m_recordFile;
    FakeKeepAwake m_awake;
    QTemporaryDir m_runLogs; // never the operator's own folder
    QString m_runLogFolder;
    QString m_settingsFile;
    std::unique_ptr<Form1> m_form;
};

// What the window tests start from: the window on a stand-in port, its link on a clock the test
// sets (m_now, ms). A test class derives from it beside QObject.
class PanelBench
{
protected:
    // A new window on a new port, the one before gone first.
    void makePanel();
    void dropPanel();

    std::unique_ptr<FakePumpPort> m_port;
    std::unique_ptr<PanelDriver> m_panel;
    Form1 *m_form = nullptr;
    qint64 m_now = 0;
};
