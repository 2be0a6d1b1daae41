#pragma once

#include "pressurelimits.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// 保护设定: the pressure limits, the low limit's arming delay and whether a trip pauses a timed
// run. Every field is checked as it is typed, with the reason in words under it; 应用 takes the
// values only when every field can be taken, so nothing invalid ever reaches the guard.
class ProtectionWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ProtectionWindow(QWidget *parent = nullptr);

    // The settings in force, shown in the fields.
    void showLimits(const Limits &limits);

    QLineEdit *highField() const { return m_high; }
    QLineEdit *lowField() const { return m_low; }
    QLineEdit *delayField() const { return m_delay; }
    QCheckBox *pauseBox() const { return m_pause; }
    QPushButton *applyButton() const { return m_apply; }

signals:
    void applied(const Limits &limits);

private:
    void check();

    Limits m_inForce;
    std::optional<Limits> m_typed; // what the fields hold, when every one can be taken
    QLineEdit *m_high = nullptr;
    QLineEdit *m_low = nullptr;
    QLineEdit *m_delay = nullptr;
    QCheckBox *m_pause = nullptr;
    QLabel *m_highProblem = nullptr;
    QLabel *m_lowProblem = nullptr;
    QLabel *m_delayProblem = nullptr;
    QLabel *m_inForceText = nullptr;
    QPushButton *m_apply = nullptr;
};
