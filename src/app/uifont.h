#pragma once

#include <QFont>
#include <QString>

// The family used for every label: SimSun where it is installed, otherwise the best installed
// font that covers Simplified Chinese.
QString chineseFontFamily();

// A bold label font of that family at the given point size.
QFont labelFont(double pointSize);

// Menus, dialogs and the status bar in a face with Chinese glyphs, whatever the system's own
// interface font is. Called once, before the window is made.
void useChineseInterfaceFont();
