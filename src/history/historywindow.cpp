#include "historywindow.h"

#include "canvas.h"
#include "historyplot.h"
#include "plotdrawing.h"
#include "runlogformat.h"
#include "runreport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QStatusBar>
#include <QTimeZone>
#include <QToolBar>

namespace {

constexpr qint64 frameMs = 15; // within a frame at 60 Hz, reading included

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

// The time of a row, or -1.
qint64 rowTime(const RunLogFormat::Row &row)
{
    qint64 time = -1;
    int offset = 0;
    return row.time(&time, &offset) ? time : -1;
}

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

} // namespace

HistoryWindow::HistoryWindow(const QString &runsFolder, const QString &version, QWidget *parent)
    : QMainWindow(parent)
    , m_runsFolder(runsFolder)
    , m_version(version)
    , m_data(std::make_unique<RunData>())
    , m_reader(std::make_unique<RunDataReader>())
{
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(QCoreApplication::translate("HistoryWindow", "运行记录"));
    m_plot = new HistoryPlot(this);
    m_plot->setObjectName(QStringLiteral("historyPlot"));
    m_plot->setData(m_data.get());
    setCentralWidget(m_plot);

    QToolBar *tools = addToolBar(QCoreApplication::translate("HistoryWindow", "运行记录"));
    tools->setObjectName(QStringLiteral("historyTools"));
    tools->setMovable(false);
    auto add = [&](const char *name, const char *text, auto slot) {
        QAction *action = tools->addAction(QCoreApplication::translate("HistoryWindow", text));
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("openLog", QT_TRANSLATE_NOOP("HistoryWindow", "打开…"), [this] { chooseLog(); });
    m_follow = add("follow", QT_TRANSLATE_NOOP("HistoryWindow", "跟随"),
                   [this](bool on) { m_plot->setFollowing(on); });
    m_follow->setCheckable(true);
    m_follow->setChecked(true);
    add("fitAll", QT_TRANSLATE_NOOP("HistoryWindow", "全部"), [this] { m_plot->fitAll(); });
    tools->addSeparator();
    add("exportCsv", QT_TRANSLATE_NOOP("HistoryWindow", "导出 CSV…"), [this] {
        saveAs(QCoreApplication::translate("HistoryWindow", "导出可见范围"),
               QStringLiteral("CSV (*.csv)"), QStringLiteral(".csv"),
               [this](const QString &path, QString *error) { return exportCsv(path, error); });
    });
    add("exportPng", QT_TRANSLATE_NOOP("HistoryWindow", "导出 PNG…"), [this] {
        saveAs(QCoreApplication::translate("HistoryWindow", "导出图"),
               QStringLiteral("PNG (*.png)"), QStringLiteral(".png"),
               [this](const QString &path, QString *error) {
                   return exportPng(path, m_plot->size(), error);
               });
    });
    add("exportSvg", QT_TRANSLATE_NOOP("HistoryWindow", "导出 SVG…"), [this] {
        saveAs(QCoreApplication::translate("HistoryWindow", "导出图"),
               QStringLiteral("SVG (*.svg)"), QStringLiteral(".svg"),
               [this](const QString &path, QString *error) {
                   return exportSvg(path, m_plot->size(), error);
               });
    });
    add("exportReport", QT_TRANSLATE_NOOP("HistoryWindow", "运行报告 PDF…"), [this] {
        saveAs(QCoreApplication::translate("HistoryWindow", "运行报告"),
               QStringLiteral("PDF (*.pdf)"), QStringLiteral(".pdf"),
               [this](const QString &path, QString *error) {
                   return exportReport(path,
                                       m_plot->range().from > m_data->firstTime ||
                                           m_plot->range().to < m_data->lastTime,
                                       error);
               });
    });
    add("printReport", QT_TRANSLATE_NOOP("HistoryWindow", "打印报告…"), [this] { printReport(); });

    m_readTimer.setSingleShot(true);
    connect(&m_readTimer, &QTimer::timeout, this, &HistoryWindow::readMore);

    m_state = new QLabel(this);
    m_state->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(m_state, 1);
    connect(m_plot, &HistoryPlot::rangeChanged, this, &HistoryWindow::showState);
    resize(1000, 560);
    showState();
}

HistoryWindow::~HistoryWindow() = default;

bool HistoryWindow::openLog(const QString &path, bool live)
{
    auto data = std::make_unique<RunData>();
    auto reader = std::make_unique<RunDataReader>();
    std::unique_ptr<QFile> liveFile;
    const QList<RunFiles::Piece> pieces = RunFiles::runOf(path);
    for (const RunFiles::Piece &piece : pieces) {
        const bool opened = piece.path == path;
        if (piece.kind == RunFiles::Piece::Kind::Missing) {
            reader->markMissing(fileName(piece.path), *data);
            continue;
        }
        if (piece.kind == RunFiles::Piece::Kind::Mismatched)
            reader->markMismatched(fileName(piece.path), *data);
        auto file = std::make_unique<QFile>(piece.path);
        if (!file->open(QIODevice::ReadOnly)) {
            if (opened)
                return false;
            reader->markMissing(fileName(piece.path), *data);
            continue;
        }
        reader->startFile(fileName(piece.path), *data);
        // In pieces: the whole file is never held at once.
        while (!file->atEnd()) {
            if (!reader->feed(file->read(4 << 20), *data)) {
                if (opened)
                    return false;
                break;
            }
        }
        if (opened && live)
            liveFile = std::move(file);
    }
    m_liveFile = std::move(liveFile);
    m_data = std::move(data);
    m_reader = std::move(reader);
    m_path = path;
    m_pieces = pieces;
    m_live = live;
    m_follow->setEnabled(live);
    m_plot->setData(m_data.get());
    showState();
    return true;
}

void HistoryWindow::followFile(const QString &path, bool continues)
{
    if (!continues || !m_live || !m_liveFile) {
        openLog(path, true);
        return;
    }
    readMore(); // the rest of the file left, its closing row among it
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        openLog(path, true);
        return;
    }
    m_liveFile = std::move(file);
    m_reader->startFile(fileName(path), *m_data);
    m_path = path;
    m_pieces << RunFiles::Piece{RunFiles::Piece::Kind::File, path};
    readMore();
    showState();
}

