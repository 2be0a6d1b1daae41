#include "fakedialogs.h"
#include "fakeprinter.h"
#include "fakerecordfile.h"
#include "printer.h"
#include "qtprinter.h"
#include "recordfile.h"
#include "recordsave.h"
#include "recordstore.h"

#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

RecordStore storeOf(const QList<double> &values)
{
    RecordStore store;
    for (double value : values)
        store.append(value);
    return store;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void format_data();
    void format();
    void storeStopsAtItsCapacity();
    void recorderStoresReadings();
    void fileIsReplacedWhole();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void saveConfirmsAfterTheFileIsComplete();
    void saveFailureIsReported();
    void missingDriveIsNamed();
    void printing_data();
    void printing();
    void cancelThenPrintAgain();
    void copyFileNames_data();
    void copyFileNames();
    void realPrintToFile_data();
    void realPrintToFile();

private:
    QTemporaryDir m_dir;
};

void TestRecords::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
#ifdef Q_OS_UNIX
    std::signal(SIGXFSZ, SIG_IGN); // a write past the file size limit fails instead
#endif
}

void TestRecords::format_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QList<double>{} << QByteArray();
    QTest::newRow("seven values") << QList<double>{1.2, 0.8, 1, 1.25, 2, 1.5, 0}
                                  << QByteArray(" 1.2  .8  1  1.25  2 \r\n 1.5  0 ");
    QTest::newRow("five values") << QList<double>{1, 2, 3, 4, 5}
                                 << QByteArray(" 1  2  3  4  5 \r\n");
    QTest::newRow("six values") << QList<double>{1, 2, 3, 4, 5, 6}
                                << QByteArray(" 1  2  3  4  5 \r\n 6 ");
    QTest::newRow("ten values") << QList<double>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}
                                << QByteArray(" 0  0  0  0  0 \r\n 0  0  0  0  0 \r\n");
    QTest::newRow("negative") << QList<double>{-1.5, -0.25} << QByteArray("-1.5 -.25 ");
    QTest::newRow("half") << QList<double>{0.5} << QByteArray(" .5 ");
    QTest::newRow("negative zero") << QList<double>{-0.0} << QByteArray(" 0 ");
    QTest::newRow("no trailing zeros") << QList<double>{2.50, 10} << QByteArray(" 2.5  10 ");
    QTest::newRow("15 significant digits") << QList<double>{1.0 / 3, 123456.789012345678}
                                           << QByteArray(" .333333333333333  123456.789012346 ");
    QTest::newRow("large") << QList<double>{1e20, 1.5e15} << QByteArray(" 1E+20  1.5E+15 ");
    QTest::newRow("small") << QList<double>{1e-5, -2.5e-7} << QByteArray(" 1E-05 -2.5E-07 ");
    QTest::newRow("a reading as shown") << QList<double>{01.5} << QByteArray(" 1.5 ");
}

void TestRecords::format()
{
    QFETCH(QList<double>, values);
    QFETCH(QByteArray, text);
    QCOMPARE(recordFileText(storeOf(values)), text);
}

void TestRecords::storeStopsAtItsCapacity()
{
    RecordStore store;
    for (int i = 0; i < RecordStore::capacity; ++i)
        QVERIFY(store.append(i % 20 / 10.0));
    QVERIFY(store.isFull());
    QVERIFY(!store.append(9));
    QCOMPARE(store.saveprcout(), 1000000);
    QCOMPARE(store.saveprdata(1000000), 1.9);
    QCOMPARE(store.saveprdata(1), 0.0);
}

void TestRecords::recorderStoresReadings()
{
    RecordStore store;
    ReadingRecorder recorder(store);
    QVERIFY(!recorder.record(u"01.5"));
    QVERIFY(!recorder.record(u"ab.c")); // not a number: not stored
    QVERIFY(!recorder.record(u"00.0"));
    QCOMPARE(store.saveprcout(), 2);
    QCOMPARE(store.saveprdata(1), 1.5);
    QCOMPARE(store.saveprdata(2), 0.0);
    while (!store.isFull())
        store.append(1);
    QVERIFY(recorder.record(u"01.1"));  // the first reading that finds it full: tell
    QVERIFY(!recorder.record(u"01.2")); // and only once
    QCOMPARE(store.saveprcout(), RecordStore::capacity);
    QCOMPARE(store.saveprdata(3), 1.0);
}

void TestRecords::fileIsReplacedWhole()
{
    const QString path = m_dir.filePath(QStringLiteral("replaced.txt"));
    QtRecordFile file(path);
    QString error;
    QVERIFY(file.write(recordFileText(storeOf({1, 2, 3, 4, 5, 6, 7})), &error));
    QVERIFY(file.write(recordFileText(storeOf({0.5})), &error));
    QCOMPARE(readFile(path), QByteArray(" .5 "));
    QVERIFY(file.write(QByteArray(), &error)); // an empty store cuts the file to 0 bytes
    QCOMPARE(readFile(path), QByteArray());
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"replaced.txt"});
}

