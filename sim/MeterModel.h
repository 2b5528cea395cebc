#pragma once

#include "MeterFaults.h"
#include "MeterState.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QtGlobal>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// The simulated Velmar KR meter, free of any I/O.
//
// receive() takes the bytes the program wrote, at a time in milliseconds on
// the caller's clock. Each reply byte is queued with the time it has fully
// left the meter at the configured baud rate (10 bits a byte); the caller
// collects bytes with takeBytesUntil(). Values that move (flow, clock,
// totalizer, learn progress) are computed from that same clock, so equal
// inputs give equal outputs.
//
// Commands are dispatched through a table of prefixes (see addCommand()), so
// further commands are one entry each.
class MeterModel {
public:
    // Builds the reply to one command. args is what followed the matched
    // prefix, without the terminator; timeMs is when the command ended.
    using Handler =
        std::function<QByteArray(MeterModel& model, const QByteArray& args, qint64 timeMs)>;

    struct Command {
        QByteArray prefix;         // e.g. "FD,0,"; the longest matching prefix wins
        int rawArgumentLength = 0; // raw bytes that follow the prefix, read by count
        bool lineReply = false;    // the program reads the reply as a text line
        Handler handler;
    };

    // One line of the meter's own record of what it received.
    struct Received {
        qint64 timeMs;
        QByteArray command; // without terminator
        int replyLength;    // bytes queued in answer (0 when silent)
    };

    explicit MeterModel(const MeterState& state = MeterState());

    MeterState& state() { return state_; }
    const MeterState& state() const { return state_; }
    MeterFaults& faults() { return faults_; }
    const MeterFaults& faults() const { return faults_; }

    // The state a master erase returns to (identity and clock are kept).
    void setFactoryState(const MeterState& state) { factory_ = state; }

    void setBaud(int baud);
    int baud() const { return baud_; }

    // Bytes written by the program, at timeMs.
    void receive(const QByteArray& bytes, qint64 timeMs);

    // Time at which the next queued reply byte has arrived, if any.
    std::optional<qint64> nextByteTime() const;
    // Time at which the queued byte at index (0 = next) has arrived, if any.
    std::optional<qint64> byteTime(int index) const;
    // Removes and returns the queued bytes that have arrived by timeMs.
    QByteArray takeBytesUntil(qint64 timeMs);
    int queuedBytes() const { return int(output_.size()); }
    void clearOutput();

    // True once a hang-up fault has taken the line away by timeMs.
    bool lineDown(qint64 timeMs) const {
        return faults_.hangUp || (hangUpAt_ && timeMs >= *hangUpAt_);
    }
    // When a hang-up after a number of commands takes effect: 1 ms after its
    // last reply has left. Commands after that last one get no answer.
    std::optional<qint64> hangUpTime() const { return hangUpAt_; }

    // Adds a command, or replaces the one with the same prefix.
    void addCommand(const Command& command);

    // Everything received so far, and a hook called for every command.
    const QList<Received>& received() const { return received_; }
    std::function<void(const Received&)> onCommand;

    // Live values at a model time.
    double velocityAt(qint64 timeMs) const;       // ft/s, 0 while not measuring
    double flowAt(qint64 timeMs) const;           // in the configured flow units
    double signalStrengthAt(qint64 timeMs) const; // percent
    double signalQualityAt(qint64 timeMs) const;
    QDateTime clockAt(qint64 timeMs) const;
    double totalizerAt(qint64 timeMs) const; // in the totalizer's volume unit
    quint8 lrnStateAt(qint64 timeMs) const;
    quint8 lrnFlagsAt(qint64 timeMs) const;
    // Flow in the configured units that 1 ft/s of velocity represents.
    double flowPerVelocity() const;

    // Folds time up to timeMs into the state: totalizer, learn progress.
    void advanceTo(qint64 timeMs);
    // Begins a new learn at timeMs (state 0, then 1, 2, 3 and 4).
    void startLearn(qint64 timeMs);
    // Configuration back to the factory state, totalizer cleared, new learn.
    void resetTotalizer(qint64 timeMs);
    void masterErase(qint64 timeMs);

    // The records as the meter sends them, terminator included.
    QByteArray systemConfigRecord() const;                  // "SC", 189 bytes
    QByteArray channelConfigRecord() const;                 // "CC", 71 bytes
    QByteArray learnDataRecord() const;                     // "LR", 81 bytes
    QByteArray flowDataRecord(qint64 timeMs) const;         // "FD", 38 bytes
    QByteArray signalBlock(int which, qint64 timeMs) const; // "XD", 561 bytes

    // Words of the meter.
    static const QByteArray Ok;        // "OK" and a line feed
    static const QByteArray RecErr;    // "RecErr", blanks to 12, CR LF
    static const QByteArray BadOpcode; // "Bad OPCode " and a line feed

    // Volume units per cubic foot and seconds per time unit, by index.
    static double volumeFactor(int index);
    static double timeFactor(int index);

private:
    void installCommands();
    void endCommand(qint64 timeMs);
    const Command* match(const QByteArray& line) const;
    const Command* rawCommandFor(const QByteArray& buffer) const;
    void answer(const QByteArray& command, const Command* entry, qint64 timeMs);
    void queueReply(QByteArray reply, qint64 timeMs);
    double integratedVolumeFt3(qint64 fromMs, qint64 toMs) const;
    std::optional<qint64> measuringSince() const;

    MeterState state_;
    MeterState factory_;
    MeterFaults faults_;
    int baud_ = 19200;
    // Varies the framing noise of a meter set to another speed.
    int noiseSeed_ = 0;
    std::vector<Command> commands_;

    // Parser: the bytes of the command under way; while rawLeft_ > 0 the
    // next bytes are a raw argument and are taken whatever their value.
    QByteArray buffer_;
    int rawLeft_ = 0;

    struct OutByte {
        qint64 timeUs;
        char byte;
    };
    std::deque<OutByte> output_;
    // The stream of noise under way: its bytes leave one wire time apart from
    // noiseStartUs_ until noiseEndUs_ (no end when empty).
    std::optional<qint64> noiseStartUs_;
    std::optional<qint64> noiseEndUs_;
    qint64 noiseSent_ = 0;
    std::optional<qint64> nextNoiseUs() const;
    std::optional<qint64> hangUpAt_;
    QList<Received> received_;
};
