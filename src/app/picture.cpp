#include "picture.h"

#include <QFile>

QPixmap loadPicture(const QString &file, qreal devicePixelRatio)
{
    if (devicePixelRatio > 1.0) {
        const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
        const QString finer = file.left(dot) + QStringLiteral("@2x.png");
        if (QFile::exists(finer)) {
            QPixmap picture(finer);
            picture.setDevicePixelRatio(2.0);
            return picture;
        }
    }
    return QPixmap(file);
}
