#include "recordstore.h"

#include "numbers.h"

#include <cmath>
#include <cstdio>
#include <cstring>

bool RecordStore::append(double value)
{
    if (isFull())
        return false;
    m_values.push_back(value);
    return true;
}

ReadingRecorder::ReadingRecorder(RecordStore &store)
    : m_store(store)
{}

bool ReadingRecorder::record(QStringView data)
{
    const std::optional<double> value = textToDouble(data);
    if (!value || m_store.append(*value) || m_toldFull)
        return false;
    m_toldFull = true;
    return true;
}

QByteArray recordFileText(const RecordStore &store)
{
    QByteArray text;
    text.reserve(qsizetype(store.saveprcout()) * 12);
    char number[40];
    for (int i = 1; i <= store.saveprcout(); ++i) {
        const double value = store.saveprdata(i);
        // The general form with at most 15 significant digits and no trailing zeros; very
        // large and very small magnitudes take an exponent (1E+20, 1E-05).
        std::snprintf(number, sizeof number, "%.15G", std::fabs(value));
        const char *digits = number;
        if (digits[0] == '0' && digits[1] == '.')
            ++digits; // .8, not 0.8
        text.append(std::signbit(value) && value != 0 ? '-' : ' ');
        text.append(digits, qsizetype(std::strlen(digits)));
        text.append(' ');
        if (i % 5 == 0)
            text.append("\r\n", 2);
    }
    return text;
}
