// The service report: its document built from a configuration the meter
// sent (every setting named, with its unit, in the windows' formats), the
// pages a session gives, and one whole save against the simulated meter
// that must yield a readable PDF of the expected number of pages.
#include "MeterDatalogs.h"
#include "PdfStructure.h"
#include "ProgramRig.h"
#include "datalog/frmPoly.h"
#include "monitor/FlowPage.h"
#include "report/ServiceReportBuilder.h"
#include "report/ServiceReportPdf.h"

#include <QRegularExpression>
#include <QTabWidget>
#include <QtTest>

namespace {

// A configuration as the three records would leave it: a half-foot pipe in
// inches, US gallons per minute, relay 1 on above 100 and off below 20,
// relay 2 off above 50.5 and on below 5.
ConfigRecord sampleConfig() {
    ConfigRecord c;
    ChannelConfig& h = c.ChanConfig;
    h.PipeInsideDiameter = 0.5f;
    h.PipeSizeUnit = 0;
    h.FlowVolumeUnitIndex = 0;
    h.FlowTimeUnitIndex = 1;
    h.Damping = 10;
    h.LowFlowCutoffVelocity = 0.25f;
    h.SiteCalibrationFactor = 1.05f;
    h.SignalStrengthCutoff = 5;
    h.SignalQualityCutoff = 0.5f;
    h.RangeCode = 131;
    h.FlowAt4mA = 0;
    h.FlowAt20mA = 440.6f;
    h.CalibrationAt4mA = 600;
    h.CalibrationAt20mA = 4000;
    h.TotalizerEnabled = 1;
    h.TotalizerVolumeUnitIndex = 7;
    h.TotalizerMultiplierIndex = 2;
    h.LoggingRateIndex = 4;
    c.deriveFlowUnits();
    SystemConfig& s = c.SysConfig;
    s.RelayOnAbove = {1, 0, 0, 0};
    s.RelayOffBelow = {1, 0, 0, 0};
    s.RelayOnAboveThreshold = {100, 0, 0, 0};
    s.RelayOffBelowThreshold = {20, 0, 0, 0};
    s.RelayOffAbove = {0, 1, 0, 0};
    s.RelayOnBelow = {0, 1, 0, 0};
    s.RelayOffAboveThreshold = {0, 50.5f, 0, 0};
    s.RelayOnBelowThreshold = {0, 5, 0, 0};
    s.RelayActive = {1, 1, 0, 0};
    s.TotalizerRelay = 3;
    s.PowerMonitorRelay = 1;
    s.DisplayMask = 2 * 256 + 1 + 8;
    s.DisplayContrast = 12;
    s.TransmitPower = 1;
    s.LoggingOn = 1;
    s.CurrentDatalogNumber = 255;
    s.LearnScale = 2.5f;
    LearnData& l = c.LrnConfig;
    l.PipeRoughness = 3;
    l.RemoteZeroEnabled = 1;
    l.RangeModeManual = 1;
    l.LowFlowCutoffOverride = 1;
    l.ExtendedModeOn = 0;
    l.PowerLossCount = 3;
    l.ExceptionCount = 2;
    l.WatchdogFailures = 7;
    return c;
}

struct Expected {
    int unitType;
    const char* section;
    const char* name;
    const char* value; // nullptr: the row must be absent
    const char* unit = "";
    const char* note = "";
};

} // namespace

Q_DECLARE_METATYPE(Expected)

