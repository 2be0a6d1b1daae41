#include "commandline.h"
#include "fakepumpport.h"
#include "form1.h"
#include "historywindow.h"
#include "language.h"
#include "messages.h"
#include "paneldriver.h"
#include "picturebutton.h"
#include "programwindow.h"
#include "protectionwindow.h"
#include "pumplink.h"
#include "qtdialogs.h"
#include "runjournal.h"
#include "runlog.h"
#include "runlogformat.h"
#include "testsupport.h"
#include "whenmodal.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>

namespace {

// The English translation with every line of every text 40 % longer: a window that holds these
// holds a language of longer words than English. Qt's own texts stay as they are.
class PseudoTranslator : public QTranslator
{
public:
    PseudoTranslator()
    {
        m_loaded = m_english.load(QStringLiteral(":/translations/pumppanel_en.qm"));
    }
    bool loaded() const { return m_loaded; }
    bool isEmpty() const override { return !m_loaded; }
    QString translate(const char *context, const char *source, const char *disambiguation,
                      int n) const override
    {
        const QString english = m_english.translate(context, source, disambiguation, n);
        QStringList lines = english.split(QLatin1Char('\n'));
        for (QString &line : lines) {
            // The padding goes before a line's trailing spaces and \r, which joins keep.
            qsizetype end = line.size();
            while (end > 0 && line.at(end - 1).isSpace())
                --end;
            // In words of five, so that a text that wraps still can.
            if (end > 0)
                line.insert(end, QStringLiteral(" xxxx").repeated(end).left((end * 2 + 4) / 5));
        }
        return lines.join(QLatin1Char('\n'));
    }

private:
    QTranslator m_english;
    bool m_loaded = false;
};

const QRegularExpression chinese(QStringLiteral("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}"
                                                "\\x{ff00}-\\x{ffef}]"));

QString where(const QWidget *widget)
{
    QStringList path;
    for (const QWidget *at = widget; at; at = at->parentWidget())
        path.prepend(at->objectName().isEmpty() ? QLatin1String(at->metaObject()->className())
                                                : at->objectName());
    return path.join(QLatin1Char('/'));
}

// What a widget shows, and whether it is cut: from its own geometry and font, as it is laid out.
struct Shown
{
    QString text;
    bool cut = false;
    QString how;
};

Shown label(const QLabel *label)
{
    const QString text = label->text();
    const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                      -label->margin(), -label->margin());
    QSize needed;
    if (label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        QTextDocument document;
        document.setDefaultFont(label->font());
        document.setDocumentMargin(0);
        document.setHtml(text);
        if (label->wordWrap())
            document.setTextWidth(room.width());
        needed =
            QSize(int(std::ceil(document.idealWidth())), int(std::ceil(document.size().height())));
    } else {
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0) |
                          Qt::TextExpandTabs;
        needed = label->fontMetrics().boundingRect(room, flags, text).size();
    }
    return {text, needed.width() > room.width() || needed.height() > room.height(),
            QStringLiteral("%1×%2 px in %3×%4")
                .arg(needed.width())
                .arg(needed.height())
                .arg(room.width())
                .arg(room.height())};
}

Shown button(const QAbstractButton *button)
{
    // A push or tool button draws its text centred, two pixels of frame either side; a check
    // box lays its text out beside the box, which its size hint holds.
    const bool plain =
        qobject_cast<const QPushButton *>(button) || qobject_cast<const QToolButton *>(button);
    const int needed = plain ? button->fontMetrics().horizontalAdvance(
                                   QString(button->text()).remove(QLatin1Char('&'))) +
                                   4
                             : button->sizeHint().width();
    return {button->text(), button->width() < needed,
            QStringLiteral("%1 px in %2").arg(needed).arg(button->width())};
}

Shown combo(const QComboBox *box)
{
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    const QSize text(box->fontMetrics().horizontalAdvance(box->currentText()),
                     box->fontMetrics().height());
    // Qt's own measure of the widest item, where the box takes it, may be a pixel narrower.
    const int needed =
        std::min(box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, box).width(),
                 box->sizeHint().width());
    return {box->currentText(), box->width() < needed,
            QStringLiteral("%1 px in %2").arg(needed).arg(box->width())};
}

