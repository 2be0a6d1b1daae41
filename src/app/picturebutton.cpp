#include "picturebutton.h"

#include "picture.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

PictureButton::PictureButton(const QString &name, const QString &picture, QWidget *parent)
    : QAbstractButton(parent)
    , m_pictureFile(picture)
{
    setObjectName(name);
    setFocusPolicy(Qt::StrongFocus);
}

QPixmap PictureButton::picture() const
{
    // Read again when the key moves to a screen of another scale.
    const qreal ratio = devicePixelRatioF();
    if (m_picture.isNull() || ratio != m_pictureRatio) {
        m_picture = loadPicture(m_pictureFile, ratio);
        m_pictureRatio = ratio;
    }
    return m_picture;
}

QSize PictureButton::sizeHint() const
{
    return picture().deviceIndependentSize().toSize() + QSize(2, 4);
}

void PictureButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    // At 125 % or 150 % the 2x picture is drawn smaller: filtered, not with dropped pixels.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::None;
    if (isDown())
        option.state |= QStyle::State_Sunken;
    else
        option.state |= QStyle::State_Raised;
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QPixmap face = picture();
    QRect target(QPoint(0, 0), face.deviceIndependentSize().toSize());
    target.moveCenter(rect().center());
    if (isDown()) {
        target.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                         style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    painter.drawPixmap(target, face);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = target.adjusted(1, 1, -1, -1);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

void PictureButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
