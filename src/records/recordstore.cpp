#include "recordstore.h"

#include "numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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
    // Each value takes at most 1 + 21 + 1 characters, and a line break follows every fifth.
    text.resize(qsizetype(store.saveprcout()) * 23 + qsizetype(store.saveprcout() / 5) * 2);
    char *out = text.data();
    for (int i = 1; i <= store.saveprcout(); ++i) {
        const double value = store.saveprdata(i);
        *out++ = std::signbit(value) && value != 0 ? '-' : ' ';
        // The general form with at most 15 significant digits and no trailing zeros, as
        // printf("%.15G") writes it; very large and very small magnitudes take an exponent
        // (1E+20, 1E-05).
        char *digits = out;
        out = std::to_chars(out, out + 22, std::fabs(value), std::chars_format::general, 15).ptr;
        if (out - digits > 1 && digits[0] == '0' && digits[1] == '.') {
            std::copy(digits + 1, out, digits); // .8, not 0.8
            --out;
        }
        for (char *c = digits; c < out; ++c) {
            if (*c == 'e')
                *c = 'E';
        }
        *out++ = ' ';
        if (i % 5 == 0) {
            *out++ = '\r';
            *out++ = '\n';
        }
    }
    text.resize(out - text.data());
    return text;
}
