#include "programwindow.h"

#include "numbers.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char *const unitNames[] = {QT_TRANSLATE_NOOP("ProgramWindow", "秒"),
                                 QT_TRANSLATE_NOOP("ProgramWindow", "分"),
                                 QT_TRANSLATE_NOOP("ProgramWindow", "时")};

QString numberText(std::optional<double> value)
{
    return value ? QString::number(*value) : QString();
}

// A cell's text as a number: none for empty text; false when it is not a number.
bool parse(const QString &text, std::optional<double> *value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        value->reset();
        return true;
    }
    const std::optional<double> number = textToDouble(trimmed);
    if (number)
        *value = number;
    return number.has_value();
}

QTableWidgetItem *checkItem(bool checked, const char *text)
{
    auto *item = new QTableWidgetItem(QCoreApplication::translate("ProgramWindow", text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

} // namespace

ProgramWindow::ProgramWindow(ProgramRunner &runner, std::function<Limits()> panelLimits,
                             QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_runner(runner)
    , m_panelLimits(std::move(panelLimits))
    , m_method(Method::fresh())
{
    setObjectName(QStringLiteral("programWindow"));
    setWindowTitle(QCoreApplication::translate("ProgramWindow", "程序"));
    auto *layout = new QVBoxLayout(this);

    auto *files = new QHBoxLayout;
    auto addButton = [this](QBoxLayout *row, const char *name, const char *text) {
        auto *button = new QPushButton(QCoreApplication::translate("ProgramWindow", text), this);
        button->setObjectName(QLatin1String(name));
        row->addWidget(button);
        return button;
    };
    QPushButton *open =
        addButton(files, "openProgram", QT_TRANSLATE_NOOP("ProgramWindow", "打开…"));
    QPushButton *save =
        addButton(files, "saveProgram", QT_TRANSLATE_NOOP("ProgramWindow", "保存…"));
    files->addStretch(1);
    QPushButton *start =
        addButton(files, "startProgram", QT_TRANSLATE_NOOP("ProgramWindow", "开始"));
    QPushButton *pause =
        addButton(files, "pauseProgram", QT_TRANSLATE_NOOP("ProgramWindow", "暂停"));
    QPushButton *resume =
        addButton(files, "resumeProgram", QT_TRANSLATE_NOOP("ProgramWindow", "继续"));
    QPushButton *stop = addButton(files, "stopProgram", QT_TRANSLATE_NOOP("ProgramWindow", "停止"));
    layout->addLayout(files);

    m_steps = new QTableWidget(0, ColumnCount, this);
    m_steps->setObjectName(QStringLiteral("stepTable"));
    m_steps->setAccessibleName(QCoreApplication::translate("ProgramWindow", "程序步骤"));
    m_steps->setHorizontalHeaderLabels({QCoreApplication::translate("ProgramWindow", "名称"),
                                        QCoreApplication::translate("ProgramWindow", "时长"),
                                        QCoreApplication::translate("ProgramWindow", "单位"),
                                        QCoreApplication::translate("ProgramWindow", "流量 ml/min"),
                                        QCoreApplication::translate("ProgramWindow", "流量"),
                                        QCoreApplication::translate("ProgramWindow", "压力 MPa"),
                                        QCoreApplication::translate("ProgramWindow", "压力"),
                                        QCoreApplication::translate("ProgramWindow", "上限 MPa"),
                                        QCoreApplication::translate("ProgramWindow", "下限 MPa"),
                                        QCoreApplication::translate("ProgramWindow", "停泵")});
    m_steps->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_steps->horizontalHeader()->setSectionResizeMode(Name, QHeaderView::Stretch);
    m_steps->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_steps->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_steps, 3);

    auto *edits = new QHBoxLayout;
    QPushButton *insert =
        addButton(edits, "insertStep", QT_TRANSLATE_NOOP("ProgramWindow", "插入步骤"));
    QPushButton *remove =
        addButton(edits, "deleteStep", QT_TRANSLATE_NOOP("ProgramWindow", "删除步骤"));
    QPushButton *up = addButton(edits, "moveStepUp", QT_TRANSLATE_NOOP("ProgramWindow", "上移"));
    QPushButton *down =
        addButton(edits, "moveStepDown", QT_TRANSLATE_NOOP("ProgramWindow", "下移"));
    QPushButton *copy =
        addButton(edits, "copyStep", QT_TRANSLATE_NOOP("ProgramWindow", "复制步骤"));
    QPushButton *undoButton =
        addButton(edits, "undoEdit", QT_TRANSLATE_NOOP("ProgramWindow", "撤销"));
    edits->addStretch(1);
    QPushButton *addRepeat =
        addButton(edits, "addRepeat", QT_TRANSLATE_NOOP("ProgramWindow", "添加重复"));
    QPushButton *removeRepeat =
        addButton(edits, "deleteRepeat", QT_TRANSLATE_NOOP("ProgramWindow", "删除重复"));
    layout->addLayout(edits);

    m_repeats = new QTableWidget(0, 3, this);
    m_repeats->setObjectName(QStringLiteral("repeatTable"));
    m_repeats->setAccessibleName(QCoreApplication::translate("ProgramWindow", "重复段"));
    m_repeats->setHorizontalHeaderLabels({QCoreApplication::translate("ProgramWindow", "从第几步"),
                                          QCoreApplication::translate("ProgramWindow", "到第几步"),
                                          QCoreApplication::translate("ProgramWindow", "次数")});
    m_repeats->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_repeats->horizontalHeader()->setStretchLastSection(true);
    m_repeats->setMaximumHeight(110);
    layout->addWidget(m_repeats, 1);

    auto *faultTitle = new QLabel(QCoreApplication::translate("ProgramWindow", "检查结果"), this);
    layout->addWidget(faultTitle);
    m_faults = new QListWidget(this);
    m_faults->setObjectName(QStringLiteral("faultList"));
    m_faults->setAccessibleName(QCoreApplication::translate("ProgramWindow", "检查结果"));
    m_faults->setMaximumHeight(110);
    faultTitle->setBuddy(m_faults);
    layout->addWidget(m_faults, 1);

    auto *where = new QHBoxLayout;
    for (QLabel **label : {&m_where, &m_left, &m_ends, &m_volume}) {
        *label = new QLabel(this);
        (*label)->setTextFormat(Qt::PlainText);
        where->addWidget(*label);
    }
    m_where->setObjectName(QStringLiteral("programWhere"));
    m_left->setObjectName(QStringLiteral("programLeft"));
    m_ends->setObjectName(QStringLiteral("programEnds"));
    m_volume->setObjectName(QStringLiteral("programVolume"));
    where->addStretch(1);
    layout->addLayout(where);

    connect(open, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, QCoreApplication::translate("ProgramWindow", "打开程序"), QString(),
            QCoreApplication::translate("ProgramWindow", "程序 (*.json)"));
        QString why;
        if (!path.isEmpty() && !openFile(path, &why))
            emit problem(why);
    });
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, QCoreApplication::translate("ProgramWindow", "保存程序"), m_file,
            QCoreApplication::translate("ProgramWindow", "程序 (*.json)"));
        QString why;
        if (!path.isEmpty() && !saveFile(path, &why))
            emit problem(why);
    });
    connect(start, &QPushButton::clicked, this, [this] {
        check();
        if (!canStart())
            return;
        const QByteArray content = m_method.toJson();
        // The file's name only when the program is the file's content, unchanged.
        emit startRequested(m_method, content == m_savedContent ? m_file : QString(), content);
    });
    connect(pause, &QPushButton::clicked, &m_runner, &ProgramRunner::pause);
    connect(resume, &QPushButton::clicked, &m_runner, &ProgramRunner::resume);
    connect(stop, &QPushButton::clicked, &m_runner, &ProgramRunner::stop);
    connect(insert, &QPushButton::clicked, this, &ProgramWindow::insertStep);
    connect(remove, &QPushButton::clicked, this, &ProgramWindow::deleteStep);
    connect(up, &QPushButton::clicked, this, [this] { moveStep(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveStep(1); });
    connect(copy, &QPushButton::clicked, this, &ProgramWindow::copyStep);
    connect(undoButton, &QPushButton::clicked, this, &ProgramWindow::undo);
    auto *undoKey = new QShortcut(QKeySequence::Undo, this);
    connect(undoKey, &QShortcut::activated, this, &ProgramWindow::undo);
    connect(addRepeat, &QPushButton::clicked, this, [this] {
        Method changed = m_method;
        const int step = std::max(1, currentStep() + 1);
        changed.repeats << MethodRepeat{step, step, 2};
        edit(changed);
    });
    connect(removeRepeat, &QPushButton::clicked, this, [this] {
        const int row = m_repeats->currentRow();
        if (row < 0 || row >= m_method.repeats.size())
            return;
        Method changed = m_method;
        changed.repeats.removeAt(row);
        edit(changed);
    });
    connect(m_steps, &QTableWidget::cellChanged, this, &ProgramWindow::cellEdited);
    connect(m_repeats, &QTableWidget::cellChanged, this, &ProgramWindow::repeatEdited);
    connect(&m_runner, &ProgramRunner::changed, this, &ProgramWindow::showProgress);
    m_refresh = new QTimer(this);
    m_refresh->setInterval(1000);
    connect(m_refresh, &QTimer::timeout, this, &ProgramWindow::showProgress);
    resize(980, 560);
    rebuild();
    showProgress();
}

