#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class SerialPort;
class Waiter;

// The one record of the connection to the meter: whether the port is open,
// whether a meter answered the identification on it, its model and firmware
// version, and whether it is answering now (the time of its last good reply).
// Owned by the meter link; every window reads it here and is told through
// changed(), so none keeps a copy of "connected" that could go stale.
//
// The main window changes it as it connects and as the port fails; every
// reply the link finds whole marks it answering (MeterLink::noteGoodReply),
// and the polling cycle asks for the silence check.
class ConnectionState : public QObject {
    Q_OBJECT
public:
    // No good reply for this long and the shown values count as stale: about
    // three polling periods, counted in time because a failed read lasts
    // longer than a period.
    static constexpr qint64 SilentAfterMs = 5000;

    ConnectionState(SerialPort& port, Waiter& waiter, QObject* parent = nullptr);

    bool portOpen() const;
    // A meter answered the identification, and the port has not failed since.
    bool meterIdentified() const { return unitType_ != 0; }
    // The port is open and a meter is identified on it: what every window
    // asks before it talks to the meter.
    bool connected() const { return portOpen() && meterIdentified(); }
    // Connected, and a good reply came within SilentAfterMs as last checked.
    bool answering() const { return connected() && !silent_; }
    // Not answering, yet bytes keep coming: replies arrive damaged (a meter
    // at another speed or parity, a bad cable) rather than not at all.
    bool damaged() const { return silent_ && damaged_; }

    // The model the meter reported: 5, 4 or 3; 0 when none is identified.
    int unitType() const { return unitType_; }
    bool isKR5() const { return unitType_ == 5; }
    bool isKR4() const { return unitType_ == 4; }
    bool isKR3() const { return unitType_ == 3; }
    // "Velmar KR5", or empty when no meter is identified.
    QString modelText() const;
    // The firmware version read from the meter ("V1.95"); empty until read.
    QString version() const { return version_; }
    // The serial number the meter gave with its version, as it sent it;
    // empty until read.
    QString serialNumber() const { return serial_; }

    // When the last good reply came, on the link's clock (Waiter::now()); -1
    // before the first.
    qint64 lastGoodReplyMs() const { return lastGoodMs_; }
    // "No reply from the meter since 10:30:05 AM" while the meter does not
    // answer (since a time on another day, that date too), or what to check
    // when its replies arrive damaged; empty while it answers or when no
    // meter ever answered.
    QString silenceText() const;
    // The reference text of a failed connection, followed by the port's own
    // reason when the port could not be opened, or else by a line that says
    // whether the identification heard nothing or only damaged replies.
    QString failureText(const QString& reference) const;
    // Bytes came back to the last identification, but no whole reply.
    bool identificationDamaged() const { return lastByteMs_ >= identifyStartMs_; }
    static constexpr const char* DamagedAdvice =
        "check that the port's speed and parity are the meter's, and check the cable";

    // An identification starts: what comes back from here on is its reply.
    void identifying();
    // Bytes came from the port, whole replies or not; told by the link.
    void bytesReceived();
    // A known model answered the identification: connected and answering.
    void identified(int unitType);
    // No known model answered (the port may still be open).
    void notIdentified();
    // The version reply's two fields.
    void setVersion(const QString& version, const QString& serialNumber = QString());
    // A read came back whole.
    void goodReply();
    // Marks the meter silent once SilentAfterMs have passed without a good
    // reply. Called by the polling cycle after each tick and by a timer of
    // its own, which also fires while a read waits.
    void checkSilence();
    // The port failed or was closed under the program: not connected, silent at once.
    void lost();

    // Whether silence is judged now: only while the live pages are served
    // (the polling cycle sets it); unset, always.
    std::function<bool()> silenceJudged;

signals:
    // Anything above changed.
    void changed();
    // A meter was identified: a new connection starts, as at start-up.
    void meterFound();

private:
    SerialPort& port_;
    Waiter& waiter_;
    int unitType_ = 0;
    QString version_;
    QString serial_;
    qint64 lastGoodMs_ = -1;
    QDateTime lastGoodReply_;
    bool silent_ = false;
    bool damaged_ = false;
    // When bytes last came, and when the last identification began.
    qint64 lastByteMs_ = -1;
    qint64 identifyStartMs_ = 0;
    // Runs out SilentAfterMs after the last good reply.
    QTimer silenceTimer_;
};
