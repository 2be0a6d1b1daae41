#pragma once

#include <QPixmap>
#include <QString>

// A picture of the window for a screen with `devicePixelRatio` device pixels to the layout's
// pixel: where that is more than 1 and the picture was also drawn at twice the size
// (name@2x.png beside name.png or name.bmp), the finer drawing, marked as 2x so that it covers
// the same layout pixels; otherwise the 1x picture. The finer one is read only when needed.
QPixmap loadPicture(const QString &file, qreal devicePixelRatio);
