#pragma once

#include "shared/ConfigRecord.h"

#include <QByteArray>

#include <array>
#include <optional>

// The 4-20 mA output's and the relays' commands and replies, free of any
// window: the output record, the calibration arithmetic, the relay record
// and the relay test switches.
namespace OutputCommands {

// The largest count of the output's converter; a stored 20 mA count of 0 means it.
constexpr int FullScaleCount = 4095;

// The reply to "MA,0" and the argument of "MA,3,".
struct OutputRecord {
    float velocity4 = 0;  // ft/s that gives 4 mA
    float velocity20 = 0; // ft/s that gives 20 mA
    qint16 count20 = 0;
    qint16 count4 = 0;
    qint16 calFinished = 0;
    qint16 secondFlag = 0;
    qint16 present = 0; // reply only
    bool operator==(const OutputRecord&) const = default;
};
// Needs "MA," and at least minimumLength characters; nothing otherwise.
std::optional<OutputRecord> decodeOutput(const QByteArray& reply, int minimumLength);
// "MA,3," and the 16-byte record.
QByteArray outputCommand(const OutputRecord& record);
// "MA,2,1,", "MA,2,2," or "MA,2,3," and a count.
QByteArray forceCommand(int which, int count);

// The 20 mA count the output uses: a stored 0 means full scale.
int usedCount20(int count20);

// The current a count drives, in mA, or nothing when the count lies outside
// the calibrated range (the previous figure then stays). count20 as stored.
std::optional<double> currentOf(int present, int count4, int count20);
// The count for a slider position; count20 as stored.
int sliderCount(int value, int maximum, int count4, int count20);

// The corrected counts from two ammeter readings (a reading outside 2-6 or
// 17-22 mA counts as nominal, and a nominal reading keeps its count).
struct Counts {
    int count4 = 0;
    int count20 = 0;
    bool operator==(const Counts&) const = default;
};
// Nothing when the 20 mA count (0 taken as full scale) is not above the 4 mA one.
std::optional<Counts> corrected(double reading4, double reading20, int count4, int count20);

// "RY,2," and the 108-byte relay record from the configuration record.
QByteArray relayCommand(const SystemConfig& relays);
// The sense "On" (on above, off below) or "Off" (off above, on below) of relay k.
void setSense(SystemConfig& relays, int k, bool onAbove);
// Relay k as on models without it: off above, on below, inactive.
void setAbsent(SystemConfig& relays, int k);
// Which thresholds the two boxes of relay k edit; the sense decides.
struct Thresholds {
    bool onAbove = true; // "On" above, as shown by the option buttons
    float above = 0;     // the "Flow >" box
    float below = 0;     // the "Flow <" box
};
Thresholds thresholdsOf(const SystemConfig& relays, int k);
void setThreshold(SystemConfig& relays, int k, bool aboveBox, float value);
// Copies the four relays' senses, thresholds and active flags.
void copyRelays(const SystemConfig& from, SystemConfig& to);

// "RY,3," and the four test states, each as one byte (a negative one plus 256).
QByteArray testCommand(const std::array<qint16, 4>& states);
// The test states in the reply to "RY,1" (characters 6 to 9), non-zero on.
std::optional<std::array<bool, 4>> decodeTests(const QByteArray& reply);

} // namespace OutputCommands
