#include "UnitTables.h"

namespace UnitTables {

IndexError::IndexError(const char* table, int index)
    : std::out_of_range(std::string("unit index ") + std::to_string(index) + " outside " + table),
      table_(table), index_(index) {}

namespace {

template <typename T, std::size_t N>
T checked(const std::array<T, N>& table, int index, const char* name) {
    if (index < 0 || index >= int(N))
        throw IndexError(name, index);
    return table[std::size_t(index)];
}

} // namespace

QString volumeUnitName(int index) {
    return QString::fromLatin1(checked(VolumeUnitNames, index, "VolumeUnitNames"));
}
QString volumeUnitLongName(int index) {
    return QString::fromLatin1(checked(VolumeUnitLongNames, index, "VolumeUnitLongNames"));
}
float volumeFactor(int index) {
    return checked(VolumeFactors, index, "VolumeFactors");
}
QString timeUnitName(int index) {
    return QString::fromLatin1(checked(TimeUnitNames, index, "TimeUnitNames"));
}
float timeFactor(int index) {
    return checked(TimeFactors, index, "TimeFactors");
}
QString multiplierName(int index) {
    return QString::fromLatin1(checked(MultiplierNames, index, "MultiplierNames"));
}
float multiplierValue(int index) {
    return checked(MultiplierValues, index, "MultiplierValues");
}

} // namespace UnitTables
