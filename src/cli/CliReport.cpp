#include "CliReport.h"

#include "CliInterrupt.h"
#include "CliOptions.h"
#include "CliSession.h"

#include "datalog/LogDirectoryScan.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "link/Waiter.h"
#include "monitor/FlowReading.h"
#include "report/ServiceReportBuilder.h"
#include "report/ServiceReportPdf.h"
#include "shared/UnitTables.h"

#include <QDateTime>

#include <cstdio>

namespace {

// Live readings the report takes when --count does not say, 1500 ms apart
// as the program's polling timer: six seconds of flow.
constexpr int DefaultReadings = 4;
constexpr qint64 ReadingIntervalMs = 1500;

int failed(const QString& why) {
    std::fprintf(stderr, "corvane-cli: %s\n", qPrintable(why));
    return 1;
}

// The flow page's figures for one reading, formatted as the page formats them.
ReportLiveFigures figuresOf(const FlowReading& r, const ConfigRecord& c, qint64 at) {
    const ChannelConfig& h = c.ChanConfig;
    ReportLiveFigures f;
    f.lastGoodMs = at;
    f.rows.append(ReportRow{"Flow Rate", r.flowText().trimmed(), c.FlowUnitLabel});
    f.rows.append(
        ReportRow{"Velocity", r.velocityText().trimmed(),
                  FlowReading::velocityUnitText(h.FlowVolumeUnitIndex).value_or(QString())});
    f.rows.append(ReportRow{"Signal Strength", r.signalStrengthText().trimmed(), "%"});
    f.rows.append(ReportRow{"Signal Quality", r.signalQualityText().trimmed(), ""});
    try {
        f.rows.append(ReportRow{"Totalizer", r.totalizerText(h.TotalizerMultiplierIndex).trimmed(),
                                (UnitTables::multiplierName(h.TotalizerMultiplierIndex).trimmed() +
                                 u' ' + UnitTables::volumeUnitLongName(h.TotalizerVolumeUnitIndex))
                                    .trimmed()});
    } catch (const std::exception&) {
        f.rows.append(ReportRow{"Totalizer", "not shown", "", "a unit index outside its table"});
    }
    f.rows.append(ReportRow{"Meter clock", r.timeText() + u' ' + r.dateText()});
    f.indicators << FlowReading::loggingCaption(c.SysConfig.LoggingOn, c.LrnConfig.LoggingActive);
    if (FlowReading::xqModeShown(c.LrnConfig.ExtendedModeOn))
        f.indicators << QStringLiteral("7210XQ Mode");
    if (r.remoteZeroShown(c.LrnConfig.RemoteZeroEnabled))
        f.indicators << QStringLiteral("Remote Zero Applied");
    if (const auto lines = r.statusLines(c.Analysis))
        f.statusLines = *lines;
    return f;
}

} // namespace

int runReport(CliSession& session, MeterLink& link, Waiter& waiter, const CliOptions& o,
              const QString& port) {
    ServiceReportBuilder::Input in;
    if (!session.identify())
        return failed(session.error());
    in.meter.model = session.model();
    in.meter.unitType = session.model().right(1).toInt();
    in.meter.version = session.version();
    in.meter.serial = session.serial();
    in.meter.port = port;
    in.meter.settings = link.port().settings();

    ConfigRecord config;
    if (!session.readConfig(config))
        return failed(session.error());
    in.config = &config;

    TrendChart::Span trend;
    trend.unit = config.FlowUnitLabel;
    trend.showSignalStrength = true;
    const int readings = o.count > 0 ? o.count : DefaultReadings;
    for (int n = 0; n < readings; ++n) {
        const qint64 next = waiter.now() + ReadingIntervalMs;
        const qint64 at = QDateTime::currentMSecsSinceEpoch();
        TrendSample sample{at, false, 0, 0};
        if (const auto reply = session.readFlow()) {
            try {
                const FlowReading r(*reply);
                sample = {at, true, r.Flow, r.SignalStrength};
                in.live = figuresOf(r, config, at);
            } catch (const std::exception&) {
                // A record that does not read is a gap, as on the flow page.
            }
        }
        trend.samples.append(sample);
        if (n + 1 < readings)
            waiter.waitUntil(&CliInterrupt::requested, next);
    }
    trend.from = trend.samples.first().time;
    trend.to = trend.samples.last().time;
    in.trend = trend;

    DatalogDirectory directory;
    if (!LogDirectoryScan(link).run(directory))
        return failed(QStringLiteral("the meter did not list its datalogs"));
    in.directory = &directory;
    in.notes = o.notes;
    in.made = QDateTime::currentDateTime();

    QString error;
    if (!ServiceReportPdf::save(ServiceReportBuilder::build(in), o.output, &error))
        return failed(QStringLiteral("cannot write %1: %2").arg(o.output, error));
    return 0;
}