void TestRecords::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("how");
#ifdef Q_OS_UNIX
    QTest::newRow("disk full") << "full";
    QTest::newRow("read-only folder") << "read-only";
#endif
    QTest::newRow("missing folder") << "missing";
}

void TestRecords::failedWriteKeepsTheOldFile()
{
    QFETCH(QString, how);
    const QString folder = m_dir.filePath(how);
    QVERIFY(QDir().mkpath(folder));
    QString path = QDir(folder).filePath(QStringLiteral("mytext.txt"));
    const QByteArray old = recordFileText(storeOf({1.1, 1.2}));
    QString error;
    QVERIFY(QtRecordFile(path).write(old, &error));

    const QByteArray large = recordFileText(storeOf(QList<double>(5000, 1.234)));
    bool written = false;
#ifdef Q_OS_UNIX
    if (how == QLatin1String("full")) {
        // Writes past this size fail as on a full disk, for root as for anyone.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = 1024;
        setrlimit(RLIMIT_FSIZE, &limit);
        written = QtRecordFile(path).write(large, &error);
        setrlimit(RLIMIT_FSIZE, &saved);
    } else if (how == QLatin1String("read-only")) {
        if (geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        written = QtRecordFile(path).write(large, &error);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
#endif
    if (how == QLatin1String("missing")) {
        path = m_dir.filePath(QStringLiteral("no/such/folder/mytext.txt"));
        written = QtRecordFile(path).write(large, &error);
        QCOMPARE(error, QString::fromUtf8("文件夹 %1 不存在")
                            .arg(QDir::toNativeSeparators(m_dir.filePath("no/such/folder"))));
    }
    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(QDir(folder).filePath(QStringLiteral("mytext.txt"))), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"mytext.txt"}); // no leftovers
}

void TestRecords::saveConfirmsAfterTheFileIsComplete()
{
    const RecordStore store = storeOf({1.2, 0.8, 1, 1.25, 2, 1.5, 0});
    FakeRecordFile file;
    FakeDialogs dialogs;
    int writesWhenConfirmed = -1;
    dialogs.onMessage = [&] { writesWhenConfirmed = int(file.writes.size()); };
    RecordSave save(store, file, dialogs);
    save.save_Click();
    save.save_Click();
    QCOMPARE(writesWhenConfirmed, 2);
    QCOMPARE(file.writes.size(), 2);
    QCOMPARE(file.writes[1], QByteArray(" 1.2  .8  1  1.25  2 \r\n 1.5  0 "));
    QCOMPARE(dialogs.messages.size(), 2);
    QCOMPARE(dialogs.messages[0].text, QString::fromUtf8("当前压力数值以存储"));
    QCOMPARE(dialogs.messages[0].title, QString::fromUtf8("存储数据"));
    QCOMPARE(store.saveprcout(), 7); // saving neither changes nor clears the store
}

void TestRecords::missingDriveIsNamed()
{
#ifdef Q_OS_WIN
    QString error;
    QVERIFY(!QtRecordFile(QStringLiteral("q:\\mytext.txt")).write("1", &error));
    QCOMPARE(error, QString::fromUtf8("这台电脑没有驱动器 Q:\\"));
#else
    QSKIP("drive letters exist on Windows only");
#endif
}

void TestRecords::saveFailureIsReported()
{
    const RecordStore store = storeOf({1.5});
    FakeRecordFile file;
    file.failure = QStringLiteral("No space left on device");
    FakeDialogs dialogs;
    RecordSave save(store, file, dialogs);
    save.save_Click();
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages[0].text.contains(file.path()));
    QVERIFY(dialogs.messages[0].text.contains(file.failure));
    QVERIFY(!dialogs.messages[0].text.contains(QString::fromUtf8("当前压力数值以存储")));
    QCOMPARE(store.saveprcout(), 1);
    file.failure.clear();
    save.save_Click(); // and a later save still works
    QCOMPARE(file.writes.size(), 1);
}

void TestRecords::printing_data()
{
    QTest::addColumn<std::optional<int>>("copies");
    QTest::addColumn<int>("failAfter");
    QTest::addColumn<int>("documents");
    QTest::newRow("cancel") << std::optional<int>() << -1 << 0;
    QTest::newRow("one copy") << std::optional<int>(1) << -1 << 1;
    QTest::newRow("three copies") << std::optional<int>(3) << -1 << 3;
    QTest::newRow("zero copies") << std::optional<int>(0) << -1 << 0;
    QTest::newRow("negative copies") << std::optional<int>(-2) << -1 << 0;
    QTest::newRow("more than 16 bits") << std::optional<int>(40000) << -1 << 0;
    QTest::newRow("printer fails on the second") << std::optional<int>(3) << 1 << 1;
}

