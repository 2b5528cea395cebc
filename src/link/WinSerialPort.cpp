#include "WinSerialPort.h"

#include <QWinEventNotifier>

#include <windows.h>

namespace {

// Driver buffers: larger than the longest reply (a 1122-byte datalog
// section), so a whole reply waits in the driver however late it is read.
constexpr DWORD kDriverBufferBytes = 4096;
// A write may take its wire time (10 bits a byte) plus this before it counts
// as a line that no longer takes data: a stalled handshake must not hang the
// program.
constexpr DWORD kWriteSlackMs = 2000;
// Where the driver cannot signal a received byte, how often the port is
// looked at: far inside the link's between-byte interval of 350 ms.
constexpr int kFallbackPollMs = 10;
// XON and XOFF, for XON/XOFF handshaking.
constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;

QString systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    QString message = n ? QString::fromWCharArray(text, int(n)).trimmed()
                        : QStringLiteral("Windows error %1").arg(code);
    if (text)
        LocalFree(text);
    while (message.endsWith(u'.'))
        message.chop(1);
    return message;
}

BYTE parityCode(LineSettings::Parity parity) {
    switch (parity) {
    case LineSettings::Parity::Even:
        return EVENPARITY;
    case LineSettings::Parity::Odd:
        return ODDPARITY;
    case LineSettings::Parity::Mark:
        return MARKPARITY;
    case LineSettings::Parity::Space:
        return SPACEPARITY;
    case LineSettings::Parity::None:
        break;
    }
    return NOPARITY;
}

BYTE stopCode(LineSettings::StopBits stop) {
    return stop == LineSettings::StopBits::OneAndHalf ? ONE5STOPBITS
           : stop == LineSettings::StopBits::Two      ? TWOSTOPBITS
                                                      : ONESTOPBIT;
}

} // namespace

struct WinSerialPort::Handles {
    HANDLE port = INVALID_HANDLE_VALUE;
    // The pending WaitCommEvent, its mask, and the events of the three kinds
    // of overlapped operation (manual reset, as overlapped I/O wants).
    OVERLAPPED wait{};
    DWORD mask = 0;
    bool waiting = false;
    OVERLAPPED read{};
    OVERLAPPED write{};

    Handles() {
        wait.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Handles() {
        for (HANDLE e : {wait.hEvent, read.hEvent, write.hEvent})
            if (e)
                CloseHandle(e);
    }
};

WinSerialPort::WinSerialPort(Resolver resolver, QObject* parent)
    : SerialPort(parent), resolver_(std::move(resolver)) {
    poll_.setInterval(kFallbackPollMs);
    connect(&poll_, &QTimer::timeout, this, [this] { drain(); });
}

WinSerialPort::~WinSerialPort() {
    close();
}

QString WinSerialPort::openPath(const QString& device) {
    if (device.startsWith(QLatin1String("\\\\")))
        return device;
    return QStringLiteral("\\\\.\\") + device;
}

QString WinSerialPort::deviceName() const {
    return resolver_ ? resolver_(portNumber_) : QString();
}

bool WinSerialPort::isOpen() const {
    return h_ != nullptr;
}

bool WinSerialPort::open() {
    if (h_)
        return true;
    const QString device = deviceName();
    if (device.isEmpty()) {
        error_ = QStringLiteral("No serial device is chosen for Com%1. Choose one in the port "
                                "settings.")
                     .arg(portNumber_);
        return false;
    }
    const QString path = openPath(device);
    auto h = std::make_unique<Handles>();
    h->port = CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                          nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h->port == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            error_ = QStringLiteral("There is no serial device %1 (Com%2). Check that the adapter "
                                    "is plugged in, or choose another port in the port settings.")
                         .arg(device)
                         .arg(portNumber_);
        else if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION)
            error_ = QStringLiteral("The serial port %1 is in use by another program. Close that "
                                    "program, or choose another port.")
                         .arg(device);
        else
            error_ = QStringLiteral("The serial port %1 (Com%2) could not be opened: %3.")
                         .arg(device)
                         .arg(portNumber_)
                         .arg(systemMessage(code));
        return false;
    }
    h_ = std::move(h);
    SetupComm(h_->port, kDriverBufferBytes, kDriverBufferBytes);
    if (!applyLine(line_, handshaking_)) {
        const QString why = systemMessage(GetLastError());
        close();
        error_ = QStringLiteral("The serial port %1 does not support the settings %2 (%3).")
                     .arg(device, settings(), why);
        return false;
    }
    // The meter's side expects DTR raised, as a terminal would; a device
    // without modem lines refuses this, which is no fault.
    EscapeCommFunction(h_->port, SETDTR);
    // Bytes that reached the device before it was opened (the end of an
    // earlier session's reply) belong to no exchange of this one.
    PurgeComm(h_->port, PURGE_RXCLEAR | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_TXABORT);
    input_.clear();
    readPos_ = 0;
    if (SetCommMask(h_->port, EV_RXCHAR | EV_ERR)) {
        notifier_ = new QWinEventNotifier(h_->wait.hEvent, this);
        connect(notifier_, &QWinEventNotifier::activated, this, &WinSerialPort::onEvent);
        armEvent();
    } else {
        poll_.start();
    }
    error_.clear();
    return true;
}

