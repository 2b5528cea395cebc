#include "SimSerialPort.h"

#include "MeterModel.h"
#include "VirtualWaiter.h"
#include "link/LineSettings.h"

SimSerialPort::SimSerialPort(MeterModel& model, VirtualWaiter& waiter, QObject* parent)
    : SerialPort(parent), model_(model), waiter_(waiter) {
    sourceId_ = waiter_.addSource([this]() -> std::optional<qint64> {
        // A pending hang-up is an event too, so that a wait notices it.
        std::optional<qint64> next = model_.nextByteTime();
        if (open_ && !hungUp_) {
            std::optional<qint64> down = model_.hangUpTime();
            if (model_.faults().hangUp)
                down = waiter_.now() + 1;
            if (down && (!next || *down < *next))
                next = down;
        }
        return next;
    });
    model_.setBaud(speedOf(settings_));
}

SimSerialPort::~SimSerialPort() {
    waiter_.removeSource(sourceId_);
}

int SimSerialPort::speedOf(const QString& text) {
    // Settings are judged exactly as the real port judges them.
    const std::optional<LineSettings> line = LineSettings::parse(text);
    return line ? line->baudRate : 0;
}

bool SimSerialPort::fail(const QString& description) {
    error_ = description;
    return false;
}

bool SimSerialPort::open() {
    if (open_)
        return fail(tr("The port is already open."));
    if (model_.lineDown(waiter_.now()))
        return fail(tr("The meter's line is not there: the port cannot be opened."));
    open_ = true;
    hungUp_ = false;
    input_.clear();
    error_.clear();
    return true;
}

void SimSerialPort::close() {
    open_ = false;
    input_.clear();
}

bool SimSerialPort::setPortNumber(int number) {
    if (number < 1 || number > 16)
        return fail(tr("Com%1 is not a port number from Com1 to Com16.").arg(number));
    if (open_ && number != portNumber_)
        return fail(tr("Close the port before choosing another one."));
    portNumber_ = number;
    return true;
}

bool SimSerialPort::setSettings(const QString& text) {
    const int speed = speedOf(text);
    if (speed == 0)
        return fail(tr("The port does not accept the settings \"%1\".").arg(text));
    settings_ = text;
    model_.setBaud(speed);
    return true;
}

bool SimSerialPort::setHandshaking(int code) {
    if (code < 0 || code > 3)
        return fail(tr("Handshaking %1 is not one of 0 to 3.").arg(code));
    handshaking_ = code;
    return true;
}

bool SimSerialPort::collect() {
    if (!open_)
        return false;
    if (model_.lineDown(waiter_.now())) {
        if (!hungUp_) {
            hungUp_ = true;
            open_ = false;
            input_.clear();
            error_ = tr("The meter hung up: the line has gone away.");
            emit failed(error_);
        }
        return false;
    }
    input_ += model_.takeBytesUntil(waiter_.now());
    return true;
}

int SimSerialPort::bytesWaiting() {
    return collect() ? int(input_.size()) : 0;
}

void SimSerialPort::discardInput() {
    collect();
    input_.clear();
}

int SimSerialPort::readByte() {
    if (!collect() || input_.isEmpty())
        return -1;
    const int b = quint8(input_[0]);
    input_.remove(0, 1);
    return b;
}

bool SimSerialPort::write(const QByteArray& bytes) {
    if (!collect())
        return fail(hungUp_ ? error_ : tr("The port is not open."));
    written_ += bytes;
    model_.receive(bytes, waiter_.now());
    return true;
}