QPushButton *ProgramWindow::button(const char *name) const
{
    return findChild<QPushButton *>(QLatin1String(name));
}

void ProgramWindow::setMethod(const Method &method)
{
    edit(method);
}

void ProgramWindow::edit(const Method &method)
{
    if (method == m_method)
        return;
    m_undo.append(m_method);
    m_method = method;
    rebuild();
}

void ProgramWindow::undo()
{
    if (m_undo.isEmpty())
        return;
    m_method = m_undo.takeLast();
    m_badCells.clear();
    rebuild();
}

int ProgramWindow::currentStep() const
{
    const int row = m_steps->currentRow();
    return row >= 0 && row < m_method.steps.size() ? row : -1;
}

void ProgramWindow::insertStep()
{
    if (m_method.steps.size() >= Method::mostSteps)
        return;
    Method changed = m_method;
    const int at =
        currentStep() >= 0 ? currentStep() : int(std::max<qsizetype>(0, changed.steps.size() - 1));
    MethodStep step;
    step.name = QCoreApplication::translate("ProgramWindow", "第 %1 步").arg(at + 1);
    step.duration = 10;
    if (at > 0 && !changed.steps.at(at - 1).stop) {
        step.flow = changed.steps.at(at - 1).flow;
        step.pressure = changed.steps.at(at - 1).pressure;
    }
    changed.steps.insert(at, step);
    edit(changed);
    m_steps->setCurrentCell(at, Name);
}

