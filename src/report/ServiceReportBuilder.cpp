#include "ServiceReportBuilder.h"

#include "datalog/LogText.h"
#include "link/DisplayFormat.h"
#include "setup/SettingsCatalogue.h"

namespace {

// The remark beside a setting whose meaning the model changes.
QString noteFor(const Setting& s, const MeterSettings& m) {
    if (s.name == QLatin1String("Contrast"))
        return QStringLiteral("0-%1").arg(SettingsCatalogue::contrastMax(m.unitType));
    return s.note;
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
    MeterSettings m;
    m.unitType = unitType;
    m.config = c;
    // Relay 1 of a KR5 or KR3 may give totalizer pulses instead.
    const bool relay1Totalizer = unitType != 4 && c.SysConfig.TotalizerRelay != 0;
    QList<ReportSection> out;
    for (const QString& title : SettingsCatalogue::sections()) {
        ReportSection section(title);
        for (const Setting* s : SettingsCatalogue::forModel(unitType)) {
            if (s->section != title || !s->readIn(m))
                continue;
            if (relay1Totalizer && s->writer == Setting::Writer::Relays &&
                s->name.startsWith(QLatin1String("Relay 1 "))) {
                if (!section.row(QStringLiteral("Relay 1")))
                    section.rows.append(ReportRow{"Relay 1", "used as TOTALIZER RELAY"});
                continue;
            }
            section.rows.append(ReportRow{s->name, s->text(m), s->unitText(m), noteFor(*s, m)});
        }
        if (section.rows.isEmpty())
            section.emptyText = QStringLiteral("This model has none of these settings.");
        // The meter's identity is the report's own first section.
        if (title != MeterSection)
            out.append(section);
    }
    return out;
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
        const QString span = seconds <= 1    ? QStringLiteral("second")
                             : seconds < 120 ? QStringLiteral("%1 seconds").arg(seconds)
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