bool WinSerialPort::applyLine(const LineSettings& line, int handshaking) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h_->port, &dcb))
        return false;
    // Code 3 (XON/XOFF and RTS/CTS) is hardware control alone, as on Linux:
    // XON/XOFF bytes inside a binary reply would be swallowed.
    const bool hardware = handshaking == 2 || handshaking == 3;
    const bool software = handshaking == 1;
    dcb.BaudRate = DWORD(line.baudRate);
    dcb.ByteSize = BYTE(line.dataBits);
    dcb.Parity = parityCode(line.parity);
    dcb.StopBits = stopCode(line.stopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = line.parity != LineSettings::Parity::None;
    dcb.fOutxCtsFlow = hardware;
    dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fOutX = software;
    dcb.fInX = software;
    dcb.XonChar = kXon;
    dcb.XoffChar = kXoff;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    // A framing or parity error must not stop the port until it is cleared:
    // the link judges damaged replies itself.
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(h_->port, &dcb))
        return false;

    // Reads return at once with what the driver holds; the link does the
    // waiting. A write may take its wire time plus the slack.
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = 0;
    t.WriteTotalTimeoutMultiplier = DWORD(10'000 / qMax(1, line.baudRate) + 1);
    t.WriteTotalTimeoutConstant = kWriteSlackMs;
    return SetCommTimeouts(h_->port, &t);
}

void WinSerialPort::armEvent() {
    while (h_ && !h_->waiting) {
        ResetEvent(h_->wait.hEvent);
        if (WaitCommEvent(h_->port, &h_->mask, &h_->wait)) {
            // Bytes were there already: take them and wait again.
            if (!drain())
                return;
            continue;
        }
        if (GetLastError() == ERROR_IO_PENDING) {
            h_->waiting = true;
            return;
        }
        // This driver cannot signal received bytes: look at it on a timer.
        notifier_->setEnabled(false);
        poll_.start();
        return;
    }
}

void WinSerialPort::onEvent() {
    if (!h_ || !h_->waiting)
        return;
    DWORD unused = 0;
    if (!GetOverlappedResult(h_->port, &h_->wait, &unused, FALSE) &&
        GetLastError() == ERROR_IO_INCOMPLETE)
        return;
    h_->waiting = false;
    if (drain())
        armEvent();
}

bool WinSerialPort::drain() {
    if (!h_)
        return false;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(h_->port, &errors, &status)) {
        fail(systemMessage(GetLastError()));
        return false;
    }
    if (status.cbInQue == 0)
        return true;
    if (readPos_ > 0 && readPos_ == input_.size()) {
        input_.clear();
        readPos_ = 0;
    }
    const qsizetype start = input_.size();
    input_.resize(start + qsizetype(status.cbInQue));
    DWORD got = 0;
    ResetEvent(h_->read.hEvent);
    if (!ReadFile(h_->port, input_.data() + start, status.cbInQue, &got, &h_->read)) {
        if (GetLastError() != ERROR_IO_PENDING ||
            !GetOverlappedResult(h_->port, &h_->read, &got, TRUE)) {
            input_.resize(start);
            fail(systemMessage(GetLastError()));
            return false;
        }
    }
    input_.resize(start + qsizetype(got));
    return true;
}

