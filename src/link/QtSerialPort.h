#pragma once

#include "LineSettings.h"
#include "SerialPort.h"

#include <QSerialPort>
#include <functional>
#include <optional>

// The real serial port, over QSerialPort.
//
// The user picks a port by number (Com1 to Com16); the resolver names the
// device behind a number: "COM<n>" on Windows, and on Linux whatever the user
// chose for it (a /dev/ttyUSB*, /dev/ttyS* or a pseudo-terminal path).
//
// A port that fails under the program (adapter unplugged, far end hung up) is
// closed at once and failed() is emitted once.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    using Resolver = std::function<QString(int portNumber)>;

    explicit QtSerialPort(Resolver resolver, QObject* parent = nullptr);
    ~QtSerialPort() override;

    // The flow control for a handshaking code 0-3 (3 becomes hardware).
    static QSerialPort::FlowControl flowControlFor(int code);

    // The device behind the current port number.
    QString deviceName() const;

    bool open() override;
    void close() override;
    bool isOpen() const override;
    int portNumber() const override { return portNumber_; }
    bool setPortNumber(int number) override;
    QString settings() const override { return line_.text(); }
    bool setSettings(const QString& text) override;
    int handshaking() const override { return handshaking_; }
    bool setHandshaking(int code) override;
    int bytesWaiting() override;
    void discardInput() override;
    int readByte() override;
    bool write(const QByteArray& bytes) override;
    QString errorString() const override { return error_; }

private:
    void onError(QSerialPort::SerialPortError error);
    bool applyLine(const LineSettings& line);
    QString describeOpenFailure(QSerialPort::SerialPortError error, const QString& device) const;

    Resolver resolver_;
    QSerialPort port_;
    int portNumber_ = 1;
    LineSettings line_;
    int handshaking_ = 0;
    QString error_;
    // Errors while the port is being opened or set up are answered by the
    // call that caused them, not taken as a failure of the line.
    bool configuring_ = false;
    bool failing_ = false;
};
