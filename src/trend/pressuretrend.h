#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

class PictureBox;

// The running curve of the current pressure in Picture1: one segment per accepted reply, 100
// positions from left to right, then the picture is cleared and the curve starts again.
class PressureTrend
{
public:
    static constexpr int positions = 100;

    explicit PressureTrend(PictureBox *Picture1);

    // One step, after a reply has been shown: the sample is the current pressure as shown.
    // A caption that is not a number keeps the sample of the previous sweep at this place.
    void step(const QString &shownPressure);

    // Index of the next sample, 0 to 99.
    qint16 itime() const { return m_itime; }
    // The sample at x, for x = -1 to 101; x = -1 is never written and stays 0.
    double plotpr(int x) const { return m_plotpr[std::size_t(x + 1)]; }

private:
    qint16 m_itime = 0;
    std::array<double, 103> m_plotpr{};
    PictureBox *m_Picture1;
};