class tst_servicereport : public QObject {
    Q_OBJECT
private slots:
    void configurationAsTheWindowsShowIt_data() {
        QTest::addColumn<Expected>("e");
        const Expected rows[] = {
            {5, "Pipe and flow units", "Pipe Inside Diameter", "6.000", "in"},
            {5, "Pipe and flow units", "Pipe Wall Material", "Stainless Steel"},
            {5, "Pipe and flow units", "Flow Rate Units", "US Gal"},
            {5, "Pipe and flow units", "Timebase", "Min."},
            {5, "Pipe and flow units", "Flow Conv factor", "88.1275", "G/Min per ft/s"},
            {5, "Limits and cut-offs", "Damping", "10", "(meter's own)"},
            {5, "Limits and cut-offs", "Low Flow Cutoff", "22.03", "G/Min"},
            {5, "Limits and cut-offs", "Low Vel. Cutoff", "0.25", "ft/s"},
            {5, "Limits and cut-offs", "Site Cal.", "1.05", "", "factor"},
            {5, "Limits and cut-offs", "Remote Zero", "On"},
            {5, "Limits and cut-offs", "Signal Quality Cutoff", "0.5", "%"},
            {5, "Learning and range", "Range Mode", "Man"},
            {5, "Learning and range", "Range", "8", "ft/s"},
            {5, "Learning and range", "Overrides", "LFO"},
            {5, "Learning and range", "Tx Power", "Hi"},
            {5, "4-20 mA output", "Flow Rate at 4 mA", "0.00", "G/Min"},
            {5, "4-20 mA output", "Flow Rate at 20 mA", "440.60", "G/Min"},
            {5, "4-20 mA output", "20 mA calibration", "4000", "DAC counts"},
            // The KR5 has relay 1 only, here giving totalizer pulses.
            {5, "Relays", "Relay 1", "used as TOTALIZER RELAY"},
            {5, "Relays", "Relay 2 active", nullptr},
            {5, "Relays", "Pwr Monitor Rly", nullptr},
            {4, "Relays", "Relay 1 Flow > switches", "On"},
            {4, "Relays", "Relay 1 Flow >", "100.0", "G/Min"},
            {4, "Relays", "Relay 1 Flow <", "20.0", "G/Min"},
            {4, "Relays", "Relay 2 Flow > switches", "Off"},
            {4, "Relays", "Relay 2 Flow >", "50.5", "G/Min"},
            {4, "Relays", "Relay 2 Flow <", "5.0", "G/Min"},
            {4, "Relays", "Relay 3 Flow > switches", "not set"},
            {4, "Relays", "Pwr Monitor Rly", "No"},
            {3, "Relays", "Relay 1 active", nullptr},
            {5, "Totalizer", "Totalizer Units", "index 7 (not offered for this model)"},
            {4, "Totalizer", "Totalizer Units", "LB"},
            {5, "Totalizer", "Totalizer Multiplier", "x100"},
            {4, "Totalizer", "Tot. Relay 1.", "x5", "", "pulse multiplier"},
            {5, "Display", "Rate Line 1", "Vel"},
            {5, "Display", "Display Totalizer", "No"},
            {5, "Display", "Time and Date", "Yes"},
            {5, "Display", "Update time", "16", "Sec."},
            {5, "Display", "Contrast", "12", "", "0-15"},
            {4, "Display", "Contrast", "12", "", "0-100"},
            {4, "Display", "Rate Line 1", nullptr},
            {5, "Logging", "Logging", "On"},
            {5, "Logging", "Log Rate", "60", "(meter's own)"},
            {5, "Logging", "Current Log", "Off - None"},
            {5, "Service counters", "Power monitor", "Power Lost 3 times"},
            {3, "Service counters", "Power monitor", nullptr},
            {5, "Service counters", "WatchDog Failures", "7"},
        };
        for (const Expected& e : rows)
            QTest::addRow("KR%d %s", e.unitType, e.name) << e;
    }
    void configurationAsTheWindowsShowIt() {
        QFETCH(Expected, e);
        const QList<ReportSection> sections =
            ServiceReportBuilder::configuration(sampleConfig(), e.unitType);
        const auto section =
            std::find_if(sections.begin(), sections.end(),
                         [&](const ReportSection& s) { return s.title == e.section; });
        QVERIFY(section != sections.end());
        const ReportRow* row = section->row(e.name);
        if (!e.value) {
            QVERIFY(!row);
            return;
        }
        QVERIFY(row);
        QCOMPARE(row->value, e.value);
        QCOMPARE(row->unit, e.unit);
        QCOMPARE(row->note, e.note);
    }

