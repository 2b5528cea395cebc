#include "MeterModel.h"

#include "MeterAnalysis.h"
#include "MeterMiscCommands.h"
#include "MeterOutputCommands.h"
#include "MeterSetupCommands.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Time from the end of a command to the first reply byte leaving the meter,
// the meter's own parsing and record building.
constexpr qint64 TurnaroundUs = 2000;
// Bits on the wire per byte: start, 8 data, stop.
constexpr qint64 BitsPerByte = 10;
// What the noise fault streams: another instrument's readings, lines ended by
// a carriage return alone.
const QByteArray NoiseText = QByteArrayLiteral("T=21.4 P=1.013 \r");

// The learn schedule after a master erase or a new learn: the state and
// flags shown from each offset (ms since the learn began) until the next.
struct LearnStep {
    qint64 fromMs;
    quint8 state;
    quint8 flags;
};
constexpr LearnStep LearnSchedule[] = {
    {0, 0, 0},      // waiting for the range to set
    {6000, 1, 0},   // monitoring the signal
    {12000, 1, 1},  // range set
    {14000, 2, 1},  // signal OK, setting the range
    {22000, 3, 64}, // learning; the meter measures from here on
    {40000, 4, 1},  // learn complete
};
// After this the learn is over: state 4, no flags.
constexpr qint64 LearnDurationMs = 50000;

// Periods of the slow wander of signal strength and quality.
constexpr double StrengthPeriodMs = 73000.0;
constexpr double StrengthRipplePeriodMs = 17000.0;
constexpr double QualityPeriodMs = 41000.0;
constexpr double QualityRipplePeriodMs = 11000.0;
// The second component of the velocity drift, relative to the first.
constexpr double SecondPeriodRatio = 0.37;
constexpr double FirstWeight = 0.7;
constexpr double SecondWeight = 0.3;
constexpr double SecondPhase = 1.1;
constexpr double TwoPi = 6.283185307179586;
// The program's own value for pi in the flow conversion.
constexpr double Pi = 3.14159;

constexpr double VolumeFactors[] = {7.4805,  6.22944, 7.4805E-6, 1,
                                    0.02832, 28.3167, 0.178119,  0.237476};
constexpr double TimeFactors[] = {1, 60, 3600, 86400};

void putByte(QByteArray& r, int pos, int v) {
    r[pos - 1] = char(quint8(v));
}
void putInt(QByteArray& r, int pos, qint16 v) {
    qToLittleEndian<qint16>(v, reinterpret_cast<uchar*>(r.data()) + pos - 1);
}
void putLong(QByteArray& r, int pos, qint32 v) {
    qToLittleEndian<qint32>(v, reinterpret_cast<uchar*>(r.data()) + pos - 1);
}
void putSingle(QByteArray& r, int pos, float v) {
    quint32 bits;
    std::memcpy(&bits, &v, 4);
    qToLittleEndian<quint32>(bits, reinterpret_cast<uchar*>(r.data()) + pos - 1);
}
void putDouble(QByteArray& r, int pos, double v) {
    quint64 bits;
    std::memcpy(&bits, &v, 8);
    qToLittleEndian<quint64>(bits, reinterpret_cast<uchar*>(r.data()) + pos - 1);
}
void putText(QByteArray& r, int pos, const QByteArray& text, int size) {
    for (int i = 0; i < size; ++i)
        r[pos - 1 + i] = i < text.size() ? text[i] : ' ';
}

// A fixed-length record: the header at the front, a line feed in its last byte.
QByteArray record(int length, const QByteArray& header) {
    QByteArray r(length, '\0');
    r.replace(0, header.size(), header);
    r[length - 1] = '\n';
    return r;
}

// Integral of sin(2 pi t / period + phase) from a to b.
double sineIntegral(double a, double b, double period, double phase) {
    return period / TwoPi *
           (std::cos(TwoPi * a / period + phase) - std::cos(TwoPi * b / period + phase));
}

} // namespace

const QByteArray MeterModel::Ok = QByteArrayLiteral("OK\n");
const QByteArray MeterModel::RecErr = QByteArrayLiteral("RecErr      \r\n");
const QByteArray MeterModel::BadOpcode = QByteArrayLiteral("Bad OPCode \n");

MeterModel::MeterModel(const MeterState& state) : state_(state), factory_(state) {
    installCommands();
}

