#pragma once

#include "shared/ConfigRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// One flow data record ("FD" reply, 38 bytes) and the texts the live page
// shows for it. Pure: no link, no widgets.
class FlowReading {
public:
    static constexpr int ReplyLength = 38;
    // LrnState of the normal measuring state.
    static constexpr int MeasuringState = 4;

    // Decodes the record; throws FieldError when a number cannot be decoded.
    explicit FlowReading(const QByteArray& reply);

    float Flow = 0;           // in the configured flow units
    float Velocity = 0;       // as the meter sends it; never converted
    float SignalStrength = 0; // percent
    float SignalQuality = 0;
    quint8 LrnState = 0; // learn/range state 0-5
    quint8 LrnFlags = 0; // bits 0-6 of the flag byte
    bool RemoteZeroApplied = false;
    qint16 Hour = 0, Minute = 0, Second = 0;
    qint16 Month = 0, Day = 0, YearSince1900 = 0;
    // The totalizer count's 8 bytes; decoded by total(), which throws
    // FieldError for a pattern that is not a finite number.
    QByteArray TotalBytes;
    double total() const;

    QString flowText() const;
    QString velocityText() const;
    QString signalStrengthText() const;
    QString signalQualityText() const;
    // "hh:mm:ss AM"; hours above 12 count from 1 again with " PM".
    QString timeText() const;
    // "mm/dd/yyyy".
    QString dateText() const;

    // The learn/range status lines, or nothing when the meter is measuring
    // normally and the status box is hidden. An empty list shows the box empty.
    std::optional<QStringList> statusLines(const AnalysisFigures& analysis) const;

    // The totalizer count divided by its multiplier, as a whole number.
    // Throws UnitTables::IndexError for a multiplier index outside its table.
    QString totalizerText(int multiplierIndex) const;

    // The velocity unit that goes with a flow volume unit, or nothing for an
    // index outside the table (the caption then stays as it was).
    static std::optional<QString> velocityUnitText(int flowVolumeUnit);

    // The indicators of the live page.
    static QString loggingCaption(qint16 sysLoggingOn, qint16 lrnLoggingActive);
    static bool xqModeShown(qint16 extendedModeOn) { return extendedModeOn != 0; }
    bool remoteZeroShown(qint16 remoteZeroEnabled) const {
        return remoteZeroEnabled != 0 && RemoteZeroApplied;
    }
};
