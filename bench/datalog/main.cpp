// Prints how long datalog work takes: a download from corvane-sim over a
// pseudo-terminal against its floor, a 100,000-point download on the virtual
// clock, and saving and loading a 100,000-point file with the memory it needs.
// Usage: datalog_bench [POINTS]   (points of the pseudo-terminal download, default 1000)
#include "MeterDatalogs.h"
#include "MeterModel.h"
#include "SimSerialPort.h"
#include "datalog/LogDownload.h"
#include "datalog/LogText.h"
#include "datalog/VdlFile.h"
#include "link/EventLoopWaiter.h"
#include "link/MeterLink.h"
#include "link/QtSerialPort.h"
#include "VirtualWaiter.h"
#include "ui/Prompts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// How long corvane-sim may take to start.
constexpr int StartTimeoutMs = 5000;
// The line speed of the download over the pseudo-terminal.
constexpr int Baud = 19200;
// The meter's pause before each section and the points a section holds.
constexpr double SectionPauseMs = 700;
constexpr int SectionPoints = 32;
// Largest log the program holds.
constexpr int LargePoints = 100000;

class SilentPrompts : public Prompts {
public:
    Answer ask(const QString&, const QString&, Buttons, Icon, Answer d) override { return d; }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

long residentKb() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The floor: each section (and the closing request) waits 700 ms, then the
// request, its reply line, the block, two flushes and the checksum exchange
// cross the wire at 10 bits a byte.
double floorMs(int points) {
    const int sections = (points + SectionPoints - 1) / SectionPoints;
    const double bytesPerSection = 12 + 12 + 2 * SectionPoints + 6 + 6 + 8;
    return (sections + 1) * SectionPauseMs + sections * bytesPerSection * 10 * 1000 / Baud;
}

int overPseudoTerminal(int points) {
    QTemporaryDir dir;
    const QString link = dir.filePath("meter");
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(CORVANE_SIM_PATH, {"--link", link, "--datalog-points", QString::number(points)});
    if (!sim.waitForStarted(StartTimeoutMs) || !sim.waitForReadyRead(StartTimeoutMs)) {
        std::fprintf(stderr, "datalog_bench: corvane-sim did not start\n");
        return 1;
    }
    sim.readAll();
    QtSerialPort port([&](int) { return link; });
    EventLoopWaiter waiter;
    SilentPrompts prompts;
    MeterLink meter(port, waiter, prompts);
    port.setSettings(QString::number(Baud) + ",n,8,1");
    if (!port.open()) {
        std::fprintf(stderr, "datalog_bench: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    DatalogRecord log;
    QElapsedTimer t;
    t.start();
    const auto outcome = LogDownload(meter, {}).run(log, "Velmar KR5", "V1.95", "3");
    const double ms = double(t.elapsed());
    port.close();
    sim.terminate();
    sim.waitForFinished(StartTimeoutMs);
    if (!outcome.ok) {
        std::fprintf(stderr, "datalog_bench: %s\n", qPrintable(outcome.message));
        return 1;
    }
    std::printf("download of %d points from corvane-sim at %d baud: %.1f s, floor %.1f s "
                "(%+.1f %%)\n",
                log.LogPointCount, Baud, ms / 1000, floorMs(points) / 1000,
                100.0 * (ms - floorMs(points)) / floorMs(points));
    return 0;
}

DatalogRecord onVirtualClock() {
    MeterModel model;
    MeterDatalogs logs;
    logs.install(model);
    logs.logs[3] = logs.logs[1];
    logs.logs[3].points.resize(LargePoints);
    for (int i = 4000; i < LargePoints; ++i)
        logs.logs[3].points[size_t(i)] = qint16((i * 7919) % 30000 - (i % 13 == 0 ? 30000 : 0));
    VirtualWaiter waiter;
    SimSerialPort port(model, waiter);
    SilentPrompts prompts;
    MeterLink link(port, waiter, prompts);
    port.open();
    DatalogRecord log;
    QElapsedTimer t;
    t.start();
    const auto outcome = LogDownload(link, {}).run(log, "Velmar KR5", "V1.95", "3");
    std::printf("download of %d points on the virtual clock: %.2f s real, %.0f s virtual, %s\n",
                LargePoints, double(t.elapsed()) / 1000, double(waiter.now()) / 1000,
                outcome.ok && log.LogPoints == logs.logs[3].points ? "exact copy" : "FAILED");
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
                double(residentKb()) / 1024,
                saved && loaded && loaded->LogPointCount == log.LogPointCount ? "" : "FAILED");
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int points = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    const DatalogRecord large = onVirtualClock();
    saveAndLoad(large);
    return overPseudoTerminal(points > 0 ? points : 1000);
}
