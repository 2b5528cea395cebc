#include "ServiceReportBuilder.h"

#include "datalog/LogText.h"
#include "link/DisplayFormat.h"

namespace {

// The lists of the setup dialog, by the index the meter sends.
const QStringList PipeUnits = {"Inches", "mm"};
const QStringList WallMaterials = {"Carbon Steel",    "Cast Iron", "Concrete Liner",
                                   "Stainless Steel", "Copper",    "Plastic"};
const QStringList FlowUnits = {"US Gal", "ImpGal", "MGal", "Ft^3", "M^3", "Liter", "OB", "LB"};
const QStringList Timebases = {"Sec.", "Min.", "Hr.", "Day"};
const QStringList TotalizerUnits = {"US Gal", "ImpGal", "MGal", "Ft^3", "M^3", "Liter", "OB", "LB"};
const QStringList Multipliers = {"x1", "x10", "x100", "x1000", "x10000"};
const QStringList RelayMultipliers = {"No", "x1", "x2", "x5", "x10"};
const QStringList Ranges = {"2", "4", "8", "16", "32"};
const QStringList Overrides = {"None", "SS0", "LFO", "Both"};
const QStringList UpdateTimes = {"4", "8", "16", "32", "64"};
const QStringList LogRates = {"0.5", "1", "5", "15", "60"};
// Relays each model has: the KR4 four, the KR5 relay 1, the KR3 none.
int relayCount(int unitType) {
    return unitType == 4 ? 4 : unitType == 5 ? 1 : 0;
}
// The unit column of a value whose unit the meter alone defines.
const QString MetersUnit = QStringLiteral("(meter's own)");

QString shown(double value, const char* pattern) {
    return FormatNumber(value, QString::fromLatin1(pattern)).trimmed();
}
QString shown(float value, const char* pattern) {
    return FormatNumber(value, QString::fromLatin1(pattern)).trimmed();
}

// A list's item for an index the meter sent; an index outside the list is
// said as such rather than shown as some other item.
QString item(const QStringList& list, int index, int count = -1) {
    const int n = count < 0 ? int(list.size()) : count;
    if (index >= 0 && index < n)
        return list.at(index);
    return QStringLiteral("index %1 (not offered for this model)").arg(index);
}

QString yesNo(qint64 flag) {
    return flag ? QStringLiteral("Yes") : QStringLiteral("No");
}
QString onOff(qint64 flag) {
    return flag ? QStringLiteral("On") : QStringLiteral("Off");
}

ReportSection pipeAndUnits(const ConfigRecord& c) {
    const ChannelConfig& h = c.ChanConfig;
    ReportSection s(QStringLiteral("Pipe and flow units"));
    const bool mm = h.PipeSizeUnit == 1;
    s.rows.append(ReportRow{"Pipe Inside Diameter",
                            mm ? shown(double(h.PipeInsideDiameter) * 304.8, "     ##0.0#")
                               : shown(double(h.PipeInsideDiameter) * 12.0, "     ##0.000#"),
                            mm ? "mm" : "in"});
    s.rows.append(ReportRow{"Pipe Units", item(PipeUnits, h.PipeSizeUnit)});
    s.rows.append(ReportRow{"Pipe Wall Material", item(WallMaterials, c.LrnConfig.PipeRoughness)});
    s.rows.append(ReportRow{"Flow Rate Units", item(FlowUnits, h.FlowVolumeUnitIndex)});
    s.rows.append(ReportRow{"Timebase", item(Timebases, h.FlowTimeUnitIndex)});
    s.rows.append(ReportRow{"Flow Conv factor", shown(c.FlowPerVelocity, "   ###0.0###"),
                            c.FlowUnitLabel + " per ft/s"});
    return s;
}

ReportSection limits(const ConfigRecord& c) {
    const ChannelConfig& h = c.ChanConfig;
    ReportSection s(QStringLiteral("Limits and cut-offs"));
    s.rows.append(ReportRow{"Damping", QString::number(h.Damping), MetersUnit});
    s.rows.append(ReportRow{"Low Flow Cutoff",
                            shown(double(h.LowFlowCutoffVelocity) * c.FlowPerVelocity, "  ###0.0#"),
                            c.FlowUnitLabel});
    s.rows.append(
        ReportRow{"Low Flow Cutoff velocity", shown(h.LowFlowCutoffVelocity, "  ##0.0##"), "ft/s"});
    s.rows.append(
        ReportRow{"Site Cal.", shown(h.SiteCalibrationFactor, " ##0.0## "), "", "factor"});
    s.rows.append(ReportRow{"Remote Zero", onOff(c.LrnConfig.RemoteZeroEnabled)});
    s.rows.append(ReportRow{"Meter display shows", c.LrnConfig.DisplayFlowOrVelocity
                                                       ? QStringLiteral("Vel")
                                                       : QStringLiteral("Flow")});
    s.rows.append(
        ReportRow{"Signal Strength Cutoff", shown(h.SignalStrengthCutoff, "   ##0.0##"), ""});
    s.rows.append(
        ReportRow{"Signal Quality Cutoff", shown(h.SignalQualityCutoff, "   ##0.0##"), ""});
    return s;
}

ReportSection learning(const ConfigRecord& c) {
    const LearnData& l = c.LrnConfig;
    ReportSection s(QStringLiteral("Learning and range"));
    s.rows.append(ReportRow{"Range Mode",
                            l.RangeModeManual ? QStringLiteral("Man") : QStringLiteral("Auto")});
    s.rows.append(ReportRow{"Range", item(Ranges, (c.ChanConfig.RangeCode & 0x7F) - 1), "ft/s"});
    s.rows.append(ReportRow{"Overrides", item(Overrides, 2 * (l.LowFlowCutoffOverride != 0) +
                                                             (l.ZeroSignalCutoffOverride != 0))});
    s.rows.append(ReportRow{"7210XQ mode", onOff(l.ExtendedModeOn)});
    s.rows.append(ReportRow{"Tx Power", c.SysConfig.TransmitPower ? QStringLiteral("Hi")
                                                                  : QStringLiteral("Reg")});
    s.rows.append(ReportRow{"Scale", shown(c.SysConfig.LearnScale, "   ##0.0##"), ""});
    return s;
}

ReportSection output(const ConfigRecord& c) {
    const ChannelConfig& h = c.ChanConfig;
    ReportSection s(QStringLiteral("4-20 mA output"));
    s.rows.append(
        ReportRow{"Flow Rate at 4 mA", shown(h.FlowAt4mA, "  ###0.00##"), c.FlowUnitLabel});
    s.rows.append(
        ReportRow{"Flow Rate at 20 mA", shown(h.FlowAt20mA, "  ###0.00#"), c.FlowUnitLabel});
    s.rows.append(ReportRow{"4 mA calibration", QString::number(h.CalibrationAt4mA), "DAC counts"});
    s.rows.append(
        ReportRow{"20 mA calibration", QString::number(h.CalibrationAt20mA), "DAC counts"});
    return s;
}

ReportSection relays(const ConfigRecord& c, int unitType) {
    const SystemConfig& sys = c.SysConfig;
    ReportSection s(QStringLiteral("Relays"));
    const int count = relayCount(unitType);
    if (count == 0)
        s.emptyText = QStringLiteral("This model has no alarm relays.");
    // On the KR5 and KR3 relay 1 may give totalizer pulses instead.
    const bool relay1Totalizer = unitType != 4 && sys.TotalizerRelay != 0;
    for (int k = 0; k < count; ++k) {
        const QString name = QStringLiteral("Relay %1").arg(k + 1);
        if (k == 0 && relay1Totalizer) {
            s.rows.append(ReportRow{name, "used as TOTALIZER RELAY"});
            continue;
        }
        s.rows.append(ReportRow{name + " active", yesNo(sys.RelayActive[size_t(k)])});
        // Which pair of opposite rules is set, in the setup dialog's order.
        bool onSense;
        if (sys.RelayOffAbove[size_t(k)])
            onSense = false;
        else if (sys.RelayOnAbove[size_t(k)])
            onSense = true;
        else if (sys.RelayOffBelow[size_t(k)])
            onSense = true;
        else if (sys.RelayOnBelow[size_t(k)])
            onSense = false;
        else {
            s.rows.append(ReportRow{name + " switching", "not set"});
            continue;
        }
        const float above =
            onSense ? sys.RelayOnAboveThreshold[size_t(k)] : sys.RelayOffAboveThreshold[size_t(k)];
        const float below =
            onSense ? sys.RelayOffBelowThreshold[size_t(k)] : sys.RelayOnBelowThreshold[size_t(k)];
        s.rows.append(ReportRow{name + " Flow >", shown(above, "###0.0##"), c.FlowUnitLabel,
                                onSense ? "switches On" : "switches Off"});
        s.rows.append(ReportRow{name + " Flow <", shown(below, "###0.0##"), c.FlowUnitLabel,
                                onSense ? "switches Off" : "switches On"});
    }
    if (unitType == 4)
        s.rows.append(ReportRow{"Pwr Monitor Rly", sys.PowerMonitorRelay == 1 ? "No" : "Yes"});
    return s;
}

ReportSection totalizer(const ConfigRecord& c, int unitType) {
    const ChannelConfig& h = c.ChanConfig;
    ReportSection s(QStringLiteral("Totalizer"));
    s.rows.append(ReportRow{"Totalizer Enabled", yesNo(h.TotalizerEnabled)});
    s.rows.append(ReportRow{
        "Units", item(TotalizerUnits, h.TotalizerVolumeUnitIndex, unitType == 5 ? 6 : 8)});
    s.rows.append(ReportRow{"Multiplier", item(Multipliers, h.TotalizerMultiplierIndex)});
    if (unitType == 4)
        s.rows.append(ReportRow{"Tot. Relay 1.", item(RelayMultipliers, c.SysConfig.TotalizerRelay),
                                "", "pulse multiplier"});
    else
        s.rows.append(ReportRow{"Tot Relay 1", yesNo(c.SysConfig.TotalizerRelay)});
    return s;
}

ReportSection display(const ConfigRecord& c, int unitType) {
    const SystemConfig& sys = c.SysConfig;
    ReportSection s(QStringLiteral("Display"));
    const int contrastMax = unitType == 5 ? 15 : 100;
    if (unitType == 5) {
        const int mask = quint16(sys.DisplayMask);
        s.rows.append(
            ReportRow{"Rate Line 1", mask & 1 ? QStringLiteral("Vel") : QStringLiteral("Flow")});
        s.rows.append(ReportRow{"Totalizer", yesNo(mask & 2)});
        s.rows.append(ReportRow{"SS/SQ", yesNo(mask & 4)});
        s.rows.append(ReportRow{"Time and Date", yesNo(mask & 8)});
        s.rows.append(ReportRow{"Update time", item(UpdateTimes, (mask >> 8) & 0xFF), "Sec."});
    }
    s.rows.append(ReportRow{"Contrast", shown(double(sys.DisplayContrast), "   ##0"), "",
                            QStringLiteral("0-%1").arg(contrastMax)});
    return s;
}

ReportSection logging(const ConfigRecord& c) {
    ReportSection s(QStringLiteral("Logging"));
    s.rows.append(ReportRow{"Logging", onOff(c.SysConfig.LoggingOn)});
    s.rows.append(ReportRow{"Log Rate", item(LogRates, c.ChanConfig.LoggingRateIndex), MetersUnit});
    const int current = c.SysConfig.CurrentDatalogNumber;
    s.rows.append(ReportRow{"Current Log", DatalogDirectory::currentLogText(current)});
    return s;
}

ReportSection counters(const ConfigRecord& c, int unitType) {
    const LearnData& l = c.LrnConfig;
    ReportSection s(QStringLiteral("Service counters"));
    if (unitType != 3)
        s.rows.append(ReportRow{"Power monitor",
                                l.PowerLossCount
                                    ? QStringLiteral("Power Lost %1 times").arg(l.PowerLossCount)
                                    : QStringLiteral("Power Continuous")});
    s.rows.append(ReportRow{"Exceptions", shown(l.ExceptionCount, "#####0")});
    s.rows.append(ReportRow{"Last Code", QString::number(l.LastCode)});
    s.rows.append(ReportRow{"WatchDog Failures", shown(l.WatchdogFailures, "#####0")});
    s.rows.append(ReportRow{"Breaks", QString::number(l.Breaks)});
    return s;
}

} // namespace

