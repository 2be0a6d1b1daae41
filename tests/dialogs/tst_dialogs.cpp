#include "qtdialogs.h"
#include "qttranslation.h"
#include "whenmodal.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <functional>

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void inputBoxShowsPromptTitleAndPreset();
    void inputBoxReturnsEditedText();
    void inputBoxCancelReturnsEmpty();
    void messageBoxHasOnlyOkAndNoIcon();
    void messageTextIsNeverMarkup_data();
    void messageTextIsNeverMarkup();
    void qtsOwnButtonsReadInChinese();
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

void TestDialogs::messageTextIsNeverMarkup_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("operator's answer") << QString::fromUtf8("“<b>3”不是有效的串口号。");
    QTest::newRow("device name") << QStringLiteral("/dev/<i>tty");
    QTest::newRow("error reason") << QStringLiteral("a & b <hr> &lt;");
}

void TestDialogs::messageTextIsNeverMarkup()
{
    QFETCH(QString, text);
    QtDialogs dialogs;
    Qt::TextFormat format = Qt::RichText;
    QString shown;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        format = box->textFormat();
        // What the operator reads is the label inside the box.
        for (QLabel *label : box->findChildren<QLabel *>()) {
            if (label->text() == text)
                shown = label->text() + QLatin1Char('|') + QString::number(label->textFormat());
        }
        box->buttons().first()->click();
    });
    dialogs.messageBox(text, QStringLiteral("title"));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(shown, text + QLatin1Char('|') + QString::number(Qt::PlainText));
}

// Installed as the panel installs them: beside the program on Windows, Qt's folder on Linux.
void TestDialogs::qtsOwnButtonsReadInChinese()
{
    const QStringList loaded = installQtTranslations(*qApp);
    QVERIFY2(loaded.value(0).endsWith(QLatin1String("qtbase_zh_CN.qm")),
             qPrintable(loaded.join(QLatin1Char(' '))));
    QtDialogs dialogs;
    QStringList texts;
    auto buttonTexts = [&texts](QWidget *modal) {
        for (const QAbstractButton *button : modal->findChildren<QAbstractButton *>())
            texts << button->text().remove(QLatin1Char('&'));
    };
    whenModal([&](QWidget *modal) {
        buttonTexts(modal);
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    dialogs.inputBox(QStringLiteral("p"), QStringLiteral("t"), QStringLiteral("1"));
    whenModal([&](QWidget *modal) {
        buttonTexts(modal);
        qobject_cast<QMessageBox *>(modal)->buttons().first()->click();
    });
    dialogs.messageBox(QStringLiteral("m"), QStringLiteral("t"));
    texts.sort();
    QCOMPARE(texts, (QStringList{QString::fromUtf8("取消"), QString::fromUtf8("确定"),
                                 QString::fromUtf8("确定")}));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
