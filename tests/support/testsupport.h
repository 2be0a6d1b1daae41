#pragma once

#include <QString>

// Chinese texts in tests are written as UTF-8 literals.
inline QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}
