#pragma once

#include "recordfile.h"

#include <QList>

// Keeps what would have been written to the record file.
class FakeRecordFile final : public RecordFile
{
public:
    QString path() const override { return QStringLiteral("/fake/mytext.txt"); }
    bool write(const QByteArray &content, QString *error) override
    {
        if (!failure.isEmpty()) {
            *error = failure;
            return false;
        }
        writes << content;
        return true;
    }

    QList<QByteArray> writes;
    QString failure; // when set, writing fails with this reason
};
