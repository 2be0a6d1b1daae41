#include "pressuretrend.h"

#include "numbers.h"
#include "picturebox.h"

#include <QLabel>

PressureTrend::PressureTrend(qint16 &itime, std::array<double, 103> &plotpr, const QLabel *LcurrP,
                             PictureBox *Picture1)
    : m_itime(itime)
    , m_plotpr(plotpr)
    , m_LcurrP(LcurrP)
    , m_Picture1(Picture1)
{}

void PressureTrend::step()
{
    // The grid is drawn at every step, so it comes back after each clear.
    m_Picture1->Line({0, 0}, {100, 0});
    m_Picture1->Line({0, 0.5}, {1.5, 0.5});
    m_Picture1->Line({0, 1}, {1.5, 1});
    m_Picture1->Line({0, 1.5}, {1.5, 1.5});

    // A caption that is not a number keeps the sample of the previous sweep at this place.
    auto sample = [this](int x) -> double & { return m_plotpr[x + 1]; };
    if (const std::optional<double> shown = textToDouble(m_LcurrP->text()))
        sample(m_itime) = *shown;

    m_Picture1->Line({m_itime - 1.0, sample(m_itime - 1)}, {double(m_itime), sample(m_itime)},
                     QColor(255, 0, 0));

    ++m_itime;
    if (m_itime == positions) {
        m_itime = 0;
        m_Picture1->Cls();
    }
}