QString ServiceReportBuilder::timeText(const QDateTime& time) {
    return LogText::dateTime(time);
}

ReportSection ServiceReportBuilder::identification(const ReportIdentification& m,
                                                   const QDateTime& made) {
    ReportSection s(MeterSection);
    s.rows.append(ReportRow{"Report made", timeText(made)});
    if (m.unitType == 0) {
        s.rows.append(ReportRow{"Meter", "not identified in this session"});
    } else {
        s.rows.append(ReportRow{"Model", m.model});
        s.rows.append(ReportRow{"Firmware version", m.version.isEmpty() ? "not read" : m.version});
        s.rows.append(ReportRow{"Serial number", m.serial.isEmpty() ? "not read" : m.serial});
    }
    s.rows.append(ReportRow{"Port", m.port});
    s.rows.append(ReportRow{"Port settings", m.settings, "", "baud, parity, data bits, stop bits"});
    return s;
}

QList<ReportSection> ServiceReportBuilder::configuration(const ConfigRecord& c, int unitType) {
    return {pipeAndUnits(c),      limits(c),
            learning(c),          output(c),
            relays(c, unitType),  totalizer(c, unitType),
            display(c, unitType), logging(c),
            counters(c, unitType)};
}

ReportSection ServiceReportBuilder::liveFigures(const std::optional<ReportLiveFigures>& live,
                                                const std::optional<TrendChart::Span>& trend) {
    ReportSection s(LiveSection);
    if (!live || live->lastGoodMs == 0) {
        s.emptyText = QStringLiteral("No flow reading in this session.");
    } else {
        s.rows.append(ReportRow{"Read at",
                                timeText(QDateTime::fromMSecsSinceEpoch(live->lastGoodMs)), "",
                                "the last good reading"});
        s.rows.append(live->rows);
        QStringList lines;
        if (!live->indicators.isEmpty())
            lines << QStringLiteral("Indicators: ") + live->indicators.join(QStringLiteral(", "));
        if (!live->statusLines.isEmpty())
            lines << QString() << QStringLiteral("Status:") << live->statusLines;
        s.text = lines.join(u'\n');
    }
    if (trend) {
        // Spans of a few readings are told in seconds.
        const qint64 seconds = (trend->to - trend->from) / 1000;
        const QString span = seconds < 120 ? QStringLiteral("%1 seconds").arg(seconds)
                                           : QStringLiteral("%1 minutes").arg(seconds / 60);
        s.pictures.append({QStringLiteral("Flow over the last %1, to %2")
                               .arg(span, timeText(QDateTime::fromMSecsSinceEpoch(trend->to))),
                           trend, std::nullopt});
    }
    return s;
}

