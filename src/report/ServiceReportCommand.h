#pragma once

#include "ServiceReportBuilder.h"

#include <QObject>

#include <functional>

class LineOwner;
class MeterLink;
class PortSettingsStore;

// File > Save Service Report...: asks for the technician notes and the file,
// gathers what this session has read while it holds the line, then builds and
// saves the report. Nothing is sent to the meter: the identification, the
// version and the serial number come from the connection state.
class ServiceReportCommand {
public:
    // What the main window lends the report, each piece as it stands when
    // the report is made.
    struct Sources {
        // The time of the report, on the trend's clock, so the report's time
        // and the times of its readings can never disagree.
        std::function<qint64()> madeMs;
        // Nothing while the configuration has not been read.
        std::function<const ConfigRecord*()> config;
        std::function<ReportLiveFigures()> live;
        std::function<std::optional<TrendChart::Span>()> trend;
        std::function<QList<SignalPageSnapshot>()> signalPages;
        // Nothing while the datalog window has not read the directory.
        std::function<const DatalogDirectory*()> directory;
    };

    ServiceReportCommand(MeterLink& link, LineOwner& owner, const PortSettingsStore& store,
                         Sources sources);

    // The report's contents now.
    ServiceReportBuilder::Input gather(const QString& notes) const;
    // The meter and the port as the report names them.
    ReportIdentification identification() const;
    // Asks, then saves, each step in its turn on the line; context is the
    // window the questions belong to.
    void run(QObject* context);

private:
    MeterLink& link_;
    LineOwner& owner_;
    const PortSettingsStore& store_;
    Sources sources_;
};
