#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal whose far end the test plays: the panel opens slavePath() as its serial
// port, and the test reads and writes the master side.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    bool write(const QByteArray &bytes);
    // What the panel has written so far, without waiting.
    QByteArray readAvailable();
    // Hangs up: the panel's side sees the device go away.
    void closeMaster();

private:
    int m_master = -1;
    QString m_slavePath;
};
