#include "qtdialogs.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <functional>

// Runs `answer` on the modal dialog once it is up.
static void whenModal(std::function<void(QWidget *)> answer)
{
    QTimer::singleShot(0, qApp, [answer] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        answer(modal);
    });
}

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void inputBoxShowsPromptTitleAndPreset();
    void inputBoxReturnsEditedText();
    void inputBoxCancelReturnsEmpty();
    void messageBoxHasOnlyOkAndNoIcon();
};

void TestDialogs::inputBoxShowsPromptTitleAndPreset()
{
    QtDialogs dialogs;
    QString title, preset, prompt;
    whenModal([&](QWidget *modal) {
        auto *input = qobject_cast<QInputDialog *>(modal);
        QVERIFY(input);
        title = input->windowTitle();
        preset = input->textValue();
        prompt = input->labelText();
        input->accept();
    });
    const QString answer = dialogs.inputBox(QString::fromUtf8("第一行 \r\n第二行"),
                                            QStringLiteral("Commport"), QStringLiteral("1"));
    QCOMPARE(title, QStringLiteral("Commport"));
    QCOMPARE(preset, QStringLiteral("1"));
    QCOMPARE(prompt, QString::fromUtf8("第一行 \n第二行")); // shown on two lines
    QCOMPARE(answer, QStringLiteral("1"));
}

void TestDialogs::inputBoxReturnsEditedText()
{
    QtDialogs dialogs;
    whenModal([](QWidget *modal) {
        auto *edit = modal->findChild<QLineEdit *>();
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("/dev/ttyUSB0"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QCOMPARE(dialogs.inputBox(QStringLiteral("p"), QStringLiteral("t"), QStringLiteral("1")),
             QStringLiteral("/dev/ttyUSB0"));
}

void TestDialogs::inputBoxCancelReturnsEmpty()
{
    QtDialogs dialogs;
    whenModal([](QWidget *modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    const QString answer =
        dialogs.inputBox(QStringLiteral("p"), QStringLiteral("t"), QStringLiteral("2"));
    QVERIFY(answer.isEmpty());
}

void TestDialogs::messageBoxHasOnlyOkAndNoIcon()
{
    QtDialogs dialogs;
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::Warning;
    int buttons = 0;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->buttons().size();
        QCOMPARE(box->standardButton(box->buttons().first()), QMessageBox::Ok);
        box->buttons().first()->click();
    });
    dialogs.messageBox(QString::fromUtf8("流量设定错误\r\n第二行"), QString::fromUtf8("设定错误"));
    QCOMPARE(text, QString::fromUtf8("流量设定错误\n第二行"));
    QCOMPARE(title, QString::fromUtf8("设定错误"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, 1);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
