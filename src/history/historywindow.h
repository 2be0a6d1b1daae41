#pragma once

#include "rundata.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>

#include <memory>

class HistoryPlot;
class QAction;
class QFile;
class QLabel;

// The whole run at a glance, in a window of its own: the current run log live, or any earlier
// one from the runs folder, with zoom, cursor, events and gaps; exports of the visible range as
// CSV, of the plot as PNG and SVG, and of a run report as PDF or on a printer.
class HistoryWindow : public QMainWindow
{
    Q_OBJECT
public:
    HistoryWindow(const QString &runsFolder, const QString &version, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    // Shows the run log at `path`; with `live`, rows appended to it are read as they come.
    bool openLog(const QString &path, bool live);
    // Reads what has been appended to a live log since the last read.
    void readMore();
    // A row was appended to the live log: read it before the next frame, together with any
    // that follow it at once.
    void rowWritten();
    QString logPath() const { return m_path; }
    bool isLive() const { return m_live; }

    const RunData &data() const { return *m_data; }
    HistoryPlot *plot() const { return m_plot; }

    // The rows of the visible range as a run log of their own (the same columns), the plot as
    // PNG or SVG at `size`, and the report as PDF. Each returns false and says why in `error`.
    bool exportCsv(const QString &path, QString *error) const;
    bool exportPng(const QString &path, QSize size, QString *error) const;
    bool exportSvg(const QString &path, QSize size, QString *error) const;
    bool exportReport(const QString &path, bool visibleRange, QString *error) const;

private:
    void chooseLog();
    void saveAs(const QString &title, const QString &filter, const QString &suffix,
                const std::function<bool(const QString &, QString *)> &write);
    void printReport();
    void showState();

    QString m_runsFolder;
    QString m_version;
    QString m_path;
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
