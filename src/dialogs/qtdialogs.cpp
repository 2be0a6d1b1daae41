#include "qtdialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

// Texts join their lines with CR LF; labels break lines on LF alone.
QString shownText(const QString &text)
{
    return QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

} // namespace

QtDialogs::QtDialogs(QWidget *parent)
    : m_parent(parent)
{}

void QtDialogs::setParent(QWidget *parent)
{
    m_parent = parent;
}

QString QtDialogs::inputBox(const QString &prompt, const QString &title, const QString &preset)
{
    QInputDialog dialog(m_parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(shownText(prompt));
    dialog.setTextValue(preset);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

void QtDialogs::messageBox(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, QString(), QMessageBox::Ok, m_parent);
    // Messages carry what the operator typed, device names and system reasons: shown as
    // characters, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(shownText(text));
    box.exec();
}

void QtDialogs::beep()
{
    QApplication::beep();
}
