#include "ConfigRecord.h"

#include "UnitTables.h"

namespace {
// The meter's own value of pi for the pipe's cross-section.
constexpr double PipeAreaPi = 3.14159;
} // namespace

void ConfigRecord::deriveFlowUnits() {
    const int volume = ChanConfig.FlowVolumeUnitIndex;
    const int time = ChanConfig.FlowTimeUnitIndex;
    const double diameter = ChanConfig.PipeInsideDiameter;
    const double perVelocity = PipeAreaPi / 4 * diameter * diameter *
                               UnitTables::volumeFactor(volume) * UnitTables::timeFactor(time);
    const QString label = UnitTables::volumeUnitName(volume) + "/" + UnitTables::timeUnitName(time);
    FlowPerVelocity = float(perVelocity);
    FlowUnitLabel = label;
}
