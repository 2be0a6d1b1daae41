#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A key of the keypad: a button face showing a picture and no caption. Keys that share a name
// form a group and are told apart by their index, which each click reports.
class PictureButton : public QAbstractButton
{
    Q_OBJECT
public:
    PictureButton(const QString &name, qint16 index, const QPixmap &picture,
                  QWidget *parent = nullptr);

    qint16 index() const { return m_index; }
    QPixmap picture() const { return m_picture; }

    QSize sizeHint() const override;

signals:
    void groupClicked(qint16 index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    qint16 m_index;
    QPixmap m_picture;
};
