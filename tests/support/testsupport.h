#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTimer>

// Chinese texts in tests are written as UTF-8 literals.
inline QString utf8(const char *text)
{
    return QString::fromUtf8(text);
}

// A whole file, or nothing when it cannot be read.
inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// A timer's timeout, now, as if it had come: what the tests tick instead of waiting for one.
[[nodiscard]] inline bool fire(QTimer *timer)
{
    return QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}