// The header's and the table's own measures, which they keep protected: reached through a
// pointer to the member, named from a class that may name it, and called on the object itself.
struct OpenHeader : QHeaderView
{
    static QSize sectionSize(const QHeaderView *header, int section)
    {
        return (header->*(&OpenHeader::sectionSizeFromContents))(section);
    }
};
struct OpenTable : QTableWidget
{
    static int columnHint(const QTableView *table, int column)
    {
        return (table->*(&OpenTable::sizeHintForColumn))(column);
    }
};

// Every text the window shows that does not fit where it is, and (in a language other than
// Chinese) every text still in Chinese. A cut text for which `excused` answers true is left out.
using Excuse = std::function<bool(const QWidget *widget, const QString &text)>;
QStringList problems(const QWidget *top, bool wantChinese, const Excuse &excused = {})
{
    QStringList found;
    auto report = [&](const QWidget *widget, const Shown &shown) {
        if (shown.text.isEmpty())
            return;
        if (shown.cut && !(excused && excused(widget, shown.text)))
            found
                << QStringLiteral("cut: %1 \"%2\" (%3)").arg(where(widget), shown.text, shown.how);
        // The language menu names each language in its own words.
        if (!wantChinese && shown.text.contains(chinese) &&
            shown.text != Languages::ownName(Language::Chinese))
            found << QStringLiteral("Chinese: %1 \"%2\"").arg(where(widget), shown.text);
    };
    QList<QWidget *> widgets = top->findChildren<QWidget *>();
    widgets.prepend(const_cast<QWidget *>(top));
    for (const QWidget *widget : std::as_const(widgets)) {
        if (!widget->isVisibleTo(top) && widget != top)
            continue;
        if (widget == top || widget->isWindow())
            report(widget, {widget->windowTitle(), false, {}});
        if (const auto *text = qobject_cast<const QLabel *>(widget))
            report(widget, label(text));
        else if (const auto *push = qobject_cast<const QAbstractButton *>(widget))
            report(widget, button(push));
        else if (const auto *box = qobject_cast<const QComboBox *>(widget))
            report(widget, combo(box));
        else if (const auto *group = qobject_cast<const QGroupBox *>(widget))
            report(widget,
                   {group->title(),
                    group->fontMetrics().horizontalAdvance(group->title()) + 16 > group->width(),
                    {}});
        else if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
            report(widget, {edit->placeholderText(),
                            edit->fontMetrics().horizontalAdvance(edit->placeholderText()) >
                                edit->contentsRect().width() - 8,
                            {}});
        if (!widget->toolTip().isEmpty())
            report(widget, {widget->toolTip(), false, {}});
        if (const auto *header = qobject_cast<const QHeaderView *>(widget)) {
            for (int section = 0; section < header->count(); ++section) {
                if (header->isSectionHidden(section))
                    continue;
                const QString text =
                    header->model()->headerData(section, header->orientation()).toString();
                const QSize needed = OpenHeader::sectionSize(header, section);
                const int wanted =
                    header->orientation() == Qt::Horizontal ? needed.width() : needed.height();
                report(
                    widget,
                    {text, header->sectionSize(section) < wanted,
                     QStringLiteral("%1 px in %2").arg(wanted).arg(header->sectionSize(section))});
            }
        }
        if (const auto *table = qobject_cast<const QTableWidget *>(widget)) {
            const QFontMetrics metrics(table->font());
            for (int column = 0; column < table->columnCount(); ++column) {
                const int width = table->columnWidth(column);
                const int wanted = OpenTable::columnHint(table, column);
                for (int row = 0; row < table->rowCount(); ++row) {
                    const QTableWidgetItem *item = table->item(row, column);
                    if (!item)
                        continue;
                    if (!table->wordWrap()) {
                        report(widget, {item->text(), width < wanted,
                                        QStringLiteral("column %1: %2 px in %3")
                                            .arg(column)
                                            .arg(wanted)
                                            .arg(width)});
                        continue;
                    }
                    // Wrapped: each word within the column, and the row tall enough.
                    const QSize needed = metrics
                                             .boundingRect(QRect(0, 0, width - 8, 100000),
                                                           Qt::TextWordWrap, item->text())
                                             .size();
                    report(widget,
                           {item->text(),
                            needed.width() > width - 8 || needed.height() > table->rowHeight(row),
                            QStringLiteral("%1×%2 px in %3×%4")
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(width - 8)
                                .arg(table->rowHeight(row))});
                }
            }
        }
        if (const auto *bar = qobject_cast<const QMenuBar *>(widget)) {
            for (QAction *entry : bar->actions()) {
                if (!entry->isVisible())
                    continue;
                const QRect place = bar->actionGeometry(entry);
                report(widget, {entry->text(), place.isEmpty() || !bar->rect().contains(place),
                                QStringLiteral("beyond the bar")});
                if (entry->menu()) {
                    for (const QAction *inner : entry->menu()->actions())
                        report(widget, {inner->text(), false, {}});
                }
            }
        }
        if (const auto *tools = qobject_cast<const QToolBar *>(widget)) {
            // A bar too narrow for its buttons hides the rest behind its extension.
            const auto *more =
                tools->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
            report(widget, {tools->windowTitle(), more && more->isVisible(),
                            QStringLiteral("buttons hidden behind »")});
        }
    }
    return found;
}

} // namespace

