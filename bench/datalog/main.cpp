// Prints how long datalog work takes: a download from corvane-sim over a
// pseudo-terminal against its floor, a 100,000-point download on the virtual
// clock, and saving and loading a 100,000-point file with the memory it needs.
// Usage: datalog_bench [POINTS]   (points of the pseudo-terminal download, default 1000)
#include "BenchSupport.h"
#include "datalog/LogDownload.h"
#include "datalog/VdlFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

// The line speed of the download over the pseudo-terminal.
constexpr int Baud = 19200;
// The meter's pause before each section and the points a section holds.
constexpr double SectionPauseMs = 700;
constexpr int SectionPoints = 32;
// Largest log the program holds.
constexpr int LargePoints = 100000;

// The floor: each section (and the closing request) waits 700 ms, then the
// request, its reply line, the block, two flushes and the checksum exchange
// cross the wire at 10 bits a byte.
double floorMs(int points) {
    const int sections = (points + SectionPoints - 1) / SectionPoints;
    const double bytesPerSection = 12 + 12 + 2 * SectionPoints + 6 + 6 + 8;
    return (sections + 1) * SectionPauseMs + sections * bytesPerSection * 10 * 1000 / Baud;
}

int overPseudoTerminal(int points) {
    SimOnPty meter;
    if (!meter.start(Baud, {"--datalog-points", QString::number(points)}))
        return 1;
    DatalogRecord log;
    QElapsedTimer t;
    t.start();
    const auto outcome = LogDownload(meter.link, {}).run(log, "Velmar KR5", "V1.95", "3");
    const double ms = double(t.elapsed());
    if (!outcome.ok) {
        std::fprintf(stderr, "datalog_bench: %s\n", qPrintable(outcome.message()));
        return 1;
    }
    std::printf("download of %d points from corvane-sim at %d baud: %.1f s, floor %.1f s "
                "(%+.1f %%)\n",
                log.LogPointCount, Baud, ms / 1000, floorMs(points) / 1000,
                100.0 * (ms - floorMs(points)) / floorMs(points));
    return 0;
}

DatalogRecord onVirtualClock() {
    VirtualMeter meter;
    auto& large = meter.logs.logs[3];
    large = meter.logs.logs[1];
    large.points.resize(LargePoints);
    for (int i = 4000; i < LargePoints; ++i)
        large.points[size_t(i)] = qint16((i * 7919) % 30000 - (i % 13 == 0 ? 30000 : 0));
    DatalogRecord log;
    QElapsedTimer t;
    t.start();
    const auto outcome = LogDownload(meter.link, {}).run(log, "Velmar KR5", "V1.95", "3");
    std::printf("download of %d points on the virtual clock: %.2f s real, %.0f s virtual, %s\n",
                LargePoints, double(t.elapsed()) / 1000, double(meter.waiter.now()) / 1000,
                outcome.ok && log.LogPoints == large.points ? "exact copy" : "FAILED");
    return log;
}

void saveAndLoad(const DatalogRecord& log) {
    QTemporaryDir dir;
    const QString path = dir.filePath("large.vdl");
    QString error;
    QElapsedTimer t;
    t.start();
    const bool saved = VdlFile::save(log, path, &error);
    const double saveMs = double(t.elapsed());
    t.restart();
    const auto loaded = VdlFile::load(path, &error);
    const double loadMs = double(t.elapsed());
    std::printf("save of %d points: %.3f s (%lld bytes); load: %.3f s; resident memory with the "
                "log loaded: %.1f MB %s\n",
                log.LogPointCount, saveMs / 1000, QFileInfo(path).size(), loadMs / 1000,
                double(statusKib("VmRSS:")) / 1024,
                saved && loaded && loaded->LogPointCount == log.LogPointCount ? "" : "FAILED");
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int points = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    saveAndLoad(onVirtualClock());
    return overPseudoTerminal(points > 0 ? points : 1000);
}
