#pragma once

#include "commcontrol.h"

class QSerialPort;

class QtCommControl final : public CommControl
{
    Q_OBJECT
public:
    explicit QtCommControl(QObject *parent = nullptr);
    ~QtCommControl() override;

    void setCommPort(const QString &deviceName) override;
    QString commPort() const override;
    bool isPortOpen() const override;
    bool setPortOpen(bool open) override;
    QString errorString() const override;

private:
    QSerialPort *m_port;
    QString m_errorString;
};