// The panel in each of its languages: the captions it shows, that each text fits where it is
// shown, and where the language is chosen.
class TestLanguages : public QObject, PanelBench
{
    Q_OBJECT

private slots:
    void cleanup();

    void captionsInEachLanguage_data();
    void captionsInEachLanguage();
    void nothingIsCut_data();
    void nothingIsCut();
    void reportStaysOnThePage_data();
    void reportStaysOnThePage();
    void runLogKeepsItsWordsAndTellsInTheLanguage();
    void helpInEnglish();
    void languageToStartIn_data();
    void languageToStartIn();
    void theChoiceHoldsFromTheNextStart();

private:
    // The panel, made in `language` (a pseudo-translation on top of English when `pseudo`).
    void start(Language language, bool pseudo = false);
    // The port opened and the pump's answer to `replies` polls: 1.2 MPa, set 2.0 MPa, 250.
    bool answering(int replies);

    std::unique_ptr<PseudoTranslator> m_pseudo;
    QStringList m_chineseClientTexts;
};

void TestLanguages::start(Language language, bool pseudo)
{
    Languages::install(*qApp, language);
    if (pseudo) {
        m_pseudo = std::make_unique<PseudoTranslator>();
        QVERIFY(m_pseudo->loaded());
        QVERIFY(QCoreApplication::installTranslator(m_pseudo.get()));
    }
    makePanel();
}

bool TestLanguages::answering(int replies)
{
    if (!m_panel->openPort(QStringLiteral("/dev/ttyUSB0"), PanelDriver::Polling::ByTest))
        return false;
    for (int reply = 0; reply < replies; ++reply) {
        m_form->link()->pollNow();
        m_port->deliver("Q00N01.2YQ00P02.0YQ00L0250Y");
    }
    return true;
}

void TestLanguages::cleanup()
{
    dropPanel();
    if (m_pseudo)
        QCoreApplication::removeTranslator(m_pseudo.get());
    m_pseudo.reset();
    Languages::install(*qApp, Language::Chinese);
}

void TestLanguages::captionsInEachLanguage_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<QStringList>("menus");    // the menu bar, then 定时's entries
    QTest::addColumn<QStringList>("captions"); // the readouts' captions and the status buttons
    QTest::addColumn<QString>("stopTip");
    QTest::addColumn<QString>("message"); // the RUN key on a closed port
    QTest::newRow("zh_CN") << Language::Chinese
                           << QStringList{"文件(F)", "定时(T)", "泵(O)", "设定(S)",
                                          "通信",    "帮助(H)", "设定",  "操作"}
                           << QStringList{"当前压力", "设定压力", "设定流量", "报警",
                                          "运行记录", "保护",     "程序",     "语言"}
                           << "停止泵。F12"
                           << "串口未打开，命令没有发送。\r\n请先用“通信”打开串口。";
    QTest::newRow("en") << Language::English << QStringList{"File", "Timer", "Pump", "Settings",
                                                            "Port", "Help",  "Set",  "Operate"}
                        << QStringList{"Pressure", "Set pres", "Set flow", "Alarms",
                                       "Log",      "Limits",   "Program",  "Language"}
                        << "Stops the pump. F12"
                        << "Port not open, command not sent.\r\nOpen the port with \"Port\" first.";
}

