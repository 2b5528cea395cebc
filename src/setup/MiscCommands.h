#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The commands and replies of the setup dialog's totalizer, display, clock,
// logging and service settings, free of any window.
namespace MiscCommands {

// The "GT,0" record: the total in the totalizer's units, the unit and
// multiplier list indices, enabled, and the totalizer relay.
struct Totals {
    double total = 0;
    int unit = 0;
    int multiplier = 0;
    bool enabled = false;
    int relay = 0;
};
// Accepted only when it is the whole 22-character record beginning "GT,0".
std::optional<Totals> decodeTotals(const QByteArray& reply);
// The total shown, in units times the multiplier's divisor, as a whole number.
QString totalText(double total, int multiplier);

// The display selection mask: bits 0-3 are the four options, bits 8-15 the
// update time's list index.
int withOption(int mask, int bit, bool on);
int withUpdateTime(int mask, int index);
// The mask the meter is sent: a display never shows the rate line alone.
int maskToSend(int mask);
// "SC,2," and the mask in decimal digits.
QByteArray displayCommand(int mask);

// The meter's clock, as shown and as set.
struct MeterClock {
    int hour = 0, minute = 0, second = 0;
    int month = 0, day = 0, year = 0;
    bool operator==(const MeterClock&) const = default;
};
// The "DT,0" reply: used only when it is exactly 20 characters, digits where
// the fields stand.
std::optional<MeterClock> decodeClock(const QByteArray& reply);
// Why a clock cannot be set, in plain words; empty when it can.
QString clockProblem(const MeterClock& clock);
// "DT,1," hhmmss "," (year - 1900) mm dd, each field at least two digits.
QByteArray clockCommand(const MeterClock& clock);
// A whole number typed in a clock box (digits only), or nothing.
std::optional<int> clockField(const QString& text);

// The "VR,0" reply: version between the first and second comma, serial
// after the second. Nothing without a second comma.
struct VersionSerial {
    QString version;
    QString serial;
};
std::optional<VersionSerial> decodeVersion(const QByteArray& reply);
// A serial number the meter takes: 1 to 10 digits.
bool validSerial(const QString& text);

// The "MD,0" record: profile factor, signal strength and the totalizer code.
struct ServiceValues {
    float profileFactor = 0;
    float signalStrength = 0;
    int totCode = 0;
};
std::optional<ServiceValues> decodeService(const QByteArray& reply);

} // namespace MiscCommands