double MeterModel::volumeFactor(int index) {
    return index >= 0 && index < 8 ? VolumeFactors[index] : 0.0;
}

double MeterModel::timeFactor(int index) {
    return index >= 0 && index < 4 ? TimeFactors[index] : 0.0;
}

void MeterModel::installCommands() {
    addCommand({"VT,0", 0, true, [](MeterModel& m, const QByteArray&, qint64) {
                    return "VT," + QByteArray::number(m.state().unitType) + "\n";
                }});
    // "VR,0" and "VR,0," are answered alike.
    addCommand({"VR,0", 0, true, [](MeterModel& m, const QByteArray&, qint64) {
                    return "VR," + m.state().version + "," + m.state().serial + "\n";
                }});
    addCommand({"SC,0,", 0, true,
                [](MeterModel& m, const QByteArray&, qint64) { return m.systemConfigRecord(); }});
    addCommand({"CC,0,", 0, false,
                [](MeterModel& m, const QByteArray&, qint64) { return m.channelConfigRecord(); }});
    addCommand({"LR,0", 0, false,
                [](MeterModel& m, const QByteArray&, qint64) { return m.learnDataRecord(); }});
    addCommand({"FD,0,", 0, false,
                [](MeterModel& m, const QByteArray&, qint64 t) { return m.flowDataRecord(t); }});
    // Resetting the totalizer is a plain set-command, acknowledged "OK".
    addCommand({"GT,1", 0, true, [](MeterModel& m, const QByteArray&, qint64 t) {
                    m.resetTotalizer(t);
                    return Ok;
                }});
    // The erase is acknowledged like a setting; the program writes it once
    // whatever the answer.
    addCommand({"MR,1", 0, true, [](MeterModel& m, const QByteArray&, qint64 t) {
                    m.masterErase(t);
                    return Ok;
                }});
    addCommand({"XD,", 0, false, [](MeterModel& m, const QByteArray& args, qint64 t) {
                    if (args.size() != 1 || args[0] < '1' || args[0] > '8')
                        return BadOpcode;
                    return m.signalBlock(args[0] - '0', t);
                }});
    MeterAnalysis::installCommands(*this);
    installSetupCommands(*this);
    installMiscCommands(*this);
    installOutputCommands(*this);
}

void MeterModel::addCommand(const Command& command) {
    auto same = std::find_if(commands_.begin(), commands_.end(),
                             [&](const Command& c) { return c.prefix == command.prefix; });
    if (same != commands_.end())
        *same = command;
    else
        commands_.push_back(command);
}

void MeterModel::setBaud(int baud) {
    if (baud > 0)
        baud_ = baud;
}

void MeterModel::receive(const QByteArray& bytes, qint64 timeMs) {
    if (faults_.meterBaud > 0 && faults_.meterBaud != baud_) {
        // Read at the wrong speed every byte is a framing error: what the
        // UART makes of them is noise, answered with noise of its own. None
        // of it forms a line feed or text, so no command is ever taken.
        buffer_.clear();
        rawLeft_ = 0;
        QByteArray noise;
        for (const char c : bytes)
            noise += char(0x80 | ((uchar(c) * 37 + noiseSeed_++) & 0x7f));
        queueReply(noise, timeMs);
        return;
    }
    for (const char c : bytes) {
        if (rawLeft_ > 0) {
            buffer_ += c;
            --rawLeft_;
            continue;
        }
        if (c == '\x1b') {
            // The flush prefix: whatever came before is dropped.
            buffer_.clear();
            continue;
        }
        if (c == '\r')
            continue;
        if (c == '\n') {
            if (!buffer_.isEmpty())
                endCommand(timeMs);
            continue;
        }
        buffer_ += c;
        if (const Command* raw = rawCommandFor(buffer_))
            rawLeft_ = raw->rawArgumentLength;
    }
}

const MeterModel::Command* MeterModel::rawCommandFor(const QByteArray& buffer) const {
    for (const Command& c : commands_)
        if (c.rawArgumentLength > 0 && c.prefix == buffer)
            return &c;
    return nullptr;
}

const MeterModel::Command* MeterModel::match(const QByteArray& line) const {
    const Command* best = nullptr;
    for (const Command& c : commands_)
        if (line.startsWith(c.prefix) && (!best || c.prefix.size() > best->prefix.size()))
            best = &c;
    return best;
}