void TestLanguages::captionsInEachLanguage()
{
    QFETCH(Language, language);
    QFETCH(QStringList, menus);
    QFETCH(QStringList, captions);
    QFETCH(QString, stopTip);
    QFETCH(QString, message);
    start(language);

    QStringList shownMenus;
    for (const QAction *entry : m_form->menuBar()->actions()) {
        if (entry->isVisible())
            shownMenus << entry->text();
    }
    for (const QAction *entry : m_panel->action(QStringLiteral("settime"))->menu()->actions())
        shownMenus << entry->text();
    QCOMPARE(shownMenus, menus);

    QStringList shownCaptions;
    for (int index = 0; index < 3; ++index)
        shownCaptions << m_panel->label(QStringLiteral("Label4"), index)->text();
    for (const char *name :
         {"alarmButton", "historyButton", "protectionButton", "programButton", "languageButton"})
        shownCaptions << m_form->findChild<QToolButton *>(QLatin1String(name))->text();
    QCOMPARE(shownCaptions, captions);
    // The keys are pictures: their names are the pump's own words, in every language.
    QVERIFY(m_panel->key(QStringLiteral("RUN")));
    QVERIFY2(m_panel->key(QStringLiteral("STOP"))->toolTip().startsWith(stopTip),
             qPrintable(m_panel->key(QStringLiteral("STOP"))->toolTip()));

    QVERIFY(m_panel->press({QStringLiteral("RUN")}));
    QCOMPARE(m_panel->lastMessage(), message);
}

void TestLanguages::nothingIsCut_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<bool>("pseudo");
    QTest::addColumn<QString>("state");
    const std::tuple<const char *, Language, bool> languages[] = {
        {"zh_CN", Language::Chinese, false},
        {"English", Language::English, false},
        {"English + 40 %", Language::English, true}};
    for (const auto &[name, language, pseudo] : languages) {
        for (const char *state : {"closed", "reconnecting, running"})
            QTest::addRow("%s, %s", name, state) << language << pseudo << state;
    }
}

void TestLanguages::nothingIsCut()
{
    QFETCH(Language, language);
    QFETCH(bool, pseudo);
    QFETCH(QString, state);
    const bool inChinese = language == Language::Chinese;
    // What the client area shows in Chinese, with the pump answering as below.
    start(Language::Chinese);
    QVERIFY(answering(1));
    m_chineseClientTexts.clear();
    for (const QLabel *label : m_form->clientArea()->findChildren<QLabel *>())
        m_chineseClientTexts << label->text();
    cleanup();

    start(language, pseudo);
    if (QTest::currentTestFailed())
        return;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    if (state != QLatin1String("closed")) {
        QVERIFY(answering(3));
        QVERIFY(m_panel->press({QStringLiteral("RUN")}));
        m_port->loseDevice(QStringLiteral("gone"));
        m_port->absent << QStringLiteral("/dev/ttyUSB0");
        for (int attempt = 0; attempt < 12; ++attempt)
            m_form->link()->reconnectNow();
        m_now = 123400;
        m_form->refreshStatus();
    }
    m_form->openAlarms();
    m_form->openHistory();
    m_form->openProtection();
    m_form->openProgram();
    // The reasons under the protection settings' fields, and a fault under the program's steps.
    const ProtectionWindow *protection = m_form->protectionWindow();
    QVERIFY(protection && m_form->programWindow());
    for (QLineEdit *field :
         {protection->highField(), protection->lowField(), protection->delayField()})
        field->setText(QStringLiteral("9x"));
    m_form->programWindow()
        ->stepTable()
        ->item(0, ProgramWindow::Duration)
        ->setText(QStringLiteral("x"));
    QCoreApplication::processEvents(); // every window lays itself out

    QStringList found;
    QCOMPARE(m_form->size().width(), Form1::clientSize().width());
    const QWidget *client = m_form->clientArea();
    const QWidget *bar = m_form->statusBar();
    found << problems(m_form, inChinese, [&](const QWidget *widget, const QString &text) {
        const bool inClient = client->isAncestorOf(widget);
        // A 40 % longer text cannot fit a label of the client area, which keeps its place and
        // size, nor the status bar, as wide as the client area: there the real translation is
        // checked, shortened where it must be.
        if (pseudo && (inClient || bar->isAncestorOf(widget)))
            return true;
        // The client area's values and units ("0250", " ml/m") are the same in every language:
        // whether they fit is the font's affair (SimSun on Windows), not the translation's.
        return inClient && m_chineseClientTexts.contains(text);
    });
    int windows = 0;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != m_form && window->isVisible()) {
            ++windows;
            found << problems(window, inChinese);
        }
    }
    QCOMPARE(windows, 4); // 报警, 运行记录, 保护设定, 程序

    // The panel's message and input boxes, with their longest texts.
    QtDialogs dialogs(m_form);
    auto check = [&found, inChinese](QWidget *modal) {
        QCoreApplication::processEvents();
        found << problems(modal, inChinese);
        QTest::keyClick(modal, Qt::Key_Escape);
    };
    PumpLink::OpenResult failure;
    failure.device = QStringLiteral("/dev/ttyUSB3");
    failure.failure.kind = OpenFailure::Kind::NoPermission;
    failure.failure.accessGroup = QStringLiteral("dialout");
    failure.availablePorts = {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0")};
    failure.keptDevice = QStringLiteral("/dev/ttyUSB0");
    whenModal(check);
    dialogs.messageBox(Messages::openFailed(failure), Messages::linkTitle());
    whenModal(check);
    dialogs.messageBox(Messages::stopOwed(FrameSender::Failure::PortClosed), Messages::linkTitle());
    // Every input box of the menus, and every message the panel gave meanwhile, as Qt shows them.
    const qsizetype before = m_panel->dialogs().inputs.size();
    for (const char *entry : {"liquid", "pressure", "Pump_NO", "stset", "Communication"})
        QVERIFY2(m_panel->trigger(QLatin1String(entry)), entry);
    const QList<FakeDialogs::Shown> inputs = m_panel->dialogs().inputs;
    QCOMPARE(inputs.size(), before + 5);
    for (const FakeDialogs::Shown &input : inputs) {
        whenModal(check);
        dialogs.inputBox(input.text, input.title, input.preset);
    }
    for (const FakeDialogs::Shown &message : m_panel->dialogs().messages) {
        whenModal(check);
        dialogs.messageBox(message.text, message.title);
    }

    QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
}

