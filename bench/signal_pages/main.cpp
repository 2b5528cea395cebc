// Runs one signal page against corvane-sim over a pseudo-terminal at 19200
// baud, refreshed every polling period as the main window does, and prints
// the process's CPU use, its resident memory, how many ticks found the page
// still busy with the previous one, and the longest tick.
//
// Usage: QT_QPA_PLATFORM=offscreen build/bench/signal_pages/signal_pages [PAGE [SECONDS]]
// PAGE 1 "Time Domain" (default), 2 "Freq. Domain", 3 "Crossproduct",
// 4 "Raw Flow Data"; SECONDS defaults to 60. With CORVANE_SHOT_DIR set, the
// page is saved there as a PNG picture at the end.

#include "diagnostics/CrossproductPage.h"
#include "diagnostics/FreqDomainPage.h"
#include "diagnostics/RawFlowDataPage.h"
#include "diagnostics/SignalDiagnostics.h"
#include "diagnostics/TimeDomainPage.h"
#include "link/EventLoopWaiter.h"
#include "link/MeterLink.h"
#include "link/QtSerialPort.h"
#include "shared/ConfigRecord.h"
#include "shared/ServiceSwitches.h"
#include "shared/SignalArrays.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int Baud = 19200;
// The main window's polling period.
constexpr int PollingPeriodMs = 1500;
// Start-up ticks left out of the figures (the port settling).
constexpr int SettleMs = 3000;
// How long corvane-sim may take to start.
constexpr int StartTimeoutMs = 10000;

class SilentPrompts : public Prompts {
public:
    Answer ask(const QString&, const QString&, Buttons, Icon, Answer d) override { return d; }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

long statusKib(const char* key) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int pageNumber = argc > 1 ? std::clamp(QByteArray(argv[1]).toInt(), 1, 4) : 1;
    const int seconds = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 60;

    QTemporaryDir dir;
    const QString link = dir.filePath("meter");
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(CORVANE_SIM_PATH, {"--link", link});
    if (!sim.waitForStarted(StartTimeoutMs) || !sim.waitForReadyRead(StartTimeoutMs)) {
        std::fprintf(stderr, "signal_pages: corvane-sim did not start\n");
        return 1;
    }
    sim.readAll();

    QtSerialPort port([&](int) { return link; });
    EventLoopWaiter waiter;
    SilentPrompts prompts;
    MeterLink meter(port, waiter, prompts);
    port.setSettings(QString::number(Baud) + ",n,8,1");
    if (!port.open()) {
        std::fprintf(stderr, "signal_pages: %s\n", qPrintable(port.errorString()));
        return 1;
    }

    SignalArrays arrays;
    ConfigRecord config;
    ServiceSwitches switches;
    SignalDiagnostics diag(meter, arrays, config);
    std::unique_ptr<DiagnosticPage> page;
    switch (pageNumber) {
    case 1:
        page = std::make_unique<TimeDomainPage>(diag, switches);
        break;
    case 2:
        page = std::make_unique<FreqDomainPage>(diag, switches);
        break;
    case 3:
        page = std::make_unique<CrossproductPage>(diag, switches);
        break;
    default:
        page = std::make_unique<RawFlowDataPage>(diag, switches);
        break;
    }
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
    // A picture of the page as the run left it, for the documentation.
    if (const QString shots = qEnvironmentVariable("CORVANE_SHOT_DIR"); !shots.isEmpty())
        page->grab().save(QString("%1/%2-page.png")
                              .arg(shots, QStringList{"time-domain", "freq-domain", "crossproduct",
                                                      "raw-flow-data"}[pageNumber - 1]));
    port.close();
    sim.terminate();
    sim.waitForFinished(StartTimeoutMs);
    return 0;
}
