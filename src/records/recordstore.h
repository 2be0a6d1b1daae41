#pragma once

#include <QByteArray>
#include <QStringView>

#include <vector>

// The stored pressure readings, in the order they came, written out by the save command.
class RecordStore
{
public:
    static constexpr int capacity = 1000000;

    // False, and nothing stored, once the store is full.
    bool append(double value);
    int saveprcout() const { return int(m_values.size()); }
    bool isFull() const { return saveprcout() >= capacity; }
    // Value i, counted from 1 as the record file counts them.
    double saveprdata(int i) const { return m_values[std::size_t(i - 1)]; }

private:
    std::vector<double> m_values; // grows with the readings, not paid for up front
};

// Fills the store from the pump's current-pressure replies.
class ReadingRecorder
{
public:
    explicit ReadingRecorder(RecordStore &store);

    // Stores the data field of a reply if it reads as a number. True once, for the first reading
    // that finds the store full: the operator is to be told then, and not again.
    bool record(QStringView data);

private:
    RecordStore &m_store;
    bool m_toldFull = false;
};

// The text of the record file: five values to a line, each as " " or "-", the number, " ";
// CR LF after every fifth value and nowhere else.
QByteArray recordFileText(const RecordStore &store);