void MeterModel::endCommand(qint64 timeMs) {
    const QByteArray line = buffer_;
    buffer_.clear();
    rawLeft_ = 0;
    advanceTo(timeMs);
    answer(line, match(line), timeMs);
}

void MeterModel::answer(const QByteArray& command, const Command* entry, qint64 timeMs) {
    Received rec{timeMs, command, 0};
    if ((faults_.noise || faults_.noiseMs > 0) && !noiseStartUs_) {
        noiseStartUs_ = timeMs * 1000;
        noiseSent_ = 0;
        if (!faults_.noise)
            noiseEndUs_ = (timeMs + faults_.noiseMs) * 1000;
        faults_.noiseMs = 0;
    }
    const bool hangUpAfter = faults_.hangUpAfterCommands > 0 && --faults_.hangUpAfterCommands == 0;
    QByteArray reply;
    if (lineDown(timeMs) || hangUpAt_) {
        // Nothing comes back over a line that has gone.
    } else if (faults_.silent) {
    } else if (faults_.silentCommands > 0) {
        --faults_.silentCommands;
    } else {
        if (faults_.badOpCommands > 0) {
            --faults_.badOpCommands;
            reply = BadOpcode;
        } else if (faults_.recErrCommands > 0 && entry && entry->lineReply) {
            --faults_.recErrCommands;
            reply = RecErr;
        } else if (!entry) {
            reply = BadOpcode;
        } else {
            reply = entry->handler(*this, command.mid(entry->prefix.size()), timeMs);
            if (!faults_.shortReplyOpcode.isEmpty() &&
                command.startsWith(faults_.shortReplyOpcode) && !reply.isEmpty())
                reply.chop(1);
            if (faults_.shortReplies > 0 && !reply.isEmpty()) {
                --faults_.shortReplies;
                reply.chop(1);
            }
        }
        if (faults_.neverOk && reply == Ok)
            reply = QByteArrayLiteral("NO\n");
        if (faults_.corruptReplies > 0 && !reply.isEmpty()) {
            --faults_.corruptReplies;
            const int at = faults_.corruptOffset >= 0
                               ? std::min<int>(faults_.corruptOffset, reply.size() - 1)
                               : reply.size() / 2;
            reply[at] = char(~quint8(reply[at]));
        }
        if (faults_.garbageReplies > 0 && !reply.isEmpty()) {
            --faults_.garbageReplies;
            for (int i = 0; i < faults_.garbageBytes; ++i)
                reply += char(0xA5 ^ (i * 29 + int(timeMs)));
        }
        rec.replyLength = reply.size();
        queueReply(reply, timeMs);
    }
    if (hangUpAfter)
        hangUpAt_ = (output_.empty() ? timeMs : (output_.back().timeUs + 999) / 1000) + 1;
    received_.append(rec);
    if (onCommand)
        onCommand(rec);
}

void MeterModel::queueReply(QByteArray reply, qint64 timeMs) {
    qint64 start = timeMs * 1000 + TurnaroundUs;
    if (!output_.empty())
        start = std::max(start, output_.back().timeUs);
    const bool stall = faults_.stallMs > 0 && faults_.stallReplies > 0;
    const qint64 stallAt =
        faults_.stallAt >= 0 ? std::min<qint64>(faults_.stallAt, reply.size()) : reply.size() / 2;
    if (stall && --faults_.stallReplies == 0)
        faults_.stallAt = -1;
    qint64 bits = 0;
    for (qint64 i = 0; i < reply.size(); ++i) {
        if (stall && i == stallAt)
            start += faults_.stallMs * 1000;
        bits += BitsPerByte;
        output_.push_back({start + (bits * 1000000 + baud_ - 1) / baud_, reply[i]});
    }
}

std::optional<qint64> MeterModel::nextNoiseUs() const {
    if (!noiseStartUs_)
        return std::nullopt;
    const qint64 t =
        *noiseStartUs_ + ((noiseSent_ + 1) * BitsPerByte * 1000000 + baud_ - 1) / baud_;
    if (noiseEndUs_ ? t > *noiseEndUs_ : !faults_.noise)
        return std::nullopt;
    return t;
}

std::optional<qint64> MeterModel::nextByteTime() const {
    std::optional<qint64> us;
    if (!output_.empty())
        us = output_.front().timeUs;
    if (const std::optional<qint64> noise = nextNoiseUs(); noise && (!us || *noise < *us))
        us = noise;
    if (!us)
        return std::nullopt;
    return (*us + 999) / 1000;
}

