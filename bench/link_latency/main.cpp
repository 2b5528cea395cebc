// The meter link against corvane-sim over a pseudo-terminal at 19200 baud, for
// the 38-byte flow data and the 561-byte signal block: the delay from a reply's
// last byte to SendCommand returning (wall time minus the 2 ms turnaround and
// the wire time, so an upper bound that includes the simulator's pacing slop),
// and the CPU time per exchange, also as a share of one core.

#include "link/EventLoopWaiter.h"
#include "link/MeterLink.h"
#include "link/QtSerialPort.h"
#include "ui/Prompts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

// The simulated meter's time from a command's end to its first reply byte.
constexpr double TurnaroundMs = 2.0;
constexpr int Baud = 19200;
// Exchanges per figure: enough for a stable median, short enough to run often.
constexpr int FlowRuns = 60;
constexpr int BlockRuns = 20;
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

void measure(MeterLink& link, const char* name, const QByteArray& command, int mode, int length,
             int expected, int runs) {
    const double wireMs = TurnaroundMs + length * 10.0 * 1000.0 / Baud;
    std::vector<double> delays;
    double cpu = 0.0, wall = 0.0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const double c0 = cpuMs();
        t.start();
        const QByteArray reply = link.SendCommand(command, mode, length);
        const double elapsed = t.nsecsElapsed() / 1e6;
        cpu += cpuMs() - c0;
        wall += elapsed;
        if (reply.size() == expected)
            delays.push_back(elapsed - wireMs);
        QCoreApplication::processEvents();
    }
    std::sort(delays.begin(), delays.end());
    if (delays.empty()) {
        std::printf("%-22s all %d exchanges failed\n", name, runs);
        return;
    }
    std::printf("%-22s wire %6.2f ms | delay after last byte: min %5.2f  median %5.2f  max %5.2f "
                "ms | CPU %5.2f ms/exchange = %4.1f%% of one core | failed %d/%d\n",
                name, wireMs, delays.front(), delays[delays.size() / 2], delays.back(), cpu / runs,
                100.0 * cpu / wall, runs - int(delays.size()), runs);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString link = dir.filePath("meter");
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(CORVANE_SIM_PATH, {"--link", link});
    if (!sim.waitForStarted(StartTimeoutMs) || !sim.waitForReadyRead(StartTimeoutMs)) {
        std::fprintf(stderr, "link_latency: corvane-sim did not start\n");
        return 1;
    }
    sim.readAll();

    QtSerialPort port([&](int) { return link; });
    EventLoopWaiter waiter;
    SilentPrompts prompts;
    MeterLink meter(port, waiter, prompts);
    port.setSettings(QString::number(Baud) + ",n,8,1");
    if (!port.open()) {
        std::fprintf(stderr, "link_latency: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    std::printf("MeterLink::SendCommand against corvane-sim, %d baud\n", Baud);
    measure(meter, "FD (38 bytes)", "FD,0,1\n", 3, 38, 38, FlowRuns);
    measure(meter, "XD (561 bytes)", "XD,5\n", 2, 561, 540, BlockRuns);
    port.close();
    sim.terminate();
    sim.waitForFinished(StartTimeoutMs);
    return 0;
}
