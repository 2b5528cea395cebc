#pragma once

#include "link/SerialPort.h"

#include <QByteArray>
#include <QString>

class MeterModel;
class VirtualWaiter;

// A serial port whose far end is the simulated meter, on a virtual clock.
//
// Written bytes reach the model at the waiter's current time; reply bytes
// become readable once the waiter's clock has passed the time each one
// leaves the meter. The port registers the model's next byte time as an
// event source, so a wait jumps straight to the next byte or the deadline.
// The speed in the settings text sets the model's baud rate.
class SimSerialPort : public SerialPort {
    Q_OBJECT
public:
    SimSerialPort(MeterModel& model, VirtualWaiter& waiter, QObject* parent = nullptr);
    ~SimSerialPort() override;

    bool open() override;
    void close() override;
    bool isOpen() const override { return open_; }

    int portNumber() const override { return portNumber_; }
    bool setPortNumber(int number) override;

    QString settings() const override { return settings_; }
    bool setSettings(const QString& text) override;

    int handshaking() const override { return handshaking_; }
    bool setHandshaking(int code) override;

    int bytesWaiting() override;
    void discardInput() override;
    int readByte() override;
    bool write(const QByteArray& bytes) override;

    QString errorString() const override { return error_; }

    // Every byte the program has written since the port was created.
    const QByteArray& written() const { return written_; }

    // The speed of a settings text such as "19200,n,8,1", or 0 when the text
    // is not one a serial port accepts.
    static int speedOf(const QString& text);

private:
    // Moves the bytes that have arrived into the input buffer; false (and
    // the port closed, failed() emitted) when the line has gone away.
    bool collect();
    bool fail(const QString& description);

    MeterModel& model_;
    VirtualWaiter& waiter_;
    int sourceId_ = 0;
    bool open_ = false;
    bool hungUp_ = false;
    int portNumber_ = 1;
    QString settings_ = QStringLiteral("19200,n,8,1");
    int handshaking_ = 0;
    QByteArray input_;
    QByteArray written_;
    QString error_;
};
