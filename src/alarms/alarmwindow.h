#pragma once

#include "alarmlist.h"

#include <QWidget>

class QListWidget;
class QPushButton;
class QTableWidget;

// Every alarm of this run with its times and state, acknowledged one or all at a time, and the
// run's news with their times; 复位 resets a latched alarm once its owner allows it. Shown by the
// banner's 详情 and the status bar's 报警.
class AlarmWindow : public QWidget
{
    Q_OBJECT
public:
    enum Column { Priority, Text, Raised, Cleared, Acknowledged, State, ColumnCount };

    explicit AlarmWindow(AlarmList &alarms, QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }
    QListWidget *newsList() const { return m_news; }

private:
    void refresh();
    void acknowledgeSelected();

    AlarmList &m_alarms;
    QTableWidget *m_table = nullptr;
    QListWidget *m_news = nullptr;
    QPushButton *m_acknowledge = nullptr;
    QPushButton *m_acknowledgeAll = nullptr;
    QPushButton *m_reset = nullptr;
};
