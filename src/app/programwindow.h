#pragma once

#include "method.h"
#include "programrunner.h"

#include <QMap>
#include <QPair>
#include <QWidget>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

// 程序: the table of steps and repeats, checked on every edit, with undo; the program's file;
// 开始, 暂停, 继续, 停止; and where a running program stands.
class ProgramWindow : public QWidget
{
    Q_OBJECT
public:
    enum Column {
        Name,
        Duration,
        Unit,
        Flow,
        FlowMode,
        Pressure,
        PressureMode,
        High,
        Low,
        Stop,
        ColumnCount
    };

    // `panelLimits` gives the panel's own limits, which a step may only tighten.
    ProgramWindow(ProgramRunner &runner, std::function<Limits()> panelLimits,
                  QWidget *parent = nullptr);

    const Method &method() const { return m_method; }
    void setMethod(const Method &method); // as an edit: it can be undone
    // Every fault of the method as shown, "第 k 步：reason".
    QStringList faultTexts() const;
    bool canStart() const;
    QString fileName() const { return m_file; }

    // The file commands without their file dialogs; false, with the reason told, on failure.
    bool openFile(const QString &path, QString *problem);
    bool saveFile(const QString &path, QString *problem);

    QTableWidget *stepTable() const { return m_steps; }
    QTableWidget *repeatTable() const { return m_repeats; }
    QListWidget *faultList() const { return m_faults; }
    QPushButton *button(const char *name) const;
    // Edits of the step table, as the buttons make them.
    void insertStep();
    void deleteStep();
    void moveStep(int by);
    void copyStep();
    void undo();

    // Where the program stands, in one short line for the status bar.
    static QString shortProgress(const ProgramRunner &runner);

signals:
    // 开始 with a method that has no fault; the window's owner decides.
    void startRequested(const Method &method, const QString &file, const QByteArray &content);
    void problem(const QString &text); // a file that could not be opened or saved

private:
    void edit(const Method &method);
    void rebuild();
    void cellEdited(int row, int column);
    void repeatEdited(int row, int column);
    void check();
    void showProgress();
    int currentStep() const;

    ProgramRunner &m_runner;
    std::function<Limits()> m_panelLimits;
    Method m_method;
    QList<Method> m_undo;
    QString m_file;
    QByteArray m_savedContent;
    QMap<QPair<int, int>, QString> m_badCells; // text typed that is not a value
    bool m_rebuilding = false;
    QTableWidget *m_steps = nullptr;
    QTableWidget *m_repeats = nullptr;
    QListWidget *m_faults = nullptr;
    QLabel *m_where = nullptr;
    QLabel *m_left = nullptr;
    QLabel *m_ends = nullptr;
    QLabel *m_volume = nullptr;
    QTimer *m_refresh = nullptr;
};
