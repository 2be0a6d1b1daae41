#pragma once

#include "rundata.h"
#include "runfiles.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>

class HistoryPlot;
class QAction;
class QFile;
class QLabel;

// The whole run at a glance, in a window of its own: the current run live, or any earlier one
// from the runs folder, with zoom, cursor, events and gaps; a run that went on past midnight is
// read from all its daily files. Exports of the visible range as a run log of its own, of the
// plot as PNG and SVG, and of a run report as PDF or on a printer.
class HistoryWindow : public QMainWindow
{
    Q_OBJECT
public:
    HistoryWindow(const QString &runsFolder, const QString &version, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    // Shows the run that the log at `path` belongs to, from its first file to its last; with
    // `live`, rows appended to `path` are read as they come.
    bool openLog(const QString &path, bool live);
    // The live log goes on in a new file: with `continues`, the same run (midnight), read on
    // into what is shown; otherwise a new run, opened afresh.
    void followFile(const QString &path, bool continues);
    // The files of the run shown, in order, missing ones included.
    const QList<RunFiles::Piece> &pieces() const { return m_pieces; }
    // Reads what has been appended to a live log since the last read.
    void readMore();
    // A row was appended to the live log: read it before the next frame, together with any
    // that follow it at once.
    void rowWritten();
    QString logPath() const { return m_path; }
    bool isLive() const { return m_live; }

    const RunData &data() const { return *m_data; }
    HistoryPlot *plot() const { return m_plot; }

    // The rows of the visible range as a run log of their own that verifies: a first row that
    // names the source and the source chains around the range, the rows chained anew, and a
    // closing row. The plot as PNG or SVG at `size`, and the report as PDF. Each returns false
    // and says why in `error`.
    bool exportCsv(const QString &path, QString *error) const;
    bool exportPng(const QString &path, QSize size, QString *error) const;
    bool exportSvg(const QString &path, QSize size, QString *error) const;
    bool exportReport(const QString &path, bool visibleRange, QString *error) const;

private:
    // Each complete row of the run's files, in order, with the name of its file.
    bool
    forEachRow(const std::function<void(const QString &file, const RunLogFormat::Row &row)> &take,
               QString *error) const;
    void chooseLog();
    void saveAs(const QString &title, const QString &filter, const QString &suffix,
                const std::function<bool(const QString &, QString *)> &write);
    void printReport();
    void showState();

    QString m_runsFolder;
    QString m_version;
    QString m_path;
    QList<RunFiles::Piece> m_pieces;
    bool m_live = false;
    QTimer m_readTimer; // at most one read, and one redraw, a frame
    QElapsedTimer m_sinceRead;
    std::unique_ptr<QFile> m_liveFile; // kept open while live; read from where it was left
    std::unique_ptr<RunData> m_data;
    std::unique_ptr<RunDataReader> m_reader;
    HistoryPlot *m_plot = nullptr;
    QAction *m_follow = nullptr;
    QLabel *m_state = nullptr;
};
