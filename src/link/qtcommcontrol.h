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
    OpenFailure openFailure() const override;
    QString errorString() const override;
    QString accessGroup() const override;
    bool switchPort(const QString &deviceName, const QString &settings) override;
    QString deviceIdentity(const QString &deviceName) const override;
    bool setSettings(const QString &settings) override;
    void setInputLen(int length) override;
    void setRThreshold(int threshold) override;
    int rThreshold() const override;
    bool output(const QByteArray &data) override;
    QByteArray input() override;
    int commEvent() const override;
    QStringList availablePorts() const override;

private:
    void attach(QSerialPort *port);
    bool openDevice(QSerialPort *port, const QString &deviceName);
    void onReadyRead();
    void onError(int error);

    QSerialPort *m_port = nullptr;
    // As the operator gave it: QSerialPort shortens "/dev/pts/0" to "pts/0".
    QString m_deviceName;
    OpenFailure m_openFailure = OpenFailure::None;
    QString m_errorString;
    QString m_accessGroup;
    int m_inputLen = 0;
    int m_threshold = 0;
    int m_commEvent = 0;
    bool m_losing = false;
    quint64 m_openings = 0;
};
