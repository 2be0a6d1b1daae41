#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A key of the keypad: a button face showing a picture and no caption. Keys that share a name
// form a group and are told apart by their index, which each click reports.
class PictureButton : public QAbstractButton
{
    Q_OBJECT
public:
    // `picture` is the file of the face's picture, read when the key is first shown.
    PictureButton(const QString &name, qint16 index, const QString &picture,
                  QWidget *parent = nullptr);

    qint16 index() const { return m_index; }
    QPixmap picture() const;

    QSize sizeHint() const override;

signals:
    void groupClicked(qint16 index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    qint16 m_index;
    QString m_pictureFile;
    mutable QPixmap m_picture;
    mutable qreal m_pictureRatio = 0;
};