ReportPage ServiceReportBuilder::signalPage(const SignalPageSnapshot& page) {
    ReportSection s(page.title);
    s.pictures = page.pictures;
    s.rows = page.rows;
    if (!page.supervisorOutput.isEmpty())
        s.text = QStringLiteral("Supervisor Output:\n") + page.supervisorOutput;
    return {QStringLiteral("Signal page: %1").arg(page.title), {s}};
}

ReportSection ServiceReportBuilder::datalogDirectory(const DatalogDirectory& d) {
    ReportSection s(DatalogSection);
    for (int n = 0; n < DatalogDirectory::FileCount; ++n) {
        const DatalogDirectory::File& f = d.files[n];
        const QString name = QStringLiteral("Log File %1").arg(n);
        if (!f.read)
            s.rows.append(ReportRow{name, "not read"});
        else if (f.empty)
            s.rows.append(ReportRow{name, "0", "points", "empty"});
        else
            s.rows.append(ReportRow{name, QString::number(f.points), "points",
                                    QStringLiteral("started %1 %2, every %3 s, in %4")
                                        .arg(f.date, f.time)
                                        .arg(f.interval)
                                        .arg(f.units)});
    }
    return s;
}

ReportSection ServiceReportBuilder::notes(const QString& text) {
    ReportSection s(NotesSection);
    s.text = text;
    if (text.trimmed().isEmpty())
        s.emptyText = QStringLiteral("None.");
    return s;
}

ServiceReport ServiceReportBuilder::build(const Input& in) {
    ServiceReport r;
    r.title = QStringLiteral("Service Report");
    r.subtitle =
        (in.meter.unitType ? in.meter.model : QStringLiteral("No meter")) +
        (in.meter.serial.isEmpty() ? QString() : QStringLiteral(", S/N ") + in.meter.serial) +
        QStringLiteral(", ") + timeText(in.made);

    ReportPage first{QStringLiteral("Visit summary"), {}};
    first.sections.append(identification(in.meter, in.made));
    first.sections.append(liveFigures(in.live, in.trend));
    first.sections.append(notes(in.notes));
    r.pages.append(first);

    ReportPage config{QStringLiteral("Configuration"), {}};
    if (in.config) {
        config.sections = configuration(*in.config, in.meter.unitType);
    } else {
        ReportSection none(QStringLiteral("Configuration"));
        none.emptyText = QStringLiteral("The configuration was not read in this session.");
        config.sections.append(none);
    }
    r.pages.append(config);

    for (const SignalPageSnapshot& page : in.signalPages)
        r.pages.append(signalPage(page));

    if (in.directory)
        r.pages.append({QStringLiteral("Datalogs"), {datalogDirectory(*in.directory)}});
    return r;
}