void TestLanguages::reportStaysOnThePage_data()
{
    QTest::addColumn<bool>("pseudo");
    QTest::newRow("English") << false;
    QTest::newRow("English + 40 %") << true;
}

void TestLanguages::reportStaysOnThePage()
{
    QFETCH(bool, pseudo);
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    start(Language::English, pseudo);
    QVERIFY(m_panel->setLimits(QStringLiteral("1.80"), QStringLiteral("0.20")));
    QVERIFY(answering(5));
    QVERIFY(m_panel->press({QStringLiteral("RUN")}));
    m_form->openHistory();
    const HistoryWindow *history = m_form->historyWindow();
    QVERIFY(history);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QString error;
    QVERIFY2(history->exportReport(pdf, false, &error), qPrintable(error));

    // Every word of the report with its place on the page, in points: none beyond the right
    // margin (15 mm), where the page would cut it.
    QProcess words;
    words.start(pdftotext, {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QVERIFY(words.waitForFinished(10000));
    const QString html = QString::fromUtf8(words.readAllStandardOutput());
    const QRegularExpressionMatch page =
        QRegularExpression(QStringLiteral("<page width=\"([0-9.]+)\"")).match(html);
    QVERIFY(page.hasMatch());
    const double right = page.captured(1).toDouble() - 15 / 25.4 * 72;
    int count = 0;
    QStringList beyond;
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"[0-9.]+\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>([^<]*)<"));
    for (auto match = word.globalMatch(html); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        ++count;
        if (found.captured(1).toDouble() > right + 0.5)
            beyond << found.captured(2);
    }
    QVERIFY2(count > 100, qPrintable(html.left(500)));
    QVERIFY2(beyond.isEmpty(), qPrintable(beyond.join(QLatin1Char(' '))));
    QVERIFY(html.contains(QLatin1String("Estimated")));
}

void TestLanguages::runLogKeepsItsWordsAndTellsInTheLanguage()
{
    start(Language::English);
    QVERIFY(answering(1));
    QVERIFY(m_panel->press({QStringLiteral("RUN")}));
    const QByteArray file = readAll(m_form->runJournal().log().currentFile());
    // The file's format: its columns and its event words.
    QVERIFY(file.startsWith(RunLogFormat::fileStart()));
    QStringList events;
    for (const QStringList &row : RunLogFormat::rows(file))
        events << row.at(RunLogFormat::Event);
    QVERIFY2(events.contains(QStringLiteral("opened")) &&
                 events.contains(QStringLiteral("command")),
             qPrintable(events.join(QLatin1Char(' '))));
    // Its details, in English.
    const QStringList opened = m_panel->logDetails(QStringLiteral("opened"));
    QCOMPARE(opened.size(), 1);
    QVERIFY2(opened.constFirst().startsWith(QLatin1String("Port /dev/ttyUSB0, 9600,n,8,1")),
             qPrintable(opened.constFirst()));
    for (const QStringList &row : RunLogFormat::rows(file))
        QVERIFY2(!row.at(RunLogFormat::Detail).contains(chinese),
                 qPrintable(row.join(QLatin1Char(','))));
}