void ProgramWindow::deleteStep()
{
    const int at = currentStep();
    if (at < 0)
        return;
    Method changed = m_method;
    changed.steps.removeAt(at);
    edit(changed);
}

void ProgramWindow::moveStep(int by)
{
    const int at = currentStep();
    const int to = at + by;
    if (at < 0 || to < 0 || to >= m_method.steps.size())
        return;
    Method changed = m_method;
    changed.steps.move(at, to);
    edit(changed);
    m_steps->setCurrentCell(to, Name);
}

void ProgramWindow::copyStep()
{
    const int at = currentStep();
    if (at < 0 || m_method.steps.size() >= Method::mostSteps)
        return;
    Method changed = m_method;
    changed.steps.insert(at + 1, changed.steps.at(at));
    edit(changed);
    m_steps->setCurrentCell(at + 1, Name);
}

void ProgramWindow::rebuild()
{
    m_rebuilding = true;
    const int current = m_steps->currentRow();
    m_steps->setRowCount(int(m_method.steps.size()));
    for (int row = 0; row < m_method.steps.size(); ++row) {
        const MethodStep &step = m_method.steps.at(row);
        auto text = [&](int column, const QString &value) {
            const auto bad = m_badCells.constFind({row, column});
            m_steps->setItem(row, column,
                             new QTableWidgetItem(bad != m_badCells.cend() ? *bad : value));
        };
        text(Name, step.name);
        text(Duration, numberText(step.duration));
        text(Flow, QString::number(step.flow));
        text(Pressure, QString::number(step.pressure));
        text(High, numberText(step.high));
        text(Low, numberText(step.low));
        m_steps->setItem(row, FlowMode,
                         checkItem(step.flowRamp, QT_TRANSLATE_NOOP("ProgramWindow", "斜坡")));
        m_steps->setItem(row, PressureMode,
                         checkItem(step.pressureRamp, QT_TRANSLATE_NOOP("ProgramWindow", "斜坡")));
        m_steps->setItem(row, Stop,
                         checkItem(step.stop, QT_TRANSLATE_NOOP("ProgramWindow", "停泵")));
        auto *unit = new QComboBox(m_steps);
        for (const char *name : unitNames)
            unit->addItem(QCoreApplication::translate("ProgramWindow", name));
        unit->setCurrentIndex(int(step.unit));
        unit->setAccessibleName(
            QCoreApplication::translate("ProgramWindow", "第 %1 步的时长单位").arg(row + 1));
        connect(unit, &QComboBox::currentIndexChanged, this, [this, row](int index) {
            if (m_rebuilding)
                return;
            // After the box's own signal: the rebuild replaces the box.
            QMetaObject::invokeMethod(
                this,
                [this, row, index] {
                    if (row >= m_method.steps.size())
                        return;
                    Method changed = m_method;
                    changed.steps[row].unit = MethodStep::Unit(index);
                    edit(changed);
                },
                Qt::QueuedConnection);
        });
        m_steps->setCellWidget(row, Unit, unit);
    }
    m_repeats->setRowCount(int(m_method.repeats.size()));
    for (int row = 0; row < m_method.repeats.size(); ++row) {
        const MethodRepeat &repeat = m_method.repeats.at(row);
        int column = 0;
        for (const int value : {repeat.from, repeat.to, repeat.times})
            m_repeats->setItem(row, column++, new QTableWidgetItem(QString::number(value)));
    }
    if (current >= 0 && current < m_steps->rowCount())
        m_steps->setCurrentCell(current, Name);
    m_rebuilding = false;
    check();
}

