#include "uifont.h"

#include <QFontDatabase>
#include <QStringList>

QString chineseFontFamily()
{
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        // SimSun first; then serif faces closest to it; then the common sans faces.
        static const char *const preferred[] = {
            "宋体",
            "SimSun",
            "NSimSun",
            "Noto Serif CJK SC",
            "AR PL UMing CN",
            "Noto Sans CJK SC",
            "WenQuanYi Zen Hei",
            "WenQuanYi Micro Hei",
            "Droid Sans Fallback",
        };
        for (const char *name : preferred) {
            const QString candidate = QString::fromUtf8(name);
            if (installed.contains(candidate, Qt::CaseInsensitive))
                return candidate;
        }
        return installed.isEmpty() ? QString::fromUtf8("宋体") : installed.first();
    }();
    return family;
}

QFont labelFont(double pointSize)
{
    QFont font(chineseFontFamily());
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Bold);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}
