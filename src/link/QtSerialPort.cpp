#include "QtSerialPort.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QSerialPort::Parity portParity(LineSettings::Parity parity) {
    switch (parity) {
    case LineSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case LineSettings::Parity::Mark:
        return QSerialPort::MarkParity;
    case LineSettings::Parity::Space:
        return QSerialPort::SpaceParity;
    case LineSettings::Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits portStopBits(LineSettings::StopBits stop) {
    return stop == LineSettings::StopBits::OneAndHalf ? QSerialPort::OneAndHalfStop
           : stop == LineSettings::StopBits::Two      ? QSerialPort::TwoStop
                                                      : QSerialPort::OneStop;
}

// The device path for a name QSerialPort accepts ("ttyUSB0" or a full path).
QString systemPath(const QString& device) {
#ifdef Q_OS_UNIX
    return device.startsWith(u'/') ? device : QStringLiteral("/dev/") + device;
#else
    return device;
#endif
}

// Why this account may not open the device, and what fixes it.
QString permissionAdvice(const QString& device) {
#ifdef Q_OS_UNIX
    const QString path = systemPath(device);
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0) {
        if (::access(native.constData(), R_OK | W_OK) == 0)
            return QStringLiteral("The serial port %1 is in use by another program. Close that "
                                  "program, or choose another port.")
                .arg(path);
        const struct group* g = ::getgrgid(st.st_gid);
        const QString group =
            g ? QString::fromLocal8Bit(g->gr_name) : QString::number(qulonglong(st.st_gid));
        return QStringLiteral(
                   "This account may not open the serial port %1. The device belongs to the "
                   "group \"%2\": add your account to that group (for example with "
                   "\"sudo usermod -a -G %2 $USER\"), then log out and log in again.")
            .arg(path, group);
    }
#endif
    return QStringLiteral("The serial port %1 may not be opened: another program may be using "
                          "it, or this account lacks the right to use it.")
        .arg(systemPath(device));
}

} // namespace

