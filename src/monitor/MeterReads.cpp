#include "MeterReads.h"

#include "ConfigDecoder.h"
#include "FlowReading.h"

#include "link/ConnectionState.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "link/Waiter.h"

#include <exception>
#include <limits>

namespace {

// Identification attempts before the meter counts as absent.
constexpr int IdentifyAttempts = 3;
// Bad version replies tolerated before the read gives up (four writes in all).
constexpr int VersionRetries = 3;

QByteArray command(const char* text) {
    return QByteArray(text) + MeterLink::CommandTerminator;
}

// The 1-based position of the first comma at or after position from, or 0.
int commaFrom(const QByteArray& text, int from) {
    return int(text.indexOf(',', qMax(from, 1) - 1)) + 1;
}

} // namespace

bool MeterReads::wholeRecord(const QByteArray& record, const char* opcode, int length) {
    return record.size() == length && record.startsWith(opcode) &&
           record.back() == MeterLink::CommandTerminator;
}

int MeterReads::identify() {
    link_.connection().identifying();
    for (int attempt = 0; attempt < IdentifyAttempts; ++attempt) {
        // The identification opens a session: whatever waits is stale. A
        // repeat first lets the tail of the failed reply arrive and go.
        if (attempt > 0)
            link_.discardUntilQuiet();
        else if (link_.port().isOpen())
            link_.port().discardInput();
        if (!link_.writeDirect(MeterLink::FlushPrefix) || !link_.writeDirect(command("VT,0")))
            return 0;
        const QByteArray line = link_.ReadComm(0);
        for (int type : {5, 4, 3})
            if (line.contains("VT," + QByteArray::number(type))) {
                link_.noteGoodReply();
                return type;
            }
    }
    return 0;
}

std::optional<QByteArray> MeterReads::readVersion() {
    for (int bad = 0; bad <= VersionRetries; ++bad) {
        if (bad > 0)
            link_.discardUntilQuiet();
        link_.writeDirect(command("VR,0"));
        QByteArray reply = link_.ReadComm(0);
        // A line cut off by a stall is no version: it is read again.
        const bool whole = link_.state().ReplyStatus == 0;
        if (link_.port().isOpen() && link_.port().bytesWaiting() > 0)
            reply += link_.ReadComm(0);
        if (whole && !reply.contains("BAD") && !reply.isEmpty() && reply.startsWith("VR")) {
            link_.noteGoodReply();
            return reply;
        }
    }
    return std::nullopt;
}

std::optional<QString> MeterReads::versionOf(const QByteArray& reply) {
    const int p1 = commaFrom(reply, 3) + 1;
    const int p2 = commaFrom(reply, p1 + 1);
    if (p2 <= 0)
        return std::nullopt;
    return QString::fromLatin1(reply.mid(p1 - 1, p2 - p1));
}

QString MeterReads::serialOf(const QByteArray& reply) {
    const QByteArray line = reply.trimmed();
    const qsizetype first = line.indexOf(',');
    const qsizetype second = first < 0 ? -1 : line.indexOf(',', first + 1);
    return second < 0 ? QString() : QString::fromLatin1(line.mid(second + 1)).trimmed();
}

template <typename Decode>
bool MeterReads::readRecord(const char* text, int mode, int length, const char* opcode,
                            Decode&& decode) {
    LinkState& state = link_.state();
    state.CurrentCommand = command(text);
    const QByteArray reply = link_.SendCommand(state.CurrentCommand, mode, length);
    // Mode 3 returns the record itself; mode 2 leaves it in RawReply.
    const QByteArray record = mode == 3 ? reply : state.RawReply;
    if (reply.isEmpty() || !wholeRecord(record, opcode, length))
        return false;
    try {
        decode(record);
    } catch (const std::exception&) {
        return false;
    }
    link_.noteGoodReply();
    return true;
}

bool MeterReads::readSystemConfig(ConfigRecord& config) {
    link_.writeDirect(MeterLink::FlushPrefix);
    // Read as a binary record of its full length: its bytes may have any
    // value, a line feed (10) included.
    return readRecord("SC,0,", 3, ConfigDecoder::SysConfigLength, "SC", [&](const QByteArray& r) {
        for (int i = 0; i < sysConfigYields; ++i)
            link_.waiter().yield();
        config.SysConfig = ConfigDecoder::decodeSystemConfig(r);
    });
}

bool MeterReads::readChannelConfig(ConfigRecord& config) {
    return readRecord("CC,0,", 2, ConfigDecoder::ChanConfigLength, "CC", [&](const QByteArray& r) {
        ConfigRecord updated = config;
        updated.ChanConfig = ConfigDecoder::decodeChannelConfig(r);
        updated.deriveFlowUnits();
        config = updated;
    });
}

bool MeterReads::readLearnData(ConfigRecord& config) {
    return readRecord("LR,0", 2, ConfigDecoder::LrnDataLength, "LR", [&](const QByteArray& r) {
        config.LrnConfig = ConfigDecoder::decodeLearnData(r);
    });
}

std::optional<QByteArray> MeterReads::readFlowRecord() {
    LinkState& state = link_.state();
    FdSequence = FdSequence >= std::numeric_limits<qint16>::max() ? 1 : qint16(FdSequence + 1);
    state.CurrentCommand =
        QByteArray("FD,0,") + QByteArray::number(FdSequence) + MeterLink::CommandTerminator;
    const QByteArray reply = link_.SendCommand(state.CurrentCommand, 3, FlowReading::ReplyLength);
    if (!wholeRecord(reply, "FD", FlowReading::ReplyLength))
        return std::nullopt;
    link_.noteGoodReply();
    return reply;
}
