#pragma once

#include <QString>

#include <array>
#include <stdexcept>

// The unit names and conversion factors the meter's unit indices select.
// Indices are 0-based, as the meter sends them. The factors are the
// single-precision values the meter's units are defined by.
namespace UnitTables {

// Volume units: short name (flow label), long name (totalizer), units per cubic foot.
inline constexpr std::array<const char*, 8> VolumeUnitNames = {"G",  "IG", "MG", "Ft3",
                                                               "M3", "L",  "OB", "LB"};
inline constexpr std::array<const char*, 8> VolumeUnitLongNames = {"GAL", "IGal", "MGal", "Ft3",
                                                                   "M3",  "L",    "",     ""};
inline constexpr std::array<float, 8> VolumeFactors = {7.4805f,  6.22944f, 7.4805E-6f, 1.0f,
                                                       0.02832f, 28.3167f, 0.178119f,  0.237476f};

// Time units of a flow rate and their length in seconds.
inline constexpr std::array<const char*, 4> TimeUnitNames = {"Sec", "Min", "Hr", "Day"};
inline constexpr std::array<float, 4> TimeFactors = {1.0f, 60.0f, 3600.0f, 86400.0f};

// Totalizer multipliers; the names begin with two spaces.
inline constexpr std::array<const char*, 5> MultiplierNames = {"  X1", "  X10", "  X100", "  X1000",
                                                               "  X10000"};
inline constexpr std::array<float, 5> MultiplierValues = {1.0f, 10.0f, 100.0f, 1000.0f, 10000.0f};

inline constexpr std::array<const char*, 2> VelocityUnitNames = {"Ft/Sec", "M/Sec"};

// Pipe size units per foot: inches, millimetres.
inline constexpr std::array<float, 2> PipeUnitFactors = {12.0f, 304.8f};

// A unit index the meter sent that lies outside its table.
class IndexError : public std::out_of_range {
public:
    IndexError(const char* table, int index);
    const char* table() const { return table_; }
    int index() const { return index_; }

private:
    const char* table_;
    int index_;
};

// Checked look-ups: each throws IndexError for an index outside its table.
QString volumeUnitName(int index);
QString volumeUnitLongName(int index);
float volumeFactor(int index);
QString timeUnitName(int index);
float timeFactor(int index);
QString multiplierName(int index);
float multiplierValue(int index);

} // namespace UnitTables
