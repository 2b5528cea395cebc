#pragma once

#include "LineSettings.h"
#include "SerialPort.h"

#include <QByteArray>
#include <QTimer>
#include <functional>
#include <memory>

class QWinEventNotifier;

// The real serial port on Windows, over the Win32 communications API.
//
// The resolver names the device behind a Com number ("COM<n>"); it is opened
// as "\\.\COM<n>", the only form Windows takes for COM10 and above. Reads never
// block: the driver's input is taken into a buffer of our own whenever the
// port signals a received byte (an overlapped WaitCommEvent watched by the
// event loop), so the link's waits wake as bytes come in.
//
// A port that fails under the program (adapter unplugged) is closed at once
// and failed() is emitted once.
class WinSerialPort : public SerialPort {
    Q_OBJECT
public:
    using Resolver = std::function<QString(int portNumber)>;

    explicit WinSerialPort(Resolver resolver, QObject* parent = nullptr);
    ~WinSerialPort() override;

    // The path CreateFile takes for a device name: "COM12" becomes
    // "\\.\COM12"; a name already in that form, or any other path, is kept.
    static QString openPath(const QString& device);

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
    struct Handles;

    bool applyLine(const LineSettings& line, int handshaking);
    // Takes what the driver holds into input_; false when the port failed.
    bool drain();
    void armEvent();
    void onEvent();
    void fail(const QString& why);

    Resolver resolver_;
    int portNumber_ = 1;
    LineSettings line_;
    int handshaking_ = 0;
    QString error_;
    QByteArray input_;
    qsizetype readPos_ = 0;
    std::unique_ptr<Handles> h_;
    QWinEventNotifier* notifier_ = nullptr;
    // Where the driver cannot signal received bytes, the port is looked at
    // on this timer instead.
    QTimer poll_;
};
