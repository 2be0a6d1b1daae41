#pragma once

#include "alarmlist.h"

#include <QFrame>

class QLabel;
class QPushButton;

// The most urgent alarm that is active or unacknowledged, in full words and wrapped rather
// than cut, coloured by its priority, with the count of the others, 确认 for it and 详情 for
// the alarm window, and 复位 for a latched alarm (offered once its owner allows it). Hidden while
// there is none. A screen reader reads its name "报警栏" and, as
// its description, the whole text it shows.
class AlarmBanner : public QFrame
{
    Q_OBJECT
public:
    explicit AlarmBanner(AlarmList &alarms, QWidget *parent = nullptr);

    // The text shown, as the screen reader reads it.
    QString text() const;
    // The alarm shown, or an empty name.
    QString shownAlarm() const { return m_shown; }
    QLabel *textLabel() const { return m_text; }

signals:
    void detailsRequested();
    // Its height may have changed: shown, hidden, or wrapped to another number of lines.
    void heightChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void refresh();

    AlarmList &m_alarms;
    QLabel *m_text = nullptr;
    QLabel *m_others = nullptr;
    QPushButton *m_acknowledge = nullptr;
    QPushButton *m_reset = nullptr;
    QString m_shown;
    QString m_style;
    int m_lastHeight = -1;
};