void HistoryWindow::readMore()
{
    m_sinceRead.start();
    if (!m_liveFile)
        return;
    const QByteArray more = m_liveFile->readAll();
    if (!more.isEmpty() && m_reader->feed(more, *m_data)) {
        m_plot->dataGrew();
        showState();
    }
}

void HistoryWindow::rowWritten()
{
    if (m_readTimer.isActive() || !m_liveFile)
        return;
    // At once after a quiet spell; during a burst of rows, once a frame for all of them.
    const qint64 since = m_sinceRead.isValid() ? m_sinceRead.elapsed() : frameMs;
    m_readTimer.start(int(qMax<qint64>(0, frameMs - since)));
}

bool HistoryWindow::forEachRow(
    const std::function<void(const QString &file, const RunLogFormat::Row &row)> &take,
    QString *error) const
{
    for (const RunFiles::Piece &piece : m_pieces) {
        if (piece.kind == RunFiles::Piece::Kind::Missing)
            continue;
        QFile log(piece.path);
        if (!log.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("%1: %2").arg(fileName(piece.path), log.errorString());
            return false;
        }
        const QString name = fileName(piece.path);
        const QByteArray fileStart = RunLogFormat::fileStart();
        QByteArray pending;
        bool header = true;
        while (!log.atEnd()) {
            pending += log.read(4 << 20);
            const char *const end = pending.constData() + pending.size();
            const char *at = pending.constData();
            if (header) {
                if (pending.size() < fileStart.size())
                    continue;
                at += fileStart.size();
                header = false;
            }
            at = RunLogFormat::readRows(at, end,
                                        [&](const RunLogFormat::Row &row) { take(name, row); });
            pending.remove(0, at - pending.constData());
        }
    }
    return true;
}

