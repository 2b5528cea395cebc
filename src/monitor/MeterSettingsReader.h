#pragma once

#include "setup/MeterSettings.h"

#include <QString>

#include <optional>

class MeterLink;

// Reads everything a settings file holds, by whoever holds the line:
// identification, version, the three configuration records (the main
// window's own reads), the output record, the totalizer, the clock and the
// service values, each tried a bounded number of times.
class MeterSettingsReader {
public:
    // Nothing, with what failed in *why, when any read failed.
    static std::optional<MeterSettings> read(MeterLink& link, QString* why);

    // Tries of each of the setup dialog's reads; a meter that sent a cut
    // record answers whole on the next try.
    static constexpr int ReadTries = 3;
};
