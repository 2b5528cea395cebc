#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QtGlobal>

#include <array>
#include <optional>

// Everything the simulated meter knows about itself. Plain data: tests and
// the demo set fields directly; the model reads them when it builds a reply.
//
// The defaults describe a plausible installation: a KR5 on a 6-inch schedule
// 40 steel pipe (6.065 in inside diameter), showing gallons per minute, with
// water moving at about 4.2 ft/s (roughly 380 GPM) and a learn that has
// completed on range 4.
struct MeterState {
    // Identification.
    int unitType = 5;             // 3, 4 or 5
    QByteArray version = "V1.95"; // firmware version text
    QByteArray serial = "12345";  // unit serial number

    // System configuration ("SC" record).
    qint16 displayMask = 0x0007; // what the meter's own display shows
    // Relay settings: five arrays of four integers (element k for relay k+1)
    // and four arrays of four singles.
    std::array<std::array<qint16, 4>, 5> relayInts{
        {{1, 0, 0, 0}, {0, 0, 0, 0}, {1, 1, 1, 1}, {0, 0, 0, 0}, {5, 5, 5, 5}}};
    std::array<std::array<float, 4>, 4> relaySingles{{{300.0f, 0.0f, 0.0f, 0.0f},
                                                      {450.0f, 0.0f, 0.0f, 0.0f},
                                                      {2.0f, 2.0f, 2.0f, 2.0f},
                                                      {0.0f, 0.0f, 0.0f, 0.0f}}};
    quint8 powerMonitorRelay = 0;
    quint8 totalizerRelay = 0;
    qint16 displayContrast = 7;
    quint8 transmitPower = 1;     // 0 low, otherwise high
    qint16 loggingOn = 1;         // datalogging switched on
    quint8 currentDatalog = 2;    // number of the datalog being written
    float systemMiscValue = 1.0f; // shown on the setup dialog's miscellaneous page

    // Channel configuration ("CC" record).
    qint16 damping = 10;
    quint8 totalizerEnabled = 1;
    quint8 rangeCode = 4;
    float lowFlowCutoff = 0.1f;         // ft/s
    float signalStrengthCutoff = 20.0f; // percent
    float signalQualityCutoff = 30.0f;
    quint8 totalizerMultiplier = 0;  // index into X1 .. X10000
    quint8 flowVolumeUnit = 0;       // 0 gallons .. 7 (see the model's unit table)
    quint8 totalizerUnit = 0;        // volume unit the totalizer counts in
    quint8 flowTimeUnit = 1;         // 0 second, 1 minute, 2 hour, 3 day
    float pipeDiameterFt = 0.50542f; // inside diameter in feet
    float flowAt4mA = 0.0f;          // in flow units
    float flowAt20mA = 800.0f;
    qint16 cal4mA = 820;
    qint16 cal20mA = 4095;
    float siteCalibration = 1.0f;
    quint8 pipeSizeUnit = 0; // 0 inches, 1 millimetres
    qint16 loggingRateIndex = 3;

    // Learn data ("LR" record).
    qint16 powerLosses = 3;
    qint16 remoteZeroEnabled = 0;
    qint16 lowFlowOverride = 0;
    qint16 zeroSignalOverride = 0;
    qint16 loggingActive = 1;
    qint16 rangeMode = 0;        // 0 automatic, 1 manual
    float learnMiscValue = 0.0f; // shown on the setup dialog's miscellaneous page
    qint16 xqMode = 0;           // extended mode on
    qint16 lastCodes = 0;        // service counters
    float watchdogEvents = 0.0f;
    qint16 breaks = 0;
    quint8 displayFlowOrVelocity = 0; // 0 flow, 1 velocity
    quint8 pipeRoughness = 1;

    // Flow data ("FD" record) and live behaviour.
    quint8 lrnState = 4; // 0-5; 4 is the normal measuring state
    quint8 lrnFlags = 0; // bits 0-6
    bool remoteZeroApplied = false;
    // While set, a learn is running that began at this model time: the learn
    // state then follows the model's learn schedule instead of lrnState.
    std::optional<qint64> learnStartMs;

    // The meter's clock reads clockBase at model time clockBaseMs and runs
    // with model time. The fields are wall-clock fields kept as UTC so that
    // the clock never jumps at a daylight-saving change.
    QDateTime clockBase{QDate(2024, 5, 14), QTime(8, 30, 0), Qt::UTC};
    qint64 clockBaseMs = 0;

    // Totalizer count, in the totalizer's volume unit, at model time
    // totalizerAtMs; it integrates the flow while totalizerEnabled is set.
    double totalizer = 1284517.0;
    qint64 totalizerAtMs = 0;

    // Velocity (ft/s): velocityMean plus a slow drift of at most
    // velocitySwing, made of two sines, the longer of period
    // velocityPeriodMs. A swing of 0 gives a steady velocity.
    double velocityMean = 4.2;
    double velocitySwing = 0.35;
    qint64 velocityPeriodMs = 90000;

    // Signal strength and quality (percent) wander around these values.
    double signalStrengthMean = 78.0;
    double signalQualityMean = 94.0;

    // Fast learn chosen from the setup dialog (no record shows it).
    qint16 fastLearn = 0;

    // Service values of the "MD,0" record (the signal strength is live).
    float profileFactor = 1.25f;
    qint16 totCode = 3;
    // 4-20 mA output ("MA"): the calibration flags, calibration mode and the
    // count forced while in it. Relay test switches ("RY,3,"), 0 off.
    qint16 calFinished = 1;
    qint16 calSecondFlag = 0;
    bool calibrating = false;
    qint16 forcedCount = 0;
    std::array<quint8, 4> relayTests{};
};