std::optional<qint64> MeterModel::byteTime(int index) const {
    if (index < 0 || index >= int(output_.size()))
        return std::nullopt;
    return (output_[size_t(index)].timeUs + 999) / 1000;
}

QByteArray MeterModel::takeBytesUntil(qint64 timeMs) {
    QByteArray out;
    const auto due = [timeMs](qint64 us) { return (us + 999) / 1000 <= timeMs; };
    for (;;) {
        const std::optional<qint64> noise = nextNoiseUs();
        const bool replyDue = !output_.empty() && due(output_.front().timeUs);
        const bool noiseDue = noise && due(*noise);
        if (noiseDue && (!replyDue || *noise < output_.front().timeUs)) {
            out += NoiseText[int(noiseSent_++ % NoiseText.size())];
        } else if (replyDue) {
            out += output_.front().byte;
            output_.pop_front();
        } else {
            break;
        }
    }
    if (noiseStartUs_ && !nextNoiseUs()) {
        noiseStartUs_.reset();
        noiseEndUs_.reset();
    }
    return out;
}

void MeterModel::clearOutput() {
    output_.clear();
}

quint8 MeterModel::lrnStateAt(qint64 timeMs) const {
    if (!state_.learnStartMs || timeMs - *state_.learnStartMs >= LearnDurationMs)
        return state_.learnStartMs ? 4 : state_.lrnState;
    quint8 s = 0;
    for (const LearnStep& step : LearnSchedule)
        if (timeMs - *state_.learnStartMs >= step.fromMs)
            s = step.state;
    return s;
}

quint8 MeterModel::lrnFlagsAt(qint64 timeMs) const {
    if (!state_.learnStartMs || timeMs - *state_.learnStartMs >= LearnDurationMs)
        return state_.learnStartMs ? 0 : state_.lrnFlags;
    quint8 f = 0;
    for (const LearnStep& step : LearnSchedule)
        if (timeMs - *state_.learnStartMs >= step.fromMs)
            f = step.flags;
    return f;
}

std::optional<qint64> MeterModel::measuringSince() const {
    // The meter measures in learn states 3 and 4 only.
    if (state_.learnStartMs)
        return *state_.learnStartMs + LearnSchedule[4].fromMs;
    if (state_.lrnState == 3 || state_.lrnState == 4)
        return std::numeric_limits<qint64>::min();
    return std::nullopt;
}

double MeterModel::velocityAt(qint64 timeMs) const {
    const std::optional<qint64> since = measuringSince();
    if (!since || timeMs < *since)
        return 0.0;
    const double p = double(state_.velocityPeriodMs);
    const double t = double(timeMs);
    double drift = 0.0;
    if (p > 0)
        drift = FirstWeight * std::sin(TwoPi * t / p) +
                SecondWeight * std::sin(TwoPi * t / (p * SecondPeriodRatio) + SecondPhase);
    return (state_.velocityMean + state_.velocitySwing * drift) * state_.siteCalibration;
}

double MeterModel::flowPerVelocity() const {
    const double d = state_.pipeDiameterFt;
    return Pi / 4 * d * d * volumeFactor(state_.flowVolumeUnit) * timeFactor(state_.flowTimeUnit);
}

double MeterModel::flowAt(qint64 timeMs) const {
    return velocityAt(timeMs) * flowPerVelocity();
}

double MeterModel::signalStrengthAt(qint64 timeMs) const {
    const double t = double(timeMs);
    const double v = state_.signalStrengthMean + 3.5 * std::sin(TwoPi * t / StrengthPeriodMs) +
                     1.2 * std::sin(TwoPi * t / StrengthRipplePeriodMs + 0.4);
    return std::clamp(v, 0.0, 100.0);
}

double MeterModel::signalQualityAt(qint64 timeMs) const {
    const double t = double(timeMs);
    const double v = state_.signalQualityMean + 1.5 * std::sin(TwoPi * t / QualityPeriodMs + 0.5) +
                     0.6 * std::sin(TwoPi * t / QualityRipplePeriodMs);
    return std::clamp(v, 0.0, 100.0);
}

QDateTime MeterModel::clockAt(qint64 timeMs) const {
    return state_.clockBase.addMSecs(timeMs - state_.clockBaseMs);
}

