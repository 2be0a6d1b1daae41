#include "pressuretrend.h"

#include "numbers.h"
#include "picturebox.h"

PressureTrend::PressureTrend(PictureBox *Picture1)
    : m_Picture1(Picture1)
{
    m_Picture1->setScale(QPointF(0, 2), QPointF(100, -0.8));
}

void PressureTrend::step(const QString &shownPressure)
{
    // The grid is drawn at every step, so it comes back after each clear.
    m_Picture1->Line({0, 0}, {100, 0});
    m_Picture1->Line({0, 0.5}, {1.5, 0.5});
    m_Picture1->Line({0, 1}, {1.5, 1});
    m_Picture1->Line({0, 1.5}, {1.5, 1.5});

    auto sample = [this](int x) -> double & { return m_plotpr[std::size_t(x + 1)]; };
    if (const std::optional<double> shown = textToDouble(shownPressure))
        sample(m_itime) = *shown;

    m_Picture1->Line({m_itime - 1.0, sample(m_itime - 1)}, {double(m_itime), sample(m_itime)},
                     QColor(255, 0, 0));

    ++m_itime;
    if (m_itime == positions) {
        m_itime = 0;
        m_Picture1->Cls();
    }
}