    void pagesOfASession_data() {
        QTest::addColumn<bool>("configRead");
        QTest::addColumn<int>("signalPages");
        QTest::addColumn<bool>("directoryRead");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("no meter") << false << 0 << false
                                  << QStringList{"Visit summary", "Configuration"};
        QTest::newRow("full session")
            << true << 2 << true
            << QStringList{"Visit summary", "Configuration", "Signal page: Page 0",
                           "Signal page: Page 1", "Datalogs"};
    }
    void pagesOfASession() {
        QFETCH(bool, configRead);
        QFETCH(int, signalPages);
        QFETCH(bool, directoryRead);
        QFETCH(QStringList, titles);
        const ConfigRecord config = sampleConfig();
        DatalogDirectory directory;
        directory.files[1] = {true, false, "5/12/2006", "11:59:00 AM", "GPM", 0.1f, 60, 4000};
        ServiceReportBuilder::Input in;
        in.made = QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9));
        in.meter = {5, "Velmar KR5", "V1.95", "12345", "Com1 (/dev/ttyUSB0)", "19200,n,8,1"};
        in.config = configRead ? &config : nullptr;
        for (int k = 0; k < signalPages; ++k)
            in.signalPages.append(SignalPageSnapshot{QString("Page %1").arg(k), {}, {}, {}});
        in.directory = directoryRead ? &directory : nullptr;
        in.notes = "Cleaned the transducers.\nFlow steady afterwards.";
        const ServiceReport report = ServiceReportBuilder::build(in);

        QStringList got;
        for (const ReportPage& p : report.pages)
            got << p.title;
        QCOMPARE(got, titles);
        QCOMPARE(report.subtitle, "Velmar KR5, S/N 12345, 12/6/2026 2:05:09 PM");
        QCOMPARE(report.section("Technician notes")->text, in.notes);
        QCOMPARE(report.section("Meter")->row("Serial number")->value, "12345");
        QCOMPARE(report.section("Configuration") != nullptr, !configRead);
        if (directoryRead) {
            const ReportSection* logs = report.section("Datalog directory");
            QCOMPARE(logs->row("Log File 1")->value, "4000");
            QCOMPARE(logs->row("Log File 1")->note,
                     "started 5/12/2006 11:59:00 AM, every 60 s, in GPM");
            QCOMPARE(logs->row("Log File 2")->value, "not read");
        }
        // Each page of the document makes one sheet.
        QCOMPARE(pdfPages(ServiceReportPdf::render(report)), titles.size());
    }

    // A session against the simulated meter: live flow, a signal page, the
    // datalog directory, then File > Save Service Report... through the
    // scripted prompts.
    void wholeSaveWritesAReadablePdf() {
        ProgramRig rig;
        MeterDatalogs logs;
        logs.install(rig.model);
        QTemporaryDir out;
        rig.w.Form_Load();
        for (int i = 0; i < 6; ++i)
            rig.tick();
        auto* tabs = rig.w.findChild<QTabWidget*>("SSTab1");
        tabs->setCurrentIndex(1);
        rig.tick();
        tabs->setCurrentIndex(0);
        rig.tick();
        rig.w.datalogWindow().RetreveUnitLog();
        rig.w.datalogWindow().mnuQuit_Click();
        rig.tick();

        const QString name = out.filePath("visit");
        rig.prompts.typedTexts << "Transducers cleaned; flow steady.";
        rig.prompts.fileNames << name;
        rig.sent();
        rig.w.mnuSaveReport_Click();
        QCOMPARE(rig.prompts.textBoxes, QStringList{"Technician notes"});
        QCOMPARE(rig.prompts.texts().last(), "Report saved to " + name + ".pdf");
        // Saving sends nothing: the serial number came with the version.
        QCOMPARE(rig.sent(), QByteArray());
        QFile pdf(name + ".pdf");
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        // Summary, configuration, the Time Domain page and the datalogs.
        QCOMPARE(pdfPages(pdf.readAll()), 4);

        // Saving again over it asks first; "No" asks for another name,
        // and cancelling that leaves the file as it was.
        const QDateTime written = QFileInfo(name + ".pdf").lastModified();
        rig.prompts.typedTexts << "";
        rig.prompts.fileNames << name;
        rig.prompts.answers << Prompts::Answer::No;
        rig.prompts.clearRecord();
        rig.w.mnuSaveReport_Click();
        QCOMPARE(rig.prompts.texts(), QStringList{"Replace existing file - " + name + ".pdf?"});
        QCOMPARE(QFileInfo(name + ".pdf").lastModified(), written);
    }

    // The trend's caption tells its span as a reader says it.
    void trendCaptionSaysItsSpan_data() {
        QTest::addColumn<qint64>("spanMs");
        QTest::addColumn<QString>("caption");
        QTest::newRow("a single reading") << qint64(0) << "Flow over the last second, to ";
        QTest::newRow("one reading apart") << qint64(1500) << "Flow over the last second, to ";
        QTest::newRow("seconds") << qint64(45'000) << "Flow over the last 45 seconds, to ";
        QTest::newRow("just under two minutes")
            << qint64(119'999) << "Flow over the last 119 seconds, to ";
        QTest::newRow("minutes") << qint64(600'000) << "Flow over the last 10 minutes, to ";
    }
    void trendCaptionSaysItsSpan() {
        QFETCH(qint64, spanMs);
        QFETCH(QString, caption);
        TrendChart::Span span;
        span.to = QDateTime(QDate(2026, 12, 8), QTime(4, 9, 41)).toMSecsSinceEpoch();
        span.from = span.to - spanMs;
        const ReportSection s = ServiceReportBuilder::liveFigures(std::nullopt, span);
        QCOMPARE(s.pictures.size(), 1);
        QCOMPARE(s.pictures.first().caption, caption + "12/8/2026 4:09:41 AM");
    }

    // Figures saved while the meter does not answer are marked as such.
    void silentMeterMarkedInTheReport() {
        ProgramRig rig;
        rig.w.Form_Load();
        for (int i = 0; i < 4; ++i)
            rig.tick();
        const auto silenceLine = [&] {
            const QStringList lines = rig.w.reportCommand().gather({}).live->statusLines;
            return lines.isEmpty() ? QString() : lines.first();
        };
        QVERIFY(!silenceLine().startsWith("No reply"));
        rig.model.faults().silent = true;
        for (int i = 0; i < 4; ++i)
            rig.tick();
        QVERIFY2(silenceLine().startsWith("No reply from the meter since "),
                 qPrintable(silenceLine()));
    }
};

QTEST_MAIN(tst_servicereport)
#include "tst_servicereport.moc"
