#include "protectionwindow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *problemLabel(const char *name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #b00000;"));
    return label;
}

} // namespace

ProtectionWindow::ProtectionWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("protectionWindow"));
    setWindowTitle(QCoreApplication::translate("ProtectionWindow", "保护设定"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(
        QCoreApplication::translate("ProtectionWindow",
                                    "压力超出限值时面板发出停止命令并报警，复位前不能再运行。"
                                    "这是泵自身保护之外的第二层保护，每 1.5 秒判断一次；串口断开时"
                                    "无法动作，也不能代替泄压阀。留空为关。"),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto *form = new QFormLayout;
    auto addField = [&](const char *name, const char *label, const char *unit, QLabel *problem) {
        auto *field = new QLineEdit(this);
        field->setObjectName(QLatin1String(name));
        field->setAccessibleName(QCoreApplication::translate("ProtectionWindow", label));
        auto *row = new QHBoxLayout;
        row->addWidget(field, 1);
        row->addWidget(new QLabel(QCoreApplication::translate("ProtectionWindow", unit), this));
        auto *caption = new QLabel(QCoreApplication::translate("ProtectionWindow", label), this);
        caption->setBuddy(field);
        form->addRow(caption, row);
        form->addRow(QString(), problem);
        connect(field, &QLineEdit::textChanged, this, &ProtectionWindow::check);
        return field;
    };
    m_highProblem = problemLabel("highProblem", this);
    m_lowProblem = problemLabel("lowProblem", this);
    m_delayProblem = problemLabel("delayProblem", this);
    m_high = addField("highLimit", QT_TRANSLATE_NOOP("ProtectionWindow", "压力上限"),
                      QT_TRANSLATE_NOOP("ProtectionWindow", "MPa（0.05 – 2.50）"), m_highProblem);
    m_high->setPlaceholderText(QCoreApplication::translate("ProtectionWindow", "关"));
    m_low =
        addField("lowLimit", QT_TRANSLATE_NOOP("ProtectionWindow", "压力下限"),
                 QT_TRANSLATE_NOOP("ProtectionWindow", "MPa（比上限至少低 0.05）"), m_lowProblem);
    m_low->setPlaceholderText(QCoreApplication::translate("ProtectionWindow", "关"));
    m_delay = addField("armingDelay", QT_TRANSLATE_NOOP("ProtectionWindow", "下限生效延时"),
                       QT_TRANSLATE_NOOP("ProtectionWindow", "秒（0 – 600）"), m_delayProblem);
    m_pause =
        new QCheckBox(QCoreApplication::translate("ProtectionWindow", "跳闸时暂停定时运行"), this);
    m_pause->setObjectName(QStringLiteral("pauseTimedRun"));
    connect(m_pause, &QCheckBox::toggled, this, &ProtectionWindow::check);
    form->addRow(QString(), m_pause);
    layout->addLayout(form);

    m_inForceText = new QLabel(this);
    m_inForceText->setObjectName(QStringLiteral("inForce"));
    m_inForceText->setWordWrap(true);
    layout->addWidget(m_inForceText);

    auto *buttons = new QHBoxLayout;
    m_apply = new QPushButton(QCoreApplication::translate("ProtectionWindow", "应用"), this);
    m_apply->setObjectName(QStringLiteral("applyLimits"));
    auto *close = new QPushButton(QCoreApplication::translate("ProtectionWindow", "关闭"), this);
    buttons->addStretch(1);
    buttons->addWidget(m_apply);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_apply, &QPushButton::clicked, this, [this] {
        if (m_typed)
            emit applied(*m_typed);
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    showLimits(Limits());
}

void ProtectionWindow::showLimits(const Limits &limits)
{
    m_inForce = limits;
    m_high->setText(Limits::fieldText(limits.high));
    m_low->setText(Limits::fieldText(limits.low));
    m_delay->setText(QString::number(limits.armingDelay));
    m_pause->setChecked(limits.pauseTimedRun);
    m_inForceText->setText(QCoreApplication::translate("ProtectionWindow", "现在生效：") +
                           limits.describe());
    check();
}

void ProtectionWindow::check()
{
    const LimitField high = LimitInput::high(m_high->text());
    // The low limit is checked against the high one as typed, once that can be taken.
    const LimitField low = LimitInput::low(m_low->text(), high.ok() ? high.value : m_inForce.high);
    const LimitField delay = LimitInput::armingDelay(m_delay->text());
    m_highProblem->setText(high.problem);
    m_lowProblem->setText(low.problem);
    m_delayProblem->setText(delay.problem);
    for (QLabel *problem : {m_highProblem, m_lowProblem, m_delayProblem})
        problem->setVisible(!problem->text().isEmpty());
    m_typed.reset();
    if (high.ok() && low.ok() && delay.ok())
        m_typed = Limits{high.value, low.value, int(*delay.value), m_pause->isChecked()};
    m_apply->setEnabled(m_typed && *m_typed != m_inForce);
    // The reasons take room: the window grows to show them whole, and never shrinks under the
    // operator's hand.
    if (layout()) {
        layout()->activate();
        const int needed = hasHeightForWidth() ? heightForWidth(width()) : sizeHint().height();
        if (needed > height())
            resize(width(), needed);
    }
}