int WinSerialPort::bytesWaiting() {
    if (!h_)
        return 0;
    drain();
    return int(input_.size() - readPos_);
}

int WinSerialPort::readByte() {
    if (h_ && readPos_ >= input_.size())
        drain();
    if (readPos_ >= input_.size())
        return -1;
    const int byte = uchar(input_.at(readPos_++));
    if (readPos_ == input_.size()) {
        input_.clear();
        readPos_ = 0;
    }
    return byte;
}

void WinSerialPort::discardInput() {
    if (h_)
        PurgeComm(h_->port, PURGE_RXCLEAR | PURGE_RXABORT);
    input_.clear();
    readPos_ = 0;
}

bool WinSerialPort::write(const QByteArray& bytes) {
    if (!h_) {
        error_ = QStringLiteral("The serial port is not open.");
        return false;
    }
    DWORD written = 0;
    ResetEvent(h_->write.hEvent);
    if (!WriteFile(h_->port, bytes.constData(), DWORD(bytes.size()), &written, &h_->write)) {
        if (GetLastError() != ERROR_IO_PENDING ||
            !GetOverlappedResult(h_->port, &h_->write, &written, TRUE)) {
            error_ = systemMessage(GetLastError());
            return false;
        }
    }
    if (written != DWORD(bytes.size())) {
        error_ = QStringLiteral("The serial port %1 took %2 of %3 bytes: the line does not take "
                                "data (check the handshaking and the cable).")
                     .arg(deviceName())
                     .arg(written)
                     .arg(bytes.size());
        return false;
    }
    return true;
}

void WinSerialPort::close() {
    poll_.stop();
    if (notifier_) {
        notifier_->setEnabled(false);
        delete notifier_;
        notifier_ = nullptr;
    }
    if (!h_)
        return;
    // Clearing the mask ends the pending WaitCommEvent; it must be over
    // before its OVERLAPPED goes away.
    SetCommMask(h_->port, 0);
    CancelIo(h_->port);
    if (h_->waiting) {
        DWORD unused = 0;
        GetOverlappedResult(h_->port, &h_->wait, &unused, TRUE);
    }
    CloseHandle(h_->port);
    h_.reset();
    input_.clear();
    readPos_ = 0;
}

void WinSerialPort::fail(const QString& why) {
    if (!h_)
        return;
    const QString device = deviceName();
    close();
    // What happened only: whoever reports it says how to connect again.
    error_ = QStringLiteral("The serial port %1 stopped working (%2). Check the cable or "
                            "adapter.")
                 .arg(device, why);
    emit failed(error_);
}

bool WinSerialPort::setPortNumber(int number) {
    error_ = portNumberProblem(number, h_ != nullptr, portNumber_);
    if (!error_.isEmpty())
        return false;
    portNumber_ = number;
    return true;
}

bool WinSerialPort::setSettings(const QString& text) {
    QString problem;
    const std::optional<LineSettings> line = LineSettings::parseForPort(text, &problem);
    if (!line) {
        error_ = problem;
        return false;
    }
    if (h_ && !applyLine(*line, handshaking_)) {
        const QString why = systemMessage(GetLastError());
        applyLine(line_, handshaking_);
        error_ = QStringLiteral("The serial port %1 does not accept the settings %2 (%3).")
                     .arg(deviceName(), text.trimmed(), why);
        return false;
    }
    line_ = *line;
    return true;
}

bool WinSerialPort::setHandshaking(int code) {
    if (code < 0 || code > 3) {
        error_ = QStringLiteral("%1 is not a handshaking choice (0 to 3).").arg(code);
        return false;
    }
    if (h_ && !applyLine(line_, code)) {
        const QString why = systemMessage(GetLastError());
        applyLine(line_, handshaking_);
        error_ = QStringLiteral("The serial port %1 does not accept this flow control (%2).")
                     .arg(deviceName(), why);
        return false;
    }
    handshaking_ = code;
    return true;
}
