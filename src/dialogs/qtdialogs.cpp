#include "qtdialogs.h"

#include <QInputDialog>
#include <QMessageBox>

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
    // Prompts join their lines with CR LF; the label breaks lines on LF alone.
    dialog.setLabelText(QString(prompt).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    dialog.setTextValue(preset);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

void QtDialogs::messageBox(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_parent);
    box.exec();
}
