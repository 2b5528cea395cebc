#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The operations the link needs from a serial communications port. The real
// port (QtSerialPort) and the simulated meter's in-process port implement it.
//
// Calls that fail return false and leave a description in errorString(), in
// words a user can act on; the caller decides whether to show it.
class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialPort() override = default;

    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Port number as the user chooses it: Com1 is 1.
    virtual int portNumber() const = 0;
    virtual bool setPortNumber(int number) = 0;

    // Line settings as text: speed, parity letter, data bits, stop bits, for
    // example "19200,n,8,1" or "9600,E,7,1.5".
    virtual QString settings() const = 0;
    virtual bool setSettings(const QString& text) = 0;

    // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 XON/XOFF and RTS/CTS.
    virtual int handshaking() const = 0;
    virtual bool setHandshaking(int code) = 0;

    // Bytes received and not yet read.
    virtual int bytesWaiting() = 0;
    virtual void discardInput() = 0;
    // The next received byte (0-255), or -1 when none is waiting.
    virtual int readByte() = 0;
    virtual bool write(const QByteArray& bytes) = 0;

    virtual QString errorString() const = 0;

    // What is wrong with choosing port number for a real port, open or not,
    // now at current; empty when nothing is.
    static QString portNumberProblem(int number, bool open, int current);
    // Lowest and highest port numbers (Com1 to Com16 in the dialog; Windows
    // numbers some adapters far higher).
    static constexpr int LowestPort = 1;
    static constexpr int HighestPort = 256;

signals:
    // The port failed under the program (the adapter was unplugged, the far
    // end hung up). The port is already closed when this is emitted, and it is
    // emitted once per failure.
    void failed(const QString& description);
};