double MeterModel::integratedVolumeFt3(qint64 fromMs, qint64 toMs) const {
    const std::optional<qint64> since = measuringSince();
    if (!since)
        return 0.0;
    fromMs = std::max(fromMs, *since);
    if (toMs <= fromMs)
        return 0.0;
    // Seconds throughout; the drift periods likewise.
    const double a = fromMs / 1000.0;
    const double b = toMs / 1000.0;
    const double p = state_.velocityPeriodMs / 1000.0;
    double distance = state_.velocityMean * (b - a);
    if (p > 0)
        distance += state_.velocitySwing *
                    (FirstWeight * sineIntegral(a, b, p, 0.0) +
                     SecondWeight * sineIntegral(a, b, p * SecondPeriodRatio, SecondPhase));
    const double d = state_.pipeDiameterFt;
    return Pi / 4 * d * d * distance * state_.siteCalibration;
}

double MeterModel::totalizerAt(qint64 timeMs) const {
    if (!state_.totalizerEnabled)
        return state_.totalizer;
    return state_.totalizer +
           integratedVolumeFt3(state_.totalizerAtMs, timeMs) * volumeFactor(state_.totalizerUnit);
}

void MeterModel::advanceTo(qint64 timeMs) {
    if (timeMs > state_.totalizerAtMs) {
        state_.totalizer = totalizerAt(timeMs);
        state_.totalizerAtMs = timeMs;
    }
    if (state_.learnStartMs && timeMs - *state_.learnStartMs >= LearnDurationMs) {
        state_.learnStartMs.reset();
        state_.lrnState = 4;
        state_.lrnFlags = 0;
    }
}

void MeterModel::startLearn(qint64 timeMs) {
    advanceTo(timeMs);
    state_.learnStartMs = timeMs;
    state_.lrnState = 0;
    state_.lrnFlags = 0;
}

void MeterModel::resetTotalizer(qint64 timeMs) {
    state_.totalizer = 0.0;
    state_.totalizerAtMs = timeMs;
}

void MeterModel::masterErase(qint64 timeMs) {
    advanceTo(timeMs);
    MeterState fresh = factory_;
    fresh.unitType = state_.unitType;
    fresh.version = state_.version;
    fresh.serial = state_.serial;
    fresh.clockBase = state_.clockBase;
    fresh.clockBaseMs = state_.clockBaseMs;
    fresh.totalizer = 0.0;
    fresh.totalizerAtMs = timeMs;
    state_ = fresh;
    startLearn(timeMs);
}

QByteArray MeterModel::systemConfigRecord() const {
    const MeterState& s = state_;
    QByteArray r = record(189, QByteArrayLiteral("SC,0,"));
    // 10-16: four words of the meter's own, kept at zero.
    putText(r, 18, "KR" + QByteArray::number(s.unitType) + " DUAL", 8);
    putInt(r, 26, s.displayMask);
    for (int a = 0; a < 4; ++a)
        for (int k = 0; k < 4; ++k) {
            putInt(r, 34 + 8 * a + 2 * k, s.relayInts[a][k]);
            putSingle(r, 66 + 16 * a + 4 * k, s.relaySingles[a][k]);
        }
    for (int k = 0; k < 4; ++k)
        putInt(r, 130 + 2 * k, s.relayInts[4][k]);
    putByte(r, 138, s.powerMonitorRelay);
    putByte(r, 139, s.totalizerRelay);
    putInt(r, 152, s.displayContrast);
    putInt(r, 156, s.transmitPower);
    putInt(r, 162, s.loggingOn);
    putInt(r, 166, s.currentDatalog);
    putSingle(r, 184, s.systemMiscValue);
    return r;
}

QByteArray MeterModel::channelConfigRecord() const {
    const MeterState& s = state_;
    QByteArray r = record(71, QByteArrayLiteral("CC,0,"));
    putInt(r, 10, s.damping);
    putSingle(r, 12, 1.0f);
    putByte(r, 16, s.totalizerEnabled);
    putByte(r, 17, s.rangeCode);
    putSingle(r, 18, s.lowFlowCutoff);
    putSingle(r, 22, s.signalStrengthCutoff);
    putSingle(r, 26, s.signalQualityCutoff);
    putByte(r, 30, s.totalizerMultiplier);
    putByte(r, 31, s.flowVolumeUnit);
    putByte(r, 32, s.totalizerUnit);
    putByte(r, 33, s.flowTimeUnit);
    putSingle(r, 34, s.pipeDiameterFt);
    putSingle(r, 38, s.flowAt4mA);
    putSingle(r, 42, s.flowAt20mA);
    putInt(r, 46, s.cal4mA);
    putInt(r, 48, s.cal20mA);
    putSingle(r, 50, s.siteCalibration);
    putByte(r, 67, s.pipeSizeUnit);
    putInt(r, 68, s.loggingRateIndex);
    return r;
}

