#pragma once

#include "shared/ConfigRecord.h"

#include <QByteArray>

// Decodes the meter's three configuration records from their reply bytes
// (the command's echo first, fields from byte 10 on, little-endian). Pure:
// no link, no widgets. A field that cannot be converted throws FieldError;
// a record cut short decodes its missing fields as 0.
class ConfigDecoder {
public:
    static constexpr int SysConfigLength = 189; // "SC,0," reply
    static constexpr int ChanConfigLength = 71; // "CC,0," reply
    static constexpr int LrnDataLength = 81;    // "LR,0" reply

    static SystemConfig decodeSystemConfig(const QByteArray& reply);
    static ChannelConfig decodeChannelConfig(const QByteArray& reply);
    static LearnData decodeLearnData(const QByteArray& reply);
};
