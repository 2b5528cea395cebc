#include "ConnectionState.h"

#include "SerialPort.h"
#include "Waiter.h"

ConnectionState::ConnectionState(SerialPort& port, Waiter& waiter, QObject* parent)
    : QObject(parent), port_(port), waiter_(waiter) {
    connect(&port_, &SerialPort::failed, this, &ConnectionState::lost);
    // A read waiting on a silent meter lasts longer than the silence allowed:
    // the check comes on time from here, during the wait.
    silenceTimer_.setSingleShot(true);
    silenceTimer_.setInterval(int(SilentAfterMs));
    connect(&silenceTimer_, &QTimer::timeout, this, &ConnectionState::checkSilence);
}

bool ConnectionState::portOpen() const {
    return port_.isOpen();
}

QString ConnectionState::modelText() const {
    return unitType_ ? QStringLiteral("Velmar KR%1").arg(unitType_) : QString();
}

QString ConnectionState::silenceText() const {
    if (answering() || !lastGoodReply_.isValid())
        return {};
    // The program's one fixed time form, whatever the locale.
    const bool today = lastGoodReply_.date() == QDate::currentDate();
    const QString when = lastGoodReply_.toString(today ? QStringLiteral("h:mm:ss AP")
                                                       : QStringLiteral("M/d/yyyy h:mm:ss AP"));
    if (damaged_)
        return QStringLiteral("Replies from the meter arrive damaged since %1: %2")
            .arg(when, QLatin1String(DamagedAdvice));
    return QStringLiteral("No reply from the meter since ") + when;
}

QString ConnectionState::failureText(const QString& reference) const {
    if (port_.isOpen())
        return reference + u'\n' +
               (identificationDamaged()
                    ? QStringLiteral("Bytes came back, but no whole reply: %1.")
                          .arg(QLatin1String(DamagedAdvice))
                    : QStringLiteral("Nothing came back: check that the meter is powered, that "
                                     "the cable is plugged in and that this is the meter's "
                                     "port."));
    const QString reason = port_.errorString();
    return reason.isEmpty() ? reference : reference + QStringLiteral("\n\n") + reason;
}

void ConnectionState::identifying() {
    identifyStartMs_ = waiter_.now();
    if (lastByteMs_ >= identifyStartMs_)
        lastByteMs_ = identifyStartMs_ - 1;
}

void ConnectionState::bytesReceived() {
    lastByteMs_ = waiter_.now();
}

void ConnectionState::identified(int unitType) {
    unitType_ = unitType;
    // A new connection: the version is read again.
    version_.clear();
    serial_.clear();
    silent_ = false;
    lastGoodMs_ = waiter_.now();
    lastGoodReply_ = QDateTime::currentDateTime();
    silenceTimer_.start();
    emit changed();
    emit meterFound();
}

void ConnectionState::notIdentified() {
    unitType_ = 0;
    silent_ = true;
    emit changed();
}

void ConnectionState::setVersion(const QString& version, const QString& serialNumber) {
    if (version == version_ && serialNumber == serial_)
        return;
    version_ = version;
    serial_ = serialNumber;
    emit changed();
}

void ConnectionState::goodReply() {
    lastGoodMs_ = waiter_.now();
    lastGoodReply_ = QDateTime::currentDateTime();
    silenceTimer_.start();
    if (!silent_)
        return;
    silent_ = false;
    damaged_ = false;
    emit changed();
}

void ConnectionState::checkSilence() {
    if (silenceJudged && !silenceJudged())
        return;
    const qint64 now = waiter_.now();
    if (lastGoodMs_ < 0 || now - lastGoodMs_ < SilentAfterMs)
        return;
    // Bytes since the last good reply, and lately: something answers, but
    // nothing it sends is whole.
    const bool damaged = lastByteMs_ > lastGoodMs_ && now - lastByteMs_ < SilentAfterMs;
    if (silent_ && damaged == damaged_)
        return;
    silent_ = true;
    damaged_ = damaged;
    emit changed();
}

void ConnectionState::lost() {
    // Whatever answers next may be another meter.
    unitType_ = 0;
    version_.clear();
    serial_.clear();
    silent_ = true;
    damaged_ = false;
    emit changed();
}