void ProgramWindow::cellEdited(int row, int column)
{
    if (m_rebuilding || row >= m_method.steps.size())
        return;
    const QTableWidgetItem *item = m_steps->item(row, column);
    if (!item)
        return;
    Method changed = m_method;
    MethodStep &step = changed.steps[row];
    const QString typed = item->text();
    std::optional<double> value;
    bool ok = true;
    switch (column) {
    case Name:
        step.name = typed;
        break;
    case Duration:
        ok = parse(typed, &value);
        if (ok)
            step.duration = value;
        break;
    case Flow:
    case Pressure:
        ok = parse(typed, &value) && value.has_value();
        if (ok)
            (column == Flow ? step.flow : step.pressure) = *value;
        break;
    case High:
    case Low:
        ok = parse(typed, &value);
        if (ok)
            (column == High ? step.high : step.low) = value;
        break;
    case FlowMode:
        step.flowRamp = item->checkState() == Qt::Checked;
        break;
    case PressureMode:
        step.pressureRamp = item->checkState() == Qt::Checked;
        break;
    case Stop:
        step.stop = item->checkState() == Qt::Checked;
        break;
    default:
        return;
    }
    // What was typed stays in its cell, and is a fault, until it is a value.
    if (!ok) {
        m_badCells.insert({row, column}, typed);
        check();
        return;
    }
    m_badCells.remove({row, column});
    if (changed == m_method) {
        check();
        return;
    }
    edit(changed);
}

void ProgramWindow::repeatEdited(int row, int column)
{
    if (m_rebuilding || row >= m_method.repeats.size())
        return;
    bool ok = false;
    const int value = m_repeats->item(row, column)->text().trimmed().toInt(&ok);
    Method changed = m_method;
    MethodRepeat &repeat = changed.repeats[row];
    if (ok)
        (column == 0 ? repeat.from : column == 1 ? repeat.to : repeat.times) = value;
    if (!ok) {
        m_badCells.insert({-1 - row, column}, m_repeats->item(row, column)->text());
        check();
        return;
    }
    m_badCells.remove({-1 - row, column});
    edit(changed);
}

QStringList ProgramWindow::faultTexts() const
{
    QStringList texts;
    for (auto it = m_badCells.cbegin(); it != m_badCells.cend(); ++it) {
        const bool repeat = it.key().first < 0;
        const QString header = repeat ? m_repeats->horizontalHeaderItem(it.key().second)->text()
                                      : m_steps->horizontalHeaderItem(it.key().second)->text();
        texts << (repeat
                      ? QCoreApplication::translate("ProgramWindow", "重复段第 %1 行：%2“%3”不是数")
                            .arg(-it.key().first)
                            .arg(header, it.value())
                      : QCoreApplication::translate("ProgramWindow", "第 %1 步：%2“%3”不是数")
                            .arg(it.key().first + 1)
                            .arg(header, it.value()));
    }
    for (const Method::Fault &fault : m_method.faults(m_panelLimits()))
        texts << (fault.step > 0
                      ? QCoreApplication::translate("ProgramWindow", "第 %1 步：%2")
                            .arg(fault.step)
                            .arg(fault.reason)
                      : QCoreApplication::translate("ProgramWindow", "程序：%1").arg(fault.reason));
    return texts;
}

