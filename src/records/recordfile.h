#pragma once

#include <QByteArray>
#include <QString>

// Where the record file is written. One implementation writes the file at its fixed place; tests
// put a fake in its place.
class RecordFile
{
public:
    virtual ~RecordFile() = default;
    virtual QString path() const = 0;
    // Replaces the whole file with `content`. On failure the old file is left as it was and
    // `error` says why.
    virtual bool write(const QByteArray &content, QString *error) = 0;
};

class QtRecordFile final : public RecordFile
{
public:
    // "d:\mytext.txt" on Windows; mytext.txt in the home folder elsewhere.
    static QString defaultPath();

    explicit QtRecordFile(const QString &path = defaultPath());

    QString path() const override { return m_path; }
    bool write(const QByteArray &content, QString *error) override;

private:
    QString m_path;
};
