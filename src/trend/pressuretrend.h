#pragma once

#include <QtGlobal>

#include <array>

class PictureBox;
class QLabel;

// The running curve of the current pressure in Picture1: one segment per accepted reply, 100
// positions from left to right, then the picture is cleared and the curve starts again.
class PressureTrend
{
public:
    static constexpr int positions = 100;

    // plotpr holds the samples for x = -1 to 101 at x + 1; x = -1 stays 0.
    PressureTrend(qint16 &itime, std::array<double, 103> &plotpr, const QLabel *LcurrP,
                  PictureBox *Picture1);

    // One step, after a reply has been shown: the sample is what LcurrP shows now.
    void step();

private:
    qint16 &m_itime;
    std::array<double, 103> &m_plotpr;
    const QLabel *m_LcurrP;
    PictureBox *m_Picture1;
};
