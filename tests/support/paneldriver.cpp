#include "paneldriver.h"

#include "picturebutton.h"
#include "protectionwindow.h"
#include "pumplink.h"
#include "pumpport.h"
#include "runjournal.h"
#include "runlogformat.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

PanelDriver::PanelDriver(PumpPort &port)
    : PanelDriver(port, Given())
{}

PanelDriver::PanelDriver(PumpPort &port, Given given)
    : m_port(port)
    , m_runLogFolder(given.runLogFolder.isEmpty() ? m_runLogs.path() + QStringLiteral("/runs")
                                                  : given.runLogFolder)
    , m_settingsFile(given.settingsFile.isEmpty()
                         ? m_runLogs.path() + QStringLiteral("/pumppanel.ini")
                         : given.settingsFile)
{
    Dialogs *dialogs = given.dialogs ? given.dialogs : &m_dialogs;
    RecordFile *recordFile = given.recordFile ? given.recordFile : &m_recordFile;
    KeepAwake *awake = given.awake ? given.awake : &m_awake;
    m_form = std::make_unique<Form1>(
        Platform{&m_port, dialogs, &m_printer, recordFile, runLogFolder(), awake, m_settingsFile});
}

PanelDriver::~PanelDriver() = default;

QLabel *PanelDriver::label(const QString &objectName, int index) const
{
    for (QLabel *candidate : m_form->findChildren<QLabel *>(objectName)) {
        if (index < 0 || candidate->property("index").toInt() == index)
            return candidate;
    }
    return nullptr;
}

QString PanelDriver::caption(const QString &objectName) const
{
    const QLabel *shown = label(objectName);
    return shown ? shown->text() : QString();
}

PictureButton *PanelDriver::key(const QString &accessibleName) const
{
    for (PictureButton *candidate : m_form->findChildren<PictureButton *>()) {
        if (candidate->accessibleName() == accessibleName)
            return candidate;
    }
    return nullptr;
}

QAction *PanelDriver::action(const QString &objectName) const
{
    return m_form->findChild<QAction *>(objectName);
}

bool PanelDriver::press(const QStringList &accessibleNames)
{
    for (const QString &name : accessibleNames) {
        PictureButton *pressed = key(name);
        if (!pressed) {
            qWarning("PanelDriver: no key named \"%s\"", qPrintable(name));
            return false;
        }
        QTest::mouseClick(pressed, Qt::LeftButton);
    }
    return true;
}

bool PanelDriver::trigger(const QString &objectName)
{
    QAction *entry = action(objectName);
    if (!entry) {
        qWarning("PanelDriver: no menu entry named \"%s\"", qPrintable(objectName));
        return false;
    }
    entry->trigger();
    return true;
}

bool PanelDriver::openPort(const QString &answer, Polling polling)
{
    m_dialogs.answers << answer;
    if (!trigger(QStringLiteral("Communication")))
        return false;
    if (!m_port.isOpen()) {
        qWarning("PanelDriver: the answer \"%s\" did not open a port: %s", qPrintable(answer),
                 qPrintable(lastMessage()));
        return false;
    }
    if (polling == Polling::ByTest)
        stopPolling();
    return true;
}

bool PanelDriver::setLimits(const QString &high, const QString &low, const QString &delay,
                            bool pauseTimedRun)
{
    m_form->openProtection();
    ProtectionWindow *window = m_form->protectionWindow();
    for (auto [field, text] : {std::pair{window->highField(), high},
                               {window->lowField(), low},
                               {window->delayField(), delay}}) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }
    window->pauseBox()->setChecked(pauseTimedRun);
    if (!window->applyButton()->isEnabled()) {
        qWarning("PanelDriver: 保护设定 does not take %s, %s, %s", qPrintable(high),
                 qPrintable(low), qPrintable(delay));
        return false;
    }
    window->applyButton()->click();
    return true;
}

void PanelDriver::stopPolling()
{
    m_form->Timer2()->stop();
}

qint64 PanelDriver::accepted() const
{
    return m_form->link()->status().repliesAccepted;
}

bool PanelDriver::waitForAccepted(qint64 total, int timeout)
{
    if (QTest::qWaitFor([&] { return accepted() == total; }, timeout))
        return true;
    qWarning("PanelDriver: %lld replies accepted, not %lld", static_cast<long long>(accepted()),
             static_cast<long long>(total));
    return false;
}

bool PanelDriver::poll(qint64 total, int timeout)
{
    m_form->link()->pollNow();
    return waitForAccepted(total, timeout);
}

QString PanelDriver::lastMessage() const
{
    return m_dialogs.messages.isEmpty() ? QString() : m_dialogs.messages.constLast().text;
}

QStringList PanelDriver::logDetails(const QString &event) const
{
    QStringList details;
    const QByteArray log = readAll(m_form->runJournal().log().currentFile());
    for (const QStringList &row : RunLogFormat::rows(log)) {
        if (row.at(RunLogFormat::Event) == event)
            details << row.at(RunLogFormat::Detail);
    }
    return details;
}

void PanelBench::makePanel()
{
    dropPanel();
    m_port = std::make_unique<FakePumpPort>();
    m_panel = std::make_unique<PanelDriver>(*m_port);
    m_form = &m_panel->form();
    m_now = 0;
    m_form->link()->setClock([this] { return m_now; });
}

void PanelBench::dropPanel()
{
    m_panel.reset();
    m_port.reset();
    m_form = nullptr;
}
