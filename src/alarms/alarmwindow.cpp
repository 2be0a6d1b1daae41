#include "alarmwindow.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QTableWidgetItem *item(const QString &text)
{
    auto *cell = new QTableWidgetItem(text);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return cell;
}

} // namespace

AlarmWindow::AlarmWindow(AlarmList &alarms, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_alarms(alarms)
{
    setObjectName(QStringLiteral("alarmWindow"));
    setWindowTitle(QCoreApplication::translate("AlarmWindow", "报警"));
    auto *layout = new QVBoxLayout(this);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("alarmTable"));
    m_table->setAccessibleName(QCoreApplication::translate("AlarmWindow", "报警列表"));
    m_table->setHorizontalHeaderLabels({QCoreApplication::translate("AlarmWindow", "优先级"),
                                        QCoreApplication::translate("AlarmWindow", "报警"),
                                        QCoreApplication::translate("AlarmWindow", "发生"),
                                        QCoreApplication::translate("AlarmWindow", "消除"),
                                        QCoreApplication::translate("AlarmWindow", "确认"),
                                        QCoreApplication::translate("AlarmWindow", "状态")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(true);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(Text, QHeaderView::Stretch);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_table, 3);

    auto *buttons = new QHBoxLayout;
    m_acknowledge = new QPushButton(QCoreApplication::translate("AlarmWindow", "确认所选"), this);
    m_acknowledge->setObjectName(QStringLiteral("acknowledgeSelected"));
    m_acknowledgeAll =
        new QPushButton(QCoreApplication::translate("AlarmWindow", "全部确认"), this);
    m_acknowledgeAll->setObjectName(QStringLiteral("acknowledgeAll"));
    m_reset = new QPushButton(QCoreApplication::translate("AlarmWindow", "复位"), this);
    m_reset->setObjectName(QStringLiteral("resetLatched"));
    m_reset->setToolTip(QCoreApplication::translate("AlarmWindow", "压力回到限值以内后才能复位"));
    buttons->addStretch(1);
    buttons->addWidget(m_reset);
    buttons->addWidget(m_acknowledge);
    buttons->addWidget(m_acknowledgeAll);
    layout->addLayout(buttons);

    auto *newsTitle =
        new QLabel(QCoreApplication::translate("AlarmWindow", "本次运行的消息"), this);
    layout->addWidget(newsTitle);
    m_news = new QListWidget(this);
    m_news->setObjectName(QStringLiteral("newsList"));
    m_news->setAccessibleName(QCoreApplication::translate("AlarmWindow", "本次运行的消息"));
    m_news->setWordWrap(true);
    newsTitle->setBuddy(m_news);
    layout->addWidget(m_news, 2);

    connect(m_acknowledge, &QPushButton::clicked, this, &AlarmWindow::acknowledgeSelected);
    connect(m_acknowledgeAll, &QPushButton::clicked, &m_alarms, &AlarmList::acknowledgeAll);
    connect(m_reset, &QPushButton::clicked, this, [this] {
        if (const AlarmList::Alarm *latched = m_alarms.resettableLatch())
            m_alarms.requestReset(latched->name);
    });
    connect(&m_alarms, &AlarmList::changed, this, &AlarmWindow::refresh);
    resize(760, 460);
    refresh();
}

void AlarmWindow::refresh()
{
    const QList<AlarmList::Alarm> &alarms = m_alarms.alarms();
    m_table->setRowCount(int(alarms.size()));
    bool anyUnacknowledged = false;
    // The newest first, as an operator looks for it.
    for (int row = 0; row < alarms.size(); ++row) {
        const AlarmList::Alarm &alarm = alarms.at(alarms.size() - 1 - row);
        anyUnacknowledged = anyUnacknowledged || alarm.unacknowledged();
        auto *priority = item(AlarmList::priorityText(alarm.priority));
        priority->setData(Qt::UserRole, alarm.name);
        priority->setData(Qt::UserRole + 1, alarm.unacknowledged());
        m_table->setItem(row, Priority, priority);
        m_table->setItem(row, Text, item(alarm.text));
        m_table->setItem(row, Raised, item(timeText(alarm.raised)));
        m_table->setItem(row, Cleared, item(timeText(alarm.cleared)));
        m_table->setItem(row, Acknowledged, item(timeText(alarm.acknowledged)));
        QString state = AlarmList::stateText(alarm.state);
        if (alarm.latched && alarm.active())
            state += alarm.resettable ? QCoreApplication::translate("AlarmWindow", "，可复位")
                                      : QCoreApplication::translate("AlarmWindow", "，待复位");
        m_table->setItem(row, State, item(state));
    }
    m_acknowledgeAll->setEnabled(anyUnacknowledged);
    m_reset->setEnabled(m_alarms.resettableLatch() != nullptr);

    const QList<AlarmList::News> &news = m_alarms.news();
    for (int index = m_news->count(); index < news.size(); ++index)
        m_news->insertItem(0, timeText(news.at(index).time) + QStringLiteral("  ") +
                                  news.at(index).text);
}

void AlarmWindow::acknowledgeSelected()
{
    const QList<QTableWidgetItem *> selected = m_table->selectedItems();
    QStringList names;
    for (const QTableWidgetItem *cell : selected) {
        const QTableWidgetItem *first = m_table->item(cell->row(), Priority);
        if (first && first->data(Qt::UserRole + 1).toBool())
            names << first->data(Qt::UserRole).toString();
    }
    names.removeDuplicates();
    for (const QString &name : std::as_const(names))
        m_alarms.acknowledge(name);
}
