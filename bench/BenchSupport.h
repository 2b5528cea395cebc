#pragma once
// What the benchmarks share: prompts that stay quiet, the process's CPU time
// and memory, corvane-sim on a pseudo-terminal behind the program's own link,
// and the simulated meter in process on the virtual clock.
#include "link/EventLoopWaiter.h"
#include "link/MeterLink.h"
#include "link/QtSerialPort.h"
#include "ui/Prompts.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

class SilentPrompts : public Prompts {
public:
    Answer ask(const QString&, const QString&, Buttons, Icon, Answer d) override { return d; }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

inline double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

// A figure of /proc/self/status in KiB, such as "VmRSS:" or "VmHWM:"; -1 without one.
inline long statusKib(const char* key) {
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    return -1;
}

#ifdef CORVANE_SIM_PATH
// corvane-sim on a pseudo-terminal, and the program's link to it.
struct SimOnPty {
    // How long corvane-sim may take to start on a busy machine.
    static constexpr int StartTimeoutMs = 10000;
    QTemporaryDir dir;
    QString device = dir.filePath("meter");
    QProcess sim;
    QtSerialPort port{[this](int) { return device; }};
    EventLoopWaiter waiter;
    SilentPrompts prompts;
    MeterLink link{port, waiter, prompts};

    // False, with the reason on stderr, when the simulator or the port does not start.
    bool start(int baud, const QStringList& args = {}) {
        sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim.start(CORVANE_SIM_PATH, QStringList{"--link", device} + args);
        if (!sim.waitForStarted(StartTimeoutMs) || !sim.waitForReadyRead(StartTimeoutMs)) {
            std::fprintf(stderr, "corvane-sim did not start\n");
            return false;
        }
        sim.readAll();
        port.setSettings(QString::number(baud) + ",n,8,1");
        if (!port.open())
            std::fprintf(stderr, "%s\n", qPrintable(port.errorString()));
        return port.isOpen();
    }
    ~SimOnPty() {
        port.close();
        sim.terminate();
        sim.waitForFinished(StartTimeoutMs);
    }
};
#endif

#if __has_include("MeterDatalogs.h")
#include "MeterDatalogs.h"
#include "MeterModel.h"
#include "SimSerialPort.h"
#include "VirtualWaiter.h"

// The simulated meter and its datalogs in process, on the virtual clock.
struct VirtualMeter {
    MeterModel model;
    MeterDatalogs logs;
    VirtualWaiter waiter;
    SimSerialPort port{model, waiter};
    SilentPrompts prompts;
    MeterLink link{port, waiter, prompts};
    VirtualMeter() {
        logs.install(model);
        port.open();
    }
};
#endif
