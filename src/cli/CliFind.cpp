#include "CliFind.h"

#include "CliInterrupt.h"
#include "CliOptions.h"
#include "CliPrompts.h"

#include "link/EventLoopWaiter.h"
#include "link/PlatformSerialPort.h"
#include "link/PortSettingsStore.h"
#include "monitor/MeterSearch.h"

#include <QPointer>

#include <cstdio>

namespace CliFind {

namespace {

void line(const QStringList& fields) {
    std::fprintf(stdout, "%s\n", qPrintable(fields.join(u'\t')));
    std::fflush(stdout);
}

// The device a --port text names: "Com<n>" through the stored map, else a path.
QString deviceFor(const QString& port, const PortSettingsStore& store) {
    if (const std::optional<int> n = CliOptions::comNumber(port))
        return store.deviceForPort(*n);
    return port;
}

} // namespace

int run(const CliOptions& o, const PortSettingsStore& store) {
    QStringList devices;
    for (const QString& port : o.ports)
        devices << deviceFor(port, store);
    if (o.ports.isEmpty())
        devices = MeterSearch::defaultDevices(store);
    if (devices.isEmpty()) {
        std::fprintf(stderr, "corvane-cli: no serial device to search\n");
        return 1;
    }

    EventLoopWaiter waiter;
    CliPrompts prompts;
    // Ctrl-C closes the port being searched: its waits end at once, and no
    // further device or speed is tried.
    QPointer<SerialPort> current;
    const CliInterrupt interrupt([&current] {
        if (current)
            current->close();
    });
    MeterSearch search(
        [&current](const QString& device) {
            auto port = std::make_unique<PlatformSerialPort>([device](int) { return device; });
            current = port.get();
            return std::unique_ptr<SerialPort>(std::move(port));
        },
        waiter, prompts);

    int found = 0;
    for (const QString& device : devices) {
        if (CliInterrupt::requested())
            break;
        const MeterSearch::Device d =
            search.search(device, [] { return CliInterrupt::requested(); });
        for (const QString& refused : d.refused)
            line({device, QStringLiteral("speed refused: ") + refused});
        if (d.meter) {
            ++found;
            line({device, QString::number(d.meter->baud),
                  QStringLiteral("Velmar KR%1").arg(d.meter->unitType), d.meter->version,
                  d.meter->serial});
        } else if (!d.problem.isEmpty() && !CliInterrupt::requested()) {
            line({device, QStringLiteral("cannot be searched: ") + d.problem});
        } else if (!CliInterrupt::requested()) {
            line({device, QStringLiteral("no meter answered at any speed")});
        }
    }
    if (CliInterrupt::requested()) {
        std::fprintf(stderr, "corvane-cli: find interrupted\n");
        return 1;
    }
    return found > 0 ? 0 : 1;
}

} // namespace CliFind
