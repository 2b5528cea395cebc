#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The setup dialog's commands and replies, free of any window: every setting
// is built here, framed with its terminator, and every reply the dialog reads
// is decoded here.
namespace SetupCommands {

// The fastest flow the meter measures, its largest range, in ft/s: a flow
// setting beyond it (cut-off, range end, relay threshold) is one no meter
// reaches, and it keeps every derived figure finite.
constexpr double MaximumVelocity = 32;

// The valid values of the settings the user types, wherever they are
// entered (the setup dialog, a settings file).
// The lowest cut-off the meter takes, in ft/s.
constexpr float MinimumCutoff = 0.2f;
// The largest damping a 16-bit setting holds.
constexpr int MaximumDamping = 32767;
// A site calibration corrects a reading by a factor near 1; two orders of
// magnitude either way hold every real correction and still catch a
// misplaced decimal point.
constexpr double MinimumSiteCalibration = 0.01;
constexpr double MaximumSiteCalibration = 100;
// Signal strength and quality are percentages: a cut-off outside 0 to 100
// is one no meter can apply.
constexpr double MaximumSignalCutoff = 100;
// Pipe inside diameters a meter of this kind is fitted to, in inches: from
// the smallest standard pipe (1/8 in nominal, 0.27 in inside) to the largest
// mains, well below any figure whose flow factor overflows.
constexpr double MinimumDiameterIn = 0.25;
constexpr double MaximumDiameterIn = 400;

// A command with its terminator, always appended: a binary argument whose
// last byte is a line feed is still followed by its own terminator.
QByteArray framed(const QByteArray& command);
// prefix, a 16-bit integer low byte first, terminator ("LM,1,", "LR,3,").
QByteArray withInt16(const char* prefix, qint16 value);
// prefix, an IEEE single low byte first, terminator ("LM,3,", "MD,5,").
QByteArray withSingle(const char* prefix, float value);

// The pipe record of "PD,0" and "PD,1,": diameter in feet and four list indices.
struct PipeData {
    float diameterFt = 0;
    int pipeUnit = 0; // 0 inches, 1 mm
    int wall = 0;     // pipe wall material
    int flowUnit = 0; // volume unit of flow rates
    int timeUnit = 0; // timebase of flow rates
    bool operator==(const PipeData&) const = default;
};
// "PD,1," with the diameter, pipe unit, wall, flow unit and timebase.
QByteArray pipeCommand(const PipeData& pipe);
// The reply to "PD,0": the echo, the diameter at characters 7-10, the four
// indices at 11-14. Empty when the reply is short or not a pipe record.
std::optional<PipeData> decodePipeReply(const QByteArray& reply);

// The range code of "LR,1,": the range (list index 0-4 for 2 to 32 ft/s)
// plus one, and 128 when the range is set by hand.
int rangeCode(bool manual, int rangeIndex);
// "LR,1," and the code in decimal digits.
QByteArray rangeCommand(int code);

// The transmit power level in the reply to "MD,3,0" ("MD,3," and one digit).
std::optional<int> transmitPowerLevel(const QByteArray& reply);

// Flow units per ft/s for a pipe diameter in feet and the flow units, with
// the meter's own value of pi. Throws UnitTables::IndexError for an index
// outside its table.
float flowFactor(double diameterFt, int flowUnit, int timeUnit);

// A number the user typed: trimmed, C-locale, finite. Anything else (empty
// text, a comma, a group separator, "inf") is no number.
std::optional<double> parseNumber(const QString& text);

} // namespace SetupCommands
