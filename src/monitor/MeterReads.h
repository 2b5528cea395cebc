#pragma once

#include "shared/ConfigRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>

class MeterLink;

// The main window's reads of the meter, free of widgets, so that the polling
// cycle, the flow page and corvane-cli send the very same exchanges:
// identification, the version read, the three configuration records and the
// flow record. Each read changes nothing when it fails.
class MeterReads {
public:
    explicit MeterReads(MeterLink& link) : link_(link) {}

    // "VT,0", up to three times: the unit type (5, 4 or 3), or 0 when no
    // known model answered.
    int identify();

    // "VR,0" until a whole line that is not refused comes back, a bounded
    // number of times: the reply (for example "VR,V1.95,12345"), or nothing.
    std::optional<QByteArray> readVersion();
    // The version text of a reply: between its first and second comma.
    static std::optional<QString> versionOf(const QByteArray& reply);
    // The serial number of a reply, as the meter sent it: what follows its
    // second comma, without the line end; empty when there is none.
    static QString serialOf(const QByteArray& reply);

    // A record is used only when whole: its opcode at the start, its full
    // length and the line feed the meter puts in its last byte. Anything
    // else (an error word, a cut reply, the tail of an earlier reply joined
    // to the start of this one) is a failed read.
    static bool wholeRecord(const QByteArray& record, const char* opcode, int length);

    // "SC,0,", "CC,0," and "LR,0": true when the whole record arrived and decoded.
    // The channel read also derives the flow units, and a unit index outside
    // its table fails it whole.
    bool readSystemConfig(ConfigRecord& config);
    bool readChannelConfig(ConfigRecord& config);
    bool readLearnData(ConfigRecord& config);

    // "FD,0,"n with the next sequence number (1 to 32767, then 1 again): the
    // whole 38-byte record, or nothing.
    std::optional<QByteArray> readFlowRecord();
    qint16 FdSequence = 0;

    // Yields between receiving the system record and decoding it, so clicks
    // and repaints are served; the window sets it, the command line does not.
    int sysConfigYields = 0;

private:
    // One configuration read: sends command, checks the record is whole
    // and decodes it; false when anything failed.
    template <typename Decode>
    bool readRecord(const char* command, int mode, int length, const char* opcode, Decode&& decode);

    MeterLink& link_;
};
