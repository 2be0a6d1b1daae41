#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A key of the keypad: a button face showing a picture and no caption.
class PictureButton : public QAbstractButton
{
    Q_OBJECT
public:
    // `picture` is the file of the face's picture, read when the key is first shown.
    PictureButton(const QString &name, const QString &picture, QWidget *parent = nullptr);

    QPixmap picture() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_pictureFile;
    mutable QPixmap m_picture;
    mutable qreal m_pictureRatio = 0;
};
