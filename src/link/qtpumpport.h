#pragma once

#include "pumpport.h"

class QSerialPort;

class QtPumpPort final : public PumpPort
{
    Q_OBJECT
public:
    // Where the system keeps a stable link per USB serial adapter.
    static QString defaultByIdFolder();

    explicit QtPumpPort(QObject *parent = nullptr);
    // `byIdFolder` in place of the system's folder of adapter links (tests give their own).
    QtPumpPort(const QString &byIdFolder, QObject *parent = nullptr);
    ~QtPumpPort() override;

    OpenFailure open(const QString &device, const LineSettings &settings) override;
    void close() override;
    bool isOpen() const override;
    QString device() const override;
    QString identity(const QString &device) const override;
    QString reopenName(const QString &device) const override;
    bool write(const QByteArray &bytes) override;
    QStringList availablePorts() const override;

private:
    void onReadyRead();
    void onError(int error);

    QString m_byIdFolder;
    QSerialPort *m_port = nullptr; // the open port, or the last one
    // As the operator gave it: QSerialPort shortens "/dev/pts/0" to "pts/0".
    QString m_device;
    bool m_losing = false;
    quint64 m_openings = 0;
};
