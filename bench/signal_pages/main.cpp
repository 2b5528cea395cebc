// Runs one signal page against corvane-sim over a pseudo-terminal at 19200
// baud, refreshed every polling period as the main window does, and prints
// the process's CPU use, its resident memory, how many ticks found the page
// still busy with the previous one, and the longest tick.
//
// Usage: QT_QPA_PLATFORM=offscreen build/bench/signal_pages/signal_pages [PAGE [SECONDS]]
// PAGE 1 "Time Domain" (default), 2 "Freq. Domain", 3 "Crossproduct",
// 4 "Raw Flow Data"; SECONDS defaults to 60. With CORVANE_SHOT_DIR set, the
// page is saved there as a PNG picture at the end.
#include "BenchSupport.h"
#include "diagnostics/CrossproductPage.h"
#include "diagnostics/FreqDomainPage.h"
#include "diagnostics/RawFlowDataPage.h"
#include "diagnostics/SignalDiagnostics.h"
#include "diagnostics/TimeDomainPage.h"
#include "shared/ConfigRecord.h"
#include "shared/ServiceSwitches.h"
#include "shared/SignalArrays.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

namespace {

constexpr int Baud = 19200;
// The main window's polling period.
constexpr int PollingPeriodMs = 1500;
// Start-up ticks left out of the figures (the port settling).
constexpr int SettleMs = 3000;

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int pageNumber = argc > 1 ? std::clamp(QByteArray(argv[1]).toInt(), 1, 4) : 1;
    const int seconds = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 60;
    SimOnPty meter;
    if (!meter.start(Baud))
        return 1;

    SignalArrays arrays;
    ConfigRecord config;
    ServiceSwitches switches;
    SignalDiagnostics diag(meter.link, arrays, config);
    std::unique_ptr<DiagnosticPage> page;
    if (pageNumber == 1)
        page = std::make_unique<TimeDomainPage>(diag, switches);
    else if (pageNumber == 2)
        page = std::make_unique<FreqDomainPage>(diag, switches);
    else if (pageNumber == 3)
        page = std::make_unique<CrossproductPage>(diag, switches);
    else
        page = std::make_unique<RawFlowDataPage>(diag, switches);
    page->resize(900, 620);
    page->show();

    int ticks = 0, missed = 0, shown = 0;
    double longestMs = 0, cpuStart = 0;
    bool busy = false;
    QElapsedTimer wall;
    QObject::connect(&diag, &SignalDiagnostics::changed, [&] { ++shown; });
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (busy) {
            ++missed; // the previous tick still waits for the meter
            return;
        }
        busy = true;
        QElapsedTimer t;
        t.start();
        page->Refresh();
        longestMs = std::max(longestMs, double(t.elapsed()));
        ++ticks;
        busy = false;
    });
    QTimer::singleShot(SettleMs, [&] {
        ticks = missed = shown = 0;
        longestMs = 0;
        cpuStart = cpuMs();
        wall.start();
    });
    QTimer::singleShot(SettleMs + seconds * 1000, &app, &QApplication::quit);
    timer.start(PollingPeriodMs);
    app.exec();

    const double cpu = cpuMs() - cpuStart;
    const double wallMs = double(wall.elapsed());
    std::printf("signal page %d against corvane-sim at %d baud, %.1f s\n", pageNumber, Baud,
                wallMs / 1000.0);
    std::printf("  CPU: %.0f ms = %.2f %% of one core\n", cpu, 100.0 * cpu / wallMs);
    std::printf("  resident memory: %ld KiB now, %ld KiB peak\n", statusKib("VmRSS:"),
                statusKib("VmHWM:"));
    std::printf("  ticks: %d run, %d shown, %d missed; longest tick %.0f ms\n", ticks, shown,
                missed, longestMs);
    if (const QString shots = qEnvironmentVariable("CORVANE_SHOT_DIR"); !shots.isEmpty())
        page->grab().save(QString("%1/%2-page.png")
                              .arg(shots, QStringList{"time-domain", "freq-domain", "crossproduct",
                                                      "raw-flow-data"}[pageNumber - 1]));
    return 0;
}
