#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>

// The meter's configuration as the three configuration reads leave it. One
// instance lives for the whole run, owned by the main window; the live page,
// the setup dialog, the relay windows and the datalog window read it, and the
// setup dialog writes a setting back here once the meter has accepted it.
// Fields the program does not use are kept so that each record stays whole.

// Reply to "SC,0,": 189 bytes.
struct SystemConfig {
    std::array<qint16, 4> UnusedIntsAt10{};
    QByteArray UnusedTextAt18;
    // What the meter's own display shows: bit 0 velocity instead of flow,
    // bit 1 totalizer, bit 2 signal strength and quality, bit 3 date and time,
    // bits 8-15 the display update time.
    qint16 DisplayMask = 0;

    // Relay settings, element k for relay k + 1.
    std::array<qint16, 4> RelayOnAbove{};
    std::array<qint16, 4> RelayOffAbove{};
    std::array<qint16, 4> RelayOnBelow{};
    std::array<qint16, 4> RelayOffBelow{};
    std::array<float, 4> RelayOnAboveThreshold{};
    std::array<float, 4> RelayOffAboveThreshold{};
    std::array<float, 4> RelayOnBelowThreshold{};
    std::array<float, 4> RelayOffBelowThreshold{};
    std::array<qint16, 4> RelayActive{};
    qint16 PowerMonitorRelay = 0;
    qint16 TotalizerRelay = 0;

    std::array<qint16, 6> UnusedIntsAt140{};
    qint16 DisplayContrast = 0;
    qint16 UnusedIntAt154 = 0;
    quint8 TransmitPower = 0;
    qint32 UnusedLongAt158 = 0;
    // Logging switched on; with LearnData::LoggingActive it drives the
    // "Logging" indicator.
    qint16 LoggingOn = 0;
    qint16 UnusedIntAt164 = 0;
    // The datalog file the meter records into; 255 when logging is off.
    quint8 CurrentDatalogNumber = 0;
    std::array<float, 4> UnusedSinglesAt168{};
    // The learn scale the setup dialog's Misc. page shows.
    float LearnScale = 0;
};

// Reply to "CC,0,": 71 bytes.
struct ChannelConfig {
    qint16 Damping = 0;
    float UnusedSingleAt12 = 0;
    quint8 TotalizerEnabled = 0;
    // Range 1-5, plus 128 when the range is set by hand.
    quint8 RangeCode = 0;
    float LowFlowCutoffVelocity = 0; // feet per second
    float SignalStrengthCutoff = 0;
    float SignalQualityCutoff = 0;
    // Indices into the unit tables (UnitTables.h).
    quint8 TotalizerMultiplierIndex = 0;
    quint8 FlowVolumeUnitIndex = 0;
    quint8 TotalizerVolumeUnitIndex = 0;
    quint8 FlowTimeUnitIndex = 0;
    float PipeInsideDiameter = 0; // feet
    float FlowAt4mA = 0;
    float FlowAt20mA = 0;
    qint16 CalibrationAt4mA = 0;
    qint16 CalibrationAt20mA = 0;
    float SiteCalibrationFactor = 0;
    std::array<qint16, 3> UnusedIntsAt54{};
    float UnusedSingleAt60 = 0;
    qint16 UnusedIntAt64 = 0;
    quint8 UnusedByteAt66 = 0;
    quint8 PipeSizeUnit = 0;
    qint16 LoggingRateIndex = 0;
};

// Reply to "LR,0": 81 bytes.
struct LearnData {
    std::array<qint16, 7> UnusedIntsAt10{};
    std::array<quint8, 2> UnusedBytesAt24{};
    qint16 UnusedIntAt26 = 0;
    quint8 UnusedByteAt28 = 0;
    quint8 UnusedByteAt29 = 0;
    qint16 PowerLossCount = 0;
    QByteArray UnusedTextAt32;
    QByteArray UnusedTextAt38;
    qint16 RemoteZeroEnabled = 0;
    qint16 UnusedIntAt46 = 0;
    qint16 LowFlowCutoffOverride = 0;
    qint16 ZeroSignalCutoffOverride = 0;
    // Logging active; with SystemConfig::LoggingOn it drives the "Logging"
    // indicator.
    qint16 LoggingActive = 0;
    qint16 RangeModeManual = 0;
    // The exception count the setup dialog's Misc. page shows.
    float ExceptionCount = 0;
    qint16 ExtendedModeOn = 0; // XQ mode
    qint16 UnusedIntAt62 = 0;
    // Service counters.
    qint16 LastCode = 0;
    float WatchdogFailures = 0;
    qint16 Breaks = 0;
    std::array<qint16, 3> UnusedIntsAt72{};
    quint8 DisplayFlowOrVelocity = 0;
    quint8 PipeRoughness = 0;
};

// The figures the meter's own analysis reports (the analysis pages fill
// them); the live page's status lines quote them. 0 until first read.
struct AnalysisFigures {
    int RangeNumber = 0;
    int LearnCount = 0;
    int PointCount = 0;
};

struct ConfigRecord {
    SystemConfig SysConfig;
    ChannelConfig ChanConfig;
    LearnData LrnConfig;
    AnalysisFigures Analysis;

    // The flow, in the flow units, that one foot per second of velocity
    // represents, and the flow units as text ("G/Min"); derived from the
    // channel configuration whenever it is read.
    float FlowPerVelocity = 0;
    QString FlowUnitLabel;

    // Recomputes FlowPerVelocity and FlowUnitLabel from ChanConfig. Throws
    // UnitTables::IndexError, changing nothing, when a unit index lies
    // outside its table.
    void deriveFlowUnits();
};
