#pragma once

#include <QString>

// Where the parts say what happened, for the run log. Every part works without one.
class Journal
{
public:
    virtual ~Journal() = default;
    // `event` is one word of the run log's vocabulary ("refused", "timed-start", ...); `detail`
    // what an operator reading the log would want to know.
    virtual void note(const QString &event, const QString &detail) = 0;
};

inline void noteTo(Journal *journal, const QString &event, const QString &detail)
{
    if (journal)
        journal->note(event, detail);
}