QtSerialPort::QtSerialPort(Resolver resolver, QObject* parent)
    : SerialPort(parent), resolver_(std::move(resolver)) {
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort() {
    configuring_ = true;
    port_.close();
}

QSerialPort::FlowControl QtSerialPort::flowControlFor(int code) {
    switch (code) {
    case 1:
        return QSerialPort::SoftwareControl;
    case 2:
    // XON/XOFF together with RTS/CTS: QSerialPort offers one kind at a time.
    // Hardware control is kept because it needs no characters in the data,
    // where XON/XOFF bytes inside a binary reply would be swallowed.
    case 3:
        return QSerialPort::HardwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}

QString QtSerialPort::deviceName() const {
    return resolver_ ? resolver_(portNumber_) : QString();
}

bool QtSerialPort::applyLine(const LineSettings& line) {
    return port_.setBaudRate(line.baudRate) && port_.setParity(portParity(line.parity)) &&
           port_.setDataBits(QSerialPort::DataBits(line.dataBits)) &&
           port_.setStopBits(portStopBits(line.stopBits));
}

bool QtSerialPort::open() {
    if (port_.isOpen())
        return true;
    const QString device = deviceName();
    if (device.isEmpty()) {
        error_ = QStringLiteral("No serial device is chosen for Com%1. Choose one in the port "
                                "settings.")
                     .arg(portNumber_);
        return false;
    }
    configuring_ = true;
    port_.setPortName(device);
    applyLine(line_);
    port_.setFlowControl(flowControlFor(handshaking_));
    port_.clearError();
    const bool opened = port_.open(QIODevice::ReadWrite);
    if (!opened) {
        error_ = describeOpenFailure(port_.error(), device);
        port_.clearError();
        configuring_ = false;
        return false;
    }
    // The meter's side expects DTR raised, as a terminal would. Devices
    // without modem lines (pseudo-terminals) refuse this; that is no fault.
    port_.setDataTerminalReady(true);
    // Bytes that reached the device before it was opened (the end of an
    // earlier session's reply) belong to no exchange of this one.
    port_.clear(QSerialPort::Input);
    port_.readAll();
    port_.clearError();
    configuring_ = false;
    error_.clear();
    return true;
}

QString QtSerialPort::describeOpenFailure(QSerialPort::SerialPortError error,
                                          const QString& device) const {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("There is no serial device %1 (Com%2). Check that the adapter is "
                              "plugged in, or choose another port in the port settings.")
            .arg(systemPath(device))
            .arg(portNumber_);
    case QSerialPort::PermissionError:
        return permissionAdvice(device);
    case QSerialPort::UnsupportedOperationError:
        return QStringLiteral("The serial port %1 does not support the settings %2 (%3).")
            .arg(systemPath(device), settings(), port_.errorString());
    default:
        return QStringLiteral("The serial port %1 (Com%2) could not be opened: %3.")
            .arg(systemPath(device))
            .arg(portNumber_)
            .arg(port_.errorString());
    }
}

void QtSerialPort::close() {
    configuring_ = true;
    port_.close();
    configuring_ = false;
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

bool QtSerialPort::setPortNumber(int number) {
    error_ = portNumberProblem(number, port_.isOpen(), portNumber_);
    if (!error_.isEmpty())
        return false;
    portNumber_ = number;
    return true;
}

bool QtSerialPort::setSettings(const QString& text) {
    QString problem;
    const std::optional<LineSettings> line = LineSettings::parseForPort(text, &problem);
    if (!line) {
        error_ = problem;
        return false;
    }
    if (port_.isOpen()) {
        configuring_ = true;
        const bool applied = applyLine(*line);
        const QString why = port_.errorString();
        port_.clearError();
        if (!applied) {
            applyLine(line_);
            port_.clearError();
            configuring_ = false;
            error_ = QStringLiteral("The serial port %1 does not accept the settings %2 (%3).")
                         .arg(systemPath(port_.portName()), text.trimmed(), why);
            return false;
        }
        configuring_ = false;
    }
    line_ = *line;
    return true;
}

bool QtSerialPort::setHandshaking(int code) {
    if (code < 0 || code > 3) {
        error_ = QStringLiteral("%1 is not a handshaking choice (0 to 3).").arg(code);
        return false;
    }
    if (port_.isOpen()) {
        configuring_ = true;
        const bool applied = port_.setFlowControl(flowControlFor(code));
        const QString why = port_.errorString();
        port_.clearError();
        configuring_ = false;
        if (!applied) {
            error_ = QStringLiteral("The serial port %1 does not accept this flow control (%2).")
                         .arg(systemPath(port_.portName()), why);
            return false;
        }
    }
    handshaking_ = code;
    return true;
}

int QtSerialPort::bytesWaiting() {
    return port_.isOpen() ? int(port_.bytesAvailable()) : 0;
}

void QtSerialPort::discardInput() {
    if (!port_.isOpen())
        return;
    port_.clear(QSerialPort::Input);
    port_.readAll();
}

int QtSerialPort::readByte() {
    char c = 0;
    if (!port_.isOpen() || !port_.getChar(&c))
        return -1;
    return uchar(c);
}

bool QtSerialPort::write(const QByteArray& bytes) {
    if (!port_.isOpen()) {
        error_ = QStringLiteral("The serial port is not open.");
        return false;
    }
    if (port_.write(bytes) != bytes.size()) {
        error_ = port_.errorString();
        return false;
    }
    // Hand the bytes to the driver now rather than on the next event.
    port_.flush();
    return true;
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (configuring_ || failing_)
        return;
    // On Linux a hung-up line reports these again and again for as long as it
    // stays open, so the port is closed before anything else happens.
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!port_.isOpen())
        return;
    failing_ = true;
    const QString why = port_.errorString();
    const QString device = systemPath(port_.portName());
    port_.close();
    port_.clearError();
    // What happened only: whoever reports it says how to connect again.
    error_ = QStringLiteral("The serial port %1 stopped working (%2). Check the cable or "
                            "adapter.")
                 .arg(device, why);
    failing_ = false;
    emit failed(error_);
}