void TestRecords::printing()
{
    QFETCH(std::optional<int>, copies);
    QFETCH(int, failAfter);
    QFETCH(int, documents);
    FakePrinter printer;
    printer.copies = copies;
    printer.failAfter = failAfter;
    FakeDialogs dialogs;
    printTestPage(printer, dialogs);
    QVERIFY(dialogs.messages.isEmpty()); // to a printer: nothing to tell
    QCOMPARE(printer.dialogsShown, 1);
    QCOMPARE(printer.documents.size(), documents);
    for (const QStringList &document : printer.documents)
        QCOMPARE(document, QStringList{QString::fromUtf8("打印测试")});
}

void TestRecords::cancelThenPrintAgain()
{
    FakePrinter printer;
    FakeDialogs dialogs;
    printer.copies.reset();
    printTestPage(printer, dialogs);
    printer.copies = 1;
    printTestPage(printer, dialogs);
    QCOMPARE(printer.dialogsShown, 2);
    QCOMPARE(printer.documents.size(), 1);
}

void TestRecords::copyFileNames_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("second");
    QTest::newRow("suffix") << "/tmp/out.pdf"
                            << "/tmp/out-2.pdf";
    QTest::newRow("no suffix") << "/tmp/out"
                               << "/tmp/out-2";
    QTest::newRow("two dots") << "/tmp/run.1.pdf"
                              << "/tmp/run.1-2.pdf";
    QTest::newRow("dot in the folder") << "/tmp/v1.2/out"
                                       << "/tmp/v1.2/out-2";
    QTest::newRow("hidden name") << "/tmp/.pdf"
                                 << "/tmp/.pdf-2";
    QTest::newRow("bare name") << "out.ps"
                               << "out-2.ps";
}

void TestRecords::copyFileNames()
{
    QFETCH(QString, chosen);
    QFETCH(QString, second);
    QCOMPARE(copyFileName(chosen, 2), second);
}

void TestRecords::realPrintToFile_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("existing"); // there before the print, and left alone
    QTest::addColumn<QStringList>("written");
    QTest::newRow("three copies") << "test.pdf" << QStringList{}
                                  << QStringList{"test.pdf", "test-2.pdf", "test-3.pdf"};
    QTest::newRow("copy names taken") << "keep.pdf" << QStringList{"keep-2.pdf", "keep-4.pdf"}
                                      << QStringList{"keep.pdf", "keep-3.pdf", "keep-5.pdf"};
    QTest::newRow("no suffix") << "plain" << QStringList{"plain-3"}
                               << QStringList{"plain", "plain-2", "plain-4"};
}

void TestRecords::realPrintToFile()
{
#ifdef Q_OS_WIN
    QSKIP("Windows shows its own print dialog, which a test cannot answer");
#endif
    QFETCH(QString, chosen);
    QFETCH(QStringList, existing);
    QFETCH(QStringList, written);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &name : existing) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the operator's own file");
    }
    QtPrinter printer;
    FakeDialogs dialogs;
    const QString target = dir.filePath(chosen);
    printer.printer()->setOutputFormat(QPrinter::PdfFormat);
    printer.printer()->setOutputFileName(target);
    printer.printer()->setCopyCount(3);
    QString offered;
    auto answerDialog = [&offered, &printer](bool accept) {
        QTimer::singleShot(0, qApp, [&offered, &printer, accept] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            offered = printer.printer()->outputFileName();
            QMetaObject::invokeMethod(dialog, accept ? "accept" : "reject");
        });
    };
    answerDialog(true);
    printTestPage(printer, dialogs);
    QCOMPARE(printer.printer()->copyCount(), 1); // each copy once, not three times three

    QStringList paths;
    for (const QString &name : written)
        paths << dir.filePath(name);
    QCOMPARE(printer.filesWritten(), paths);
    for (const QString &file : std::as_const(paths)) {
        const QByteArray content = readFile(file);
        QVERIFY2(content.startsWith("%PDF"), qPrintable(file));
        QCOMPARE(content.count("/Type /Page\n") + content.count("/Type /Page\r") +
                     content.count("/Type /Page "),
                 qsizetype(1));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(10000));
        QCOMPARE(QString::fromUtf8(text.readAllStandardOutput()).trimmed(),
                 QString::fromUtf8("打印测试"));
    }
    for (const QString &name : existing)
        QCOMPARE(readFile(dir.filePath(name)), QByteArray("the operator's own file"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), existing.size() + written.size());
    // The operator is told where the copies went.
    QCOMPARE(dialogs.messages.size(), 1);
    for (const QString &file : std::as_const(paths))
        QVERIFY(dialogs.messages[0].text.contains(QDir::toNativeSeparators(file)));

    // The next print offers the name the operator chose, not the last copy's.
    answerDialog(false);
    printTestPage(printer, dialogs);
    QCOMPARE(offered, target);
}

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
