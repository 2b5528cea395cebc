#pragma once

#include "CliOptions.h"
#include "setup/SettingsFile.h"

#include <optional>

class MeterLink;

// corvane-cli's settings commands: config by setting name, and a settings
// file saved, compared with the meter and restored to it.
class CliSettings {
public:
    // The settings file a compare or restore names, read and checked before
    // the port is opened: nothing, after one line on stderr, when it cannot
    // be used.
    static std::optional<SettingsFileData> loadFile(const CliOptions& o);

    // Each returns the exit status.
    static int config(MeterLink& link);
    static int save(MeterLink& link, const CliOptions& o);
    static int compare(MeterLink& link, const SettingsFileData& file);
    static int restore(MeterLink& link, const SettingsFileData& file, const CliOptions& o);

    // Exit status of a compare that found a setting differing.
    static constexpr int Differs = 3;
};