QByteArray MeterModel::learnDataRecord() const {
    const MeterState& s = state_;
    QByteArray r = record(81, QByteArrayLiteral("LR,0"));
    putInt(r, 30, s.powerLosses);
    // 32 and 38: date and time the configuration was last changed, as text.
    putText(r, 32, s.clockBase.date().toString("MMddyy").toLatin1(), 6);
    putText(r, 38, s.clockBase.time().toString("HHmmss").toLatin1(), 6);
    putInt(r, 44, s.remoteZeroEnabled);
    putInt(r, 48, s.lowFlowOverride);
    putInt(r, 50, s.zeroSignalOverride);
    putInt(r, 52, s.loggingActive);
    putInt(r, 54, s.rangeMode);
    putSingle(r, 56, s.learnMiscValue);
    putInt(r, 60, s.xqMode);
    putInt(r, 64, s.lastCodes);
    putSingle(r, 66, s.watchdogEvents);
    putInt(r, 70, s.breaks);
    putByte(r, 78, s.displayFlowOrVelocity);
    putByte(r, 79, s.pipeRoughness);
    return r;
}

QByteArray MeterModel::flowDataRecord(qint64 timeMs) const {
    QByteArray r = record(38, QByteArrayLiteral("FD,"));
    putSingle(r, 4, float(flowAt(timeMs)));
    putSingle(r, 8, float(velocityAt(timeMs)));
    putSingle(r, 12, float(signalStrengthAt(timeMs)));
    putSingle(r, 16, float(signalQualityAt(timeMs)));
    putByte(r, 20, lrnStateAt(timeMs));
    putByte(r, 23, (state_.remoteZeroApplied ? 0x80 : 0) | (lrnFlagsAt(timeMs) & 0x7f));
    const QDateTime clock = clockAt(timeMs);
    putByte(r, 24, clock.time().hour());
    putByte(r, 25, clock.time().minute());
    putByte(r, 26, clock.time().second());
    putByte(r, 27, clock.date().month());
    putByte(r, 28, clock.date().day());
    putByte(r, 29, clock.date().year() - 1900);
    putDouble(r, 30, totalizerAt(timeMs));
    return r;
}

QByteArray MeterModel::signalBlock(int which, qint64 timeMs) const {
    // 21 bytes of the meter's own header, then the 540-byte block.
    QByteArray header = "XD," + QByteArray::number(which) + ",540,";
    header.append(21 - header.size(), '\0');
    QByteArray block(540, '\0');
    const double v = velocityAt(timeMs);
    if (which <= 4) {
        // Spectrum: a noise floor and a Doppler peak whose bin follows the
        // velocity; the high-frequency transducer sees it twice as far out.
        const double peak = 8.0 + v * (which % 2 ? 6.0 : 12.0);
        for (int i = 0; i < 128; ++i) {
            const double floor = 900.0 + 300.0 * ((i * 37 + which * 11) % 13) / 13.0;
            const double x = (i - peak) / 3.0;
            const qint32 value = qint32(floor + 42000.0 * std::exp(-x * x));
            putLong(block, 4 * i + 1, value);
        }
    } else {
        // Time samples: a decaying echo burst, sign-magnitude.
        const double cycle = which % 2 ? 12.5 : 6.25;
        for (int i = 0; i < 256; ++i) {
            const double a = 1800.0 * std::exp(-i / 90.0) * std::sin(TwoPi * i / cycle);
            const int mag = int(std::lround(std::fabs(a)));
            block[2 * i] = char(mag & 0xff);
            block[2 * i + 1] = char(((mag >> 8) & 0x7f) | (a < 0 ? 0x80 : 0));
        }
    }
    putInt(block, 517, 3400); // time-domain peak to peak
    putInt(block, 519, 1000); // frequency-domain correction factor
    putByte(block, 533, 5);   // gain setting
    putByte(block, 534, state_.transmitPower);
    block[539] = '\n'; // the last, unused byte, as in the meter's other records
    return header + block;
}
