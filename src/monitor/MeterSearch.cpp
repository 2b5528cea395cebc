#include "MeterSearch.h"

#include "MeterReads.h"

#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "link/SerialPort.h"

#include <QFileInfo>

namespace {

// The speeds meters are most often set to, tried before the rest.
const QList<int> UsualSpeeds = {19200, 9600, 38400, 57600, 115200, 4800, 2400, 1200};

} // namespace

MeterSearch::MeterSearch(PortMaker makePort, Waiter& waiter, Prompts& prompts)
    : makePort_(std::move(makePort)), waiter_(waiter), prompts_(prompts) {}

QList<int> MeterSearch::speedOrder() {
    QList<int> order = UsualSpeeds;
    for (const int speed : PortSettingsStore::speeds())
        if (!order.contains(speed))
            order.append(speed);
    return order;
}

QString MeterSearch::settingsFor(int baud) {
    return QStringLiteral("%1,n,8,1").arg(baud);
}

QStringList MeterSearch::defaultDevices(const PortSettingsStore& store) {
    const QStringList present = PortSettingsStore::availableDevices();
    QStringList devices;
    for (int n = 1; n <= PortSettingsStore::PortCount; ++n) {
        const QString device = store.deviceForPort(n);
#ifdef Q_OS_WIN
        const bool there = present.contains(device, Qt::CaseInsensitive);
#else
        const bool there = QFileInfo::exists(device);
#endif
        if (there && !devices.contains(device))
            devices << device;
    }
    for (const QString& device : present)
        if (!devices.contains(device, Qt::CaseInsensitive))
            devices << device;
    return devices;
}

MeterSearch::Device MeterSearch::search(const QString& device, const std::function<bool()>& stop,
                                        const std::function<void(int)>& trying) {
    Device result;
    result.device = device;
    const std::unique_ptr<SerialPort> port = makePort_(device);
    if (!port->open()) {
        result.problem = port->errorString();
        return result;
    }
    MeterLink link(*port, waiter_, prompts_);
    for (const int baud : speedOrder()) {
        if (stop && stop())
            break;
        if (!port->setSettings(settingsFor(baud))) {
            result.refused << QStringLiteral("%1 baud: %2").arg(baud).arg(port->errorString());
            continue;
        }
        if (trying)
            trying(baud);
        MeterReads reads(link);
        const int type = reads.identify();
        if (!port->isOpen()) {
            result.problem = port->errorString();
            break;
        }
        if (type == 0)
            continue;
        Meter meter;
        meter.baud = baud;
        meter.unitType = type;
        if (const std::optional<QByteArray> reply = reads.readVersion()) {
            meter.version = MeterReads::versionOf(*reply).value_or(QString());
            meter.serial = MeterReads::serialOf(*reply);
        }
        result.meter = meter;
        // What is still on its way belongs to no later session.
        link.discardUntilQuiet();
        break;
    }
    link.shutDown();
    port->close();
    return result;
}