bool HistoryWindow::exportCsv(const QString &path, QString *error) const
{
    const RunData::Range range = m_plot->range();
    // First what frames the range in the source: the chain just before it and the one at its
    // end, the files its rows come from, and its first and last row's time.
    QByteArray chainBefore = RunLogFormat::firstChain;
    QByteArray chainAtEnd;
    QStringList sources;
    QString firstTime, firstElapsed, lastTime, lastElapsed;
    const bool read = forEachRow(
        [&](const QString &file, const RunLogFormat::Row &row) {
            const qint64 time = rowTime(row);
            if (time >= 0 && time < range.from) {
                chainBefore = row.bytes(RunLogFormat::Chain);
                return;
            }
            if (!range.contains(time))
                return;
            if (firstTime.isEmpty()) {
                firstTime = row.text(RunLogFormat::Time);
                firstElapsed = row.text(RunLogFormat::Elapsed);
            }
            lastTime = row.text(RunLogFormat::Time);
            lastElapsed = row.text(RunLogFormat::Elapsed);
            chainAtEnd = row.bytes(RunLogFormat::Chain);
            if (sources.isEmpty() || sources.constLast() != file)
                sources << file;
        },
        error);
    if (!read)
        return false;
    const QString exportedAt = RunLogFormat::timeText(QDateTime::currentDateTime());
    if (firstTime.isEmpty()) { // nothing in the range: the export still says where it is from
        firstTime = lastTime = exportedAt;
        firstElapsed = lastElapsed = QStringLiteral("0.000");
        chainAtEnd = chainBefore;
        sources << fileName(m_path);
    }

    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    QByteArray chain = RunLogFormat::firstChain;
    QByteArray text = RunLogFormat::fileStart();
    bool written = true;
    auto append = [&](const QByteArray &fields) {
        chain = RunLogFormat::chain(chain, fields);
        text += RunLogFormat::line(fields, chain);
        if (text.size() > (4 << 20)) {
            written = written && out.write(text) == text.size();
            text.clear();
        }
    };
    append(RunLogFormat::fieldsText(
        {firstTime, firstElapsed, QStringLiteral("exported"), QString(), QString(), QString(),
         QString(),
         RunLogFormat::Links::exportedDetail(sources, chainBefore, chainAtEnd, exportedAt)}));
    if (!forEachRow(
            [&](const QString &, const RunLogFormat::Row &row) {
                if (range.contains(rowTime(row)))
                    append(row.chained().toByteArray()); // the fields as written
            },
            error))
        return false;
    append(RunLogFormat::fieldsText({lastTime, lastElapsed, QStringLiteral("closed"), QString(),
                                     QString(), QString(), QString(),
                                     QCoreApplication::translate("HistoryWindow", "导出结束")}));
    written = written && out.write(text) == text.size();
    if (!written || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

bool HistoryWindow::exportPng(const QString &path, QSize size, QString *error) const
{
    QImage image(size, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        PainterCanvas canvas(painter);
        PlotDrawing::draw(canvas, *m_data, m_plot->range(), QRectF(QPointF(0, 0), QSizeF(size)));
    }
    if (!image.save(path, "PNG")) {
        *error = QCoreApplication::translate("HistoryWindow", "无法写入 %1")
                     .arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

bool HistoryWindow::exportSvg(const QString &path, QSize size, QString *error) const
{
    SvgCanvas canvas(QSizeF(size), 12);
    PlotDrawing::draw(canvas, *m_data, m_plot->range(), QRectF(QPointF(0, 0), QSizeF(size)));
    return writeFile(path, canvas.document(), error);
}

bool HistoryWindow::exportReport(const QString &path, bool visibleRange, QString *error) const
{
    const RunData::Range range = visibleRange ? m_plot->range() : m_data->whole();
    QPdfWriter pdf(path);
    pdf.setResolution(300);
    pdf.setTitle(QCoreApplication::translate("HistoryWindow", "泵运行报告"));
    const RunReport report = RunReport::make(*m_data, range, !visibleRange, m_version);
    if (!report.paint(pdf, *m_data, range)) {
        *error = QCoreApplication::translate("HistoryWindow", "无法写入 %1")
                     .arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

void HistoryWindow::chooseLog()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QCoreApplication::translate("HistoryWindow", "打开运行记录"), m_runsFolder,
        QCoreApplication::translate("HistoryWindow", "运行记录 (*.csv)"));
    if (path.isEmpty())
        return;
    if (!openLog(path, false))
        QMessageBox::information(
            this, QCoreApplication::translate("HistoryWindow", "运行记录"),
            QCoreApplication::translate("HistoryWindow", "%1 不是可以读取的运行记录文件。")
                .arg(QDir::toNativeSeparators(path)));
}

void HistoryWindow::saveAs(const QString &title, const QString &filter, const QString &suffix,
                           const std::function<bool(const QString &, QString *)> &write)
{
    QString path = QFileDialog::getSaveFileName(this, title, QDir::homePath(), filter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    QString error;
    if (!write(path, &error))
        QMessageBox::information(this, title,
                                 QCoreApplication::translate("HistoryWindow", "无法保存 %1：%2")
                                     .arg(QDir::toNativeSeparators(path), error));
}

void HistoryWindow::printReport()
{
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const RunData::Range range = m_data->whole();
    RunReport::make(*m_data, range, true, m_version).paint(printer, *m_data, range);
}

void HistoryWindow::showState()
{
    if (m_path.isEmpty()) {
        m_state->setText(QCoreApplication::translate(
            "HistoryWindow", "没有运行记录：打开串口后开始记录，或用“打开…”选择以前的记录"));
        return;
    }
    const RunData::Range range = m_plot->range();
    int missing = 0;
    for (const RunFiles::Piece &piece : std::as_const(m_pieces))
        missing += piece.kind != RunFiles::Piece::Kind::File;
    const QString files =
        m_pieces.size() > 1
            ? QCoreApplication::translate("HistoryWindow", "%1 至 %2（%3 个文件）")
                  .arg(fileName(m_pieces.constFirst().path), fileName(m_pieces.constLast().path))
                  .arg(m_pieces.size())
            : fileName(m_path);
    m_state->setText(
        QCoreApplication::translate("HistoryWindow", "%1%2%3 · %4 行 · 显示 %5 至 %6")
            .arg(files,
                 m_live ? QCoreApplication::translate("HistoryWindow", "（实时）") : QString(),
                 missing > 0
                     ? QCoreApplication::translate("HistoryWindow", " · %1 个文件缺少或不符")
                           .arg(missing)
                     : QString())
            .arg(m_data->rows)
            .arg(m_data->clockText(range.from), m_data->clockText(range.to)));
}
