// Draws the largest log the program holds (100,000 points) whole and zoomed
// and prints how long a full redraw takes, how long a step of the listing
// takes, and the resident memory with the log and the graph loaded.
//
//   build/bench/datalog_graph/datalog_graph [--screenshots DIR]
//
// With --screenshots, also saves pictures of the graph (logs downloaded from
// the simulated meter in process): a log with reverse points, a long log
// zoomed, and a drag rectangle over a long log. Run it offscreen
// (QT_QPA_PLATFORM=offscreen) or under xvfb-run.

#include "BenchSupport.h"
#include "datalog/LogDownload.h"
#include "datalog/LogGraphPanel.h"
#include "datalog/LogPlot.h"
#include "datalog/LogText.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Redraws timed per figure; the median is printed.
constexpr int kRounds = 15;
// Size of the graph window measured, logical pixels (a maximised window's graph).
constexpr int kWidth = 1600, kHeight = 900;

// A long log: a daily wave with noise and a few stretches of reverse flow.
DatalogRecord largeLog() {
    DatalogRecord log;
    log.LogPointCount = DatalogRecord::MaxPoints;
    log.LogPoints.resize(size_t(log.LogPointCount));
    qint16 high = 0, low = 32767;
    for (qint32 i = 0; i < log.LogPointCount; ++i) {
        double v =
            12000 + 8000 * std::sin(i * 2 * std::numbers::pi / 1440) + 1500 * std::sin(i * 0.37);
        if (i % 9000 > 8950)
            v = -v / 4;
        const qint16 raw = qint16(std::lround(v));
        log.LogPoints[size_t(i)] = raw;
        high = std::max<qint16>(high, qint16(std::abs(raw)));
        low = std::min<qint16>(low, qint16(std::abs(raw)));
    }
    log.LogScale = 0.025f;
    log.LogInterval = 60;
    log.LogUnits = "GPM";
    log.LogStart = QDateTime(QDate(2026, 1, 5), QTime(6, 0), Qt::UTC);
    log.LogMaxRaw = high;
    log.PageFactor = DatalogRecord::pageFactorFor(log.LogPointCount);
    LogText::buildLines(log, low, high);
    return log;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median milliseconds of a full redraw of what the panel shows.
double redrawMs(LogGraphPanel& panel) {
    std::vector<double> times;
    LogPlot* plot = panel.plot();
    for (int r = 0; r < kRounds; ++r) {
        QElapsedTimer t;
        t.start();
        plot->setView(*plot->view(), 0.025f);
        plot->rendering();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

DatalogRecord downloaded(const QString& id) {
    VirtualMeter meter;
    DatalogRecord log;
    LogDownload(meter.link, {}).run(log, "Velmar KR5", "V1.95", id);
    return log;
}

void screenshots(const QString& dir, const DatalogRecord& large) {
    QDir().mkpath(dir);
    SilentPrompts prompts;
    const auto save = [&](LogGraphPanel& panel, const QString& name) {
        QApplication::processEvents();
        const QString path = QDir(dir).filePath(name);
        if (panel.grab().save(path))
            std::printf("saved %s\n", qPrintable(path));
    };
    for (const auto& [log, name] : {std::pair{large, "datalog-graph-100k.png"},
                                    {downloaded("2"), "datalog-graph-reverse.png"}}) {
        LogGraphPanel panel(log, prompts);
        panel.resize(900, 560);
        panel.show();
        panel.showNewLog();
        save(panel, name);
    }
    {
        const DatalogRecord log = downloaded("1");
        LogGraphPanel panel(log, prompts);
        panel.resize(900, 560);
        panel.show();
        panel.showNewLog();
        save(panel, "datalog-graph-whole.png");
        // A drag from point 1200 at 40,000 GPH down to point 2400 at 20,000 GPH.
        panel.Picture6_MouseDown({1200, 40000 / log.LogScale});
        panel.Picture6_MouseMove({2400, 20000 / log.LogScale});
        save(panel, "datalog-graph-drag.png");
        panel.Picture6_MouseUp({2400, 20000 / log.LogScale});
        save(panel, "datalog-graph-dragged.png");
        panel.setZoom(LogGraphPanel::Window);
        panel.findChild<QScrollBar*>("HScroll1")->setValue(700);
        panel.findChild<QScrollBar*>("VScroll1")->setValue(700);
        save(panel, "datalog-graph-zoomed.png");
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption shots("screenshots", "Also save pictures of the graph in DIR.", "DIR");
    parser.addOption(shots);
    parser.process(app);

    const long before = statusKib("VmRSS:");
    QElapsedTimer t;
    t.start();
    const DatalogRecord log = largeLog();
    const double buildMs = double(t.nsecsElapsed()) / 1e6;
    const long withLog = statusKib("VmRSS:");

    SilentPrompts prompts;
    LogGraphPanel panel(log, prompts);
    panel.resize(kWidth, kHeight);
    panel.show();
    t.restart();
    panel.showNewLog();
    panel.plot()->rendering();
    const double firstShowMs = double(t.nsecsElapsed()) / 1e6;
    const double wholeMs = redrawMs(panel);
    const long withGraph = statusKib("VmRSS:");

    panel.setZoom(LogGraphPanel::Window);
    panel.findChild<QScrollBar*>("HScroll1")->setValue(12000);
    const double zoomMs = redrawMs(panel);

    QScrollBar* v = panel.findChild<QScrollBar*>("VScroll1");
    t.restart();
    constexpr int steps = 1000;
    for (int i = 1; i <= steps; ++i)
        v->setValue(i * 25);
    const double stepUs = double(t.nsecsElapsed()) / 1e3 / steps;

    const qreal dpr = panel.plot()->devicePixelRatioF();
    QTextStream out(stdout);
    out << "log of " << log.LogPointCount << " points, graph " << panel.plot()->width() << "x"
        << panel.plot()->height() << " px at scale " << dpr << "\n";
    out << "building the log's text lines:      " << QString::number(buildMs, 'f', 1) << " ms\n";
    out << "first show (listing and drawing):    " << QString::number(firstShowMs, 'f', 1)
        << " ms\n";
    out << "full redraw, whole log (median):     " << QString::number(wholeMs, 'f', 2)
        << " ms   (goal: under 50 ms)\n";
    out << "full redraw, 60-point zoom (median): " << QString::number(zoomMs, 'f', 2) << " ms\n";
    out << "one step of the listing:             " << QString::number(stepUs, 'f', 1) << " us\n";
    out << "resident memory: start " << before / 1024 << " MB, with the log " << withLog / 1024
        << " MB, with the graph shown " << withGraph / 1024 << " MB   (goal: under 80 MB)\n";
    out.flush();

    if (parser.isSet(shots))
        screenshots(parser.value(shots), log);
    return 0;
}
