// The meter link against corvane-sim over a pseudo-terminal at 19200 baud, for
// the 38-byte flow data and the 561-byte signal block: the delay from a reply's
// last byte to SendCommand returning (wall time minus the 2 ms turnaround and
// the wire time, so an upper bound that includes the simulator's pacing slop),
// and the CPU time per exchange, also as a share of one core.
#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <vector>

namespace {

// The simulated meter's time from a command's end to its first reply byte.
constexpr double TurnaroundMs = 2.0;
constexpr int Baud = 19200;
// Exchanges per figure: enough for a stable median, short enough to run often.
constexpr int FlowRuns = 60;
constexpr int BlockRuns = 20;

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
    SimOnPty meter;
    if (!meter.start(Baud))
        return 1;
    std::printf("MeterLink::SendCommand against corvane-sim, %d baud\n", Baud);
    measure(meter.link, "FD (38 bytes)", "FD,0,1\n", 3, 38, 38, FlowRuns);
    measure(meter.link, "XD (561 bytes)", "XD,5\n", 2, 561, 540, BlockRuns);
    return 0;
}