bool ProgramWindow::canStart() const
{
    return faultTexts().isEmpty() && !m_runner.isActive();
}

void ProgramWindow::check()
{
    const QStringList texts = faultTexts();
    m_faults->clear();
    m_faults->addItems(texts.isEmpty() ? QStringList{QCoreApplication::translate(
                                             "ProgramWindow", "没有问题，可以开始")}
                                       : texts);
    showProgress();
}

bool ProgramWindow::openFile(const QString &path, QString *problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QCoreApplication::translate("ProgramWindow", "程序文件 %1 无法打开：%2")
                       .arg(path, file.errorString());
        return false;
    }
    const QByteArray content = file.readAll();
    QString why;
    const std::optional<Method> method = Method::fromJson(content, &why);
    if (!method) {
        *problem =
            QCoreApplication::translate("ProgramWindow", "程序文件 %1 没有载入：%2").arg(path, why);
        return false;
    }
    m_badCells.clear();
    edit(*method);
    m_file = QFileInfo(path).fileName();
    m_savedContent = content;
    showProgress();
    return true;
}

bool ProgramWindow::saveFile(const QString &path, QString *problem)
{
    QSaveFile file(path);
    const QByteArray content = m_method.toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        *problem = QCoreApplication::translate("ProgramWindow", "程序文件 %1 无法保存：%2")
                       .arg(path, file.errorString());
        return false;
    }
    m_file = QFileInfo(path).fileName();
    m_savedContent = content;
    showProgress();
    return true;
}

QString ProgramWindow::shortProgress(const ProgramRunner &runner)
{
    if (!runner.isActive())
        return QCoreApplication::translate("ProgramWindow", "程序");
    const ProgramRunner::Progress at = runner.progress();
    // Whole minutes: the bar's text changes once a minute, not every second.
    const qint64 minutes = (at.leftInProgram + 59999) / 60000;
    return QCoreApplication::translate("ProgramWindow", "程序 %1/%2%3 · 剩 %4 分")
        .arg(at.index + 1)
        .arg(at.count)
        .arg(runner.state() == ProgramRunner::State::Paused
                 ? QCoreApplication::translate("ProgramWindow", " 暂停")
                 : QString())
        .arg(minutes);
}

void ProgramWindow::showProgress()
{
    const bool active = m_runner.isActive();
    if (active != m_refresh->isActive())
        active ? m_refresh->start() : m_refresh->stop();
    const bool paused = m_runner.state() == ProgramRunner::State::Paused;
    button("startProgram")->setEnabled(!active && faultTexts().isEmpty());
    button("pauseProgram")->setEnabled(active && !paused);
    button("resumeProgram")->setEnabled(paused);
    button("stopProgram")->setEnabled(active);
    const ProgramRunner::Progress at = m_runner.progress();
    if (at.count == 0) {
        m_where->setText(
            m_file.isEmpty()
                ? QCoreApplication::translate("ProgramWindow", "程序未保存")
                : QCoreApplication::translate("ProgramWindow", "程序文件 %1").arg(m_file));
        m_left->clear();
        m_ends->clear();
        m_volume->clear();
        return;
    }
    m_where->setText(
        QCoreApplication::translate("ProgramWindow", "第 %1/%2 步（程序第 %3 步）%4%5")
            .arg(at.index + 1)
            .arg(at.count)
            .arg(at.stepNumber)
            .arg(at.name, active
                              ? (paused ? QCoreApplication::translate("ProgramWindow", "，已暂停")
                                        : QString())
                              : QCoreApplication::translate("ProgramWindow", "，已结束")));
    m_left->setText(QCoreApplication::translate("ProgramWindow", "本步剩 %1，全部剩 %2")
                        .arg(clockDuration(at.leftInStep), clockDuration(at.leftInProgram)));
    m_ends->setText(active ? QCoreApplication::translate("ProgramWindow", "预计 %1 结束")
                                 .arg(QDateTime::currentDateTime()
                                          .addMSecs(at.leftInProgram)
                                          .toString(QStringLiteral("MM-dd HH:mm:ss")))
                           : QString());
    m_volume->setText(QCoreApplication::translate("ProgramWindow", "估计已泵送 %1 ml（估计值）")
                          .arg(at.volume, 0, 'f', 1));
}
