#include "pseudoterminal.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    int slave = -1;
    char name[256] = {};
    if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
        m_master = -1;
        return;
    }
    // Raw on our side too, so bytes pass unchanged in both directions.
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    ::close(slave);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    return m_master >= 0 && ::write(m_master, bytes.constData(), bytes.size()) == bytes.size();
}

QByteArray PseudoTerminal::readAvailable()
{
    QByteArray all;
    char buffer[4096];
    while (m_master >= 0) {
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        if (got <= 0)
            break;
        all.append(buffer, got);
    }
    return all;
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
