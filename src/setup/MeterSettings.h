#pragma once

#include "MiscCommands.h"
#include "OutputCommands.h"
#include "shared/ConfigRecord.h"

#include <QString>

#include <optional>

// One meter's settings as read at one moment: the three configuration
// records and, when read, the output record, the totalizer, the clock and
// the service values, with the identification they belong to. The settings
// catalogue reads every setting from here; a restore builds its commands
// from one of these with the file's values put in.
struct MeterSettings {
    int unitType = 0; // 5, 4 or 3
    QString version;
    QString serial;
    ConfigRecord config;
    std::optional<OutputCommands::OutputRecord> output; // "MA,0"
    std::optional<MiscCommands::Totals> totals;         // "GT,0"
    std::optional<MiscCommands::MeterClock> clock;      // "DT,0"
    std::optional<MiscCommands::ServiceValues> service; // "MD,0"

    // "Velmar KR5"; empty for no model.
    static QString modelName(int unitType);
    QString model() const { return modelName(unitType); }
};
