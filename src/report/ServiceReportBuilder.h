#pragma once

#include "ServiceReport.h"

#include "shared/ConfigRecord.h"
#include "shared/DatalogRecord.h"

#include <QDateTime>
#include <QStringList>

// The meter as the report names it.
struct ReportIdentification {
    int unitType = 0; // 5, 4 or 3; 0 when no meter has been identified
    QString model;    // "Velmar KR5"
    QString version;  // the firmware version, "V1.95"
    QString serial;   // the serial number as the meter sent it
    QString port;     // "Com1 (/dev/ttyUSB0)"
    QString settings; // "19200,n,8,1"
};

// The live flow figures as shown at the moment of saving.
struct ReportLiveFigures {
    QList<ReportRow> rows;
    QStringList statusLines;
    QStringList indicators;
    // When the last good flow record arrived (ms since the epoch); 0: none.
    qint64 lastGoodMs = 0;
};

// A signal page of the main window as it stands.
struct SignalPageSnapshot {
    QString title;
    QList<ReportPicture> pictures;
    QList<ReportRow> rows;
    QString supervisorOutput;
};

// Builds the service report's document from what the program holds. Every
// value is formatted as the window that shows it formats it.
class ServiceReportBuilder {
public:
    struct Input {
        QDateTime made;
        ReportIdentification meter;
        // Nothing when the configuration has not been read.
        const ConfigRecord* config = nullptr;
        std::optional<ReportLiveFigures> live;
        std::optional<TrendChart::Span> trend;
        QList<SignalPageSnapshot> signalPages;
        // Nothing when the directory has not been read.
        const DatalogDirectory* directory = nullptr;
        QString notes;
    };

    static ServiceReport build(const Input& in);

    // Dates and times in the form every window shows: "5/12/2006 10:30:00 AM".
    static QString timeText(const QDateTime& time);

    static ReportSection identification(const ReportIdentification& meter, const QDateTime& made);
    // Pipe and units, limits and cut-offs, learning, 4-20 mA output, relays,
    // totalizer, display, logging and the service counters.
    static QList<ReportSection> configuration(const ConfigRecord& config, int unitType);
    static ReportSection liveFigures(const std::optional<ReportLiveFigures>& live,
                                     const std::optional<TrendChart::Span>& trend);
    static ReportPage signalPage(const SignalPageSnapshot& page);
    static ReportSection datalogDirectory(const DatalogDirectory& directory);
    static ReportSection notes(const QString& text);

    // Titles of the sections, as tests and readers look them up.
    static constexpr const char* MeterSection = "Meter";
    static constexpr const char* LiveSection = "Live flow";
    static constexpr const char* NotesSection = "Technician notes";
    static constexpr const char* DatalogSection = "Datalog directory";
};