void TestLanguages::helpInEnglish()
{
    Languages::install(*qApp, Language::English);
    QString out;
    QString err;
    QCOMPARE(runCommandLine(
                 {QStringLiteral("--language"), QStringLiteral("en"), QStringLiteral("--help")},
                 out, err),
             std::optional<int>(0));
    QVERIFY2(out.startsWith(QLatin1String("Usage: pumppanel [options]")), qPrintable(out));
    QVERIFY2(!out.contains(chinese), qPrintable(out));
    QVERIFY(out.contains(QLatin1String("--language en|zh_CN")));
    for (const QString &line : out.split(QLatin1Char('\n')))
        QVERIFY2(line.size() <= 100, qPrintable(line));
}

void TestLanguages::languageToStartIn_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("setting");  // what the settings file holds; empty: nothing
    QTest::addColumn<QString>("language"); // the one to start in; empty: the option is refused
    QTest::newRow("nothing") << QStringList() << ""
                             << "zh_CN";
    QTest::newRow("the system's locale has no say") << QStringList{"-platform", "offscreen"} << ""
                                                    << "zh_CN";
    QTest::newRow("the setting") << QStringList() << "en"
                                 << "en";
    QTest::newRow("the option") << QStringList{"--language", "en"} << ""
                                << "en";
    QTest::newRow("the option before the setting") << QStringList{"--language=zh_CN"} << "en"
                                                   << "zh_CN";
    QTest::newRow("a setting the panel cannot speak") << QStringList() << "fr"
                                                      << "zh_CN";
    QTest::newRow("an option it cannot") << QStringList{"--language", "fr"} << "en"
                                         << "";
    QTest::newRow("an option with no value") << QStringList{"--language"} << ""
                                             << "";
}

void TestLanguages::languageToStartIn()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, setting);
    QFETCH(QString, language);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pumppanel.ini"));
    if (!setting.isEmpty())
        QVERIFY(writeAll(file, "[panel]\nlanguage=" + setting.toUtf8() + '\n'));
    const Languages::Option option = Languages::fromArguments(arguments);
    if (language.isEmpty()) {
        QVERIFY(!option.problem.isEmpty());
        QString out;
        QString err;
        QCOMPARE(runCommandLine(arguments, out, err), std::optional<int>(2));
        QCOMPARE(err, option.problem + QLatin1Char('\n'));
        return;
    }
    QVERIFY2(option.problem.isEmpty(), qPrintable(option.problem));
    QCOMPARE(Languages::name(Languages::choose(option, file)), language);
}

void TestLanguages::theChoiceHoldsFromTheNextStart()
{
    start(Language::Chinese);
    auto *button = m_form->findChild<QToolButton *>(QStringLiteral("languageButton"));
    QVERIFY(button && button->menu());
    QAction *english = button->menu()->findChild<QAction *>(QStringLiteral("en"));
    QVERIFY(english && !english->isChecked());
    english->trigger();
    QCOMPARE(Languages::setting(m_panel->settingsFile()), std::optional(Language::English));
    QVERIFY2(m_panel->lastMessage().contains(utf8("下次启动面板时生效")),
             qPrintable(m_panel->lastMessage()));
    // This run goes on in Chinese; the protection settings in the same file are kept.
    QCOMPARE(m_panel->label(QStringLiteral("Label4"), 0)->text(), utf8("当前压力"));
    QVERIFY(m_panel->setLimits(QStringLiteral("1.80"), QString()));
    QCOMPARE(Languages::setting(m_panel->settingsFile()), std::optional(Language::English));

    // A settings file that cannot be written is told, and the choice is not taken.
    QFile::remove(m_panel->settingsFile());
    QVERIFY(QDir().mkpath(m_panel->settingsFile())); // a folder where the file should be
    button->menu()->findChild<QAction *>(QStringLiteral("zh_CN"))->trigger();
    QVERIFY2(m_panel->lastMessage().contains(utf8("语言设置没有保存")),
             qPrintable(m_panel->lastMessage()));
}

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"
