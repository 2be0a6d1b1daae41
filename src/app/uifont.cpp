#include "uifont.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace {

QString firstInstalled(std::initializer_list<const char *> preferred)
{
    const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const char *name : preferred) {
        const QString candidate = QString::fromUtf8(name);
        if (installed.contains(candidate, Qt::CaseInsensitive))
            return candidate;
    }
    return installed.isEmpty() ? QString() : installed.first();
}

bool hasChineseGlyphs(const QFont &font)
{
    return QFontDatabase::writingSystems(QFontInfo(font).family())
        .contains(QFontDatabase::SimplifiedChinese);
}

} // namespace

QString chineseFontFamily()
{
    // SimSun first; Microsoft YaHei, which every Simplified Chinese capable Windows has; then
    // the serif faces closest to SimSun; then the common sans faces.
    static const QString family = [] {
        const QString found =
            firstInstalled({"宋体", "SimSun", // untranslated: font names
                            "NSimSun", "Microsoft YaHei", "Noto Serif CJK SC", "AR PL UMing CN",
                            "Noto Sans CJK SC", "WenQuanYi Zen Hei", "WenQuanYi Micro Hei",
                            "Droid Sans Fallback"});
        return found.isEmpty() ? QString::fromUtf8("宋体") : found; // untranslated: a font name
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

void useChineseInterfaceFont()
{
    // Windows' dialog font (Segoe UI, Tahoma under Wine) has no Chinese glyphs and leaves the
    // menus, dialogs and status bar to glyph substitution, which may draw boxes or broken
    // bitmap glyphs: a face that has them is used instead, at the system's own sizes. The
    // platform gives some kinds of widget fonts of their own, each of which is checked.
    const QString family = firstInstalled(
        {"Microsoft YaHei UI", "Microsoft YaHei", "Noto Sans CJK SC", "WenQuanYi Micro Hei",
         "WenQuanYi Zen Hei", "Droid Sans Fallback", "宋体", "SimSun"}); // untranslated: font names
    if (family.isEmpty())
        return;
    static const char *const kinds[] = {nullptr,
                                        "QMenu",
                                        "QMenuBar",
                                        "QMenuItem",
                                        "QMessageBox",
                                        "QLabel",
                                        "QTipLabel",
                                        "QStatusBar",
                                        "QPushButton",
                                        "QCheckBox",
                                        "QRadioButton",
                                        "QToolButton",
                                        "QAbstractItemView",
                                        "QListView",
                                        "QHeaderView",
                                        "QComboMenuItem",
                                        "QComboLineEdit",
                                        "QDockWidgetTitle",
                                        "QMdiSubWindowTitleBar",
                                        "QSmallFont",
                                        "QMiniFont"};
    for (const char *kind : kinds) {
        QFont font = kind ? QApplication::font(kind) : QApplication::font();
        if (hasChineseGlyphs(font))
            continue;
        font.setFamily(family);
        QApplication::setFont(font, kind);
    }
}
