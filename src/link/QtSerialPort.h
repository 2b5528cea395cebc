#pragma once

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

    // The line settings a settings text stands for.
    struct LineSettings {
        qint32 baudRate = 19200;
        // The parity letter as written ("n" or "N" alike), kept for the text.
        QChar parityLetter = u'n';
        QSerialPort::Parity parity = QSerialPort::NoParity;
        int dataBits = 8;
        QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    };

    explicit QtSerialPort(Resolver resolver, QObject* parent = nullptr);
    ~QtSerialPort() override;

    // Reads a settings text such as "19200,n,8,1" or "9600,E,7,1.5": speed,
    // parity letter (e, o, n, m, s in either case), data bits 4 to 8, stop bits
    // 1, 1.5 or 2. An invalid text gives nothing and, in problem, a plain
    // description of what is wrong.
    static std::optional<LineSettings> parseSettings(const QString& text,
                                                     QString* problem = nullptr);
    static QString formatSettings(const LineSettings& settings);
    // The flow control for a handshaking code 0-3 (3 becomes hardware).
    static QSerialPort::FlowControl flowControlFor(int code);
    // The Windows device for a port number: "COM<n>".
    static QString windowsDeviceName(int portNumber);

    // The device behind the current port number.
    QString deviceName() const;

    bool open() override;
    void close() override;
    bool isOpen() const override;
    int portNumber() const override { return portNumber_; }
    bool setPortNumber(int number) override;
    QString settings() const override { return formatSettings(line_); }
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
