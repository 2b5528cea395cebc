#include "PortSettingsStore.h"

#include <QFileInfo>
#include <QRegularExpression>
#ifndef Q_OS_WIN
#include <QSerialPortInfo>
#endif
#include <QSettings>
#include <algorithm>
#include <tuple>

namespace {

const QString PropertiesGroup = QStringLiteral("Properties");
const QString PortsGroup = QStringLiteral("Ports");
const QString SettingsKey = QStringLiteral("Properties/Settings");
const QString CommPortKey = QStringLiteral("Properties/CommPort");
const QString HandshakingKey = QStringLiteral("Properties/Handshaking");

QString portKey(int number) {
    return PortsGroup + QStringLiteral("/Com") + QString::number(number);
}

// The speed survives a restart; parity, data bits and stop bits go back to these.
const QString StartupFraming = QStringLiteral(",n,8,1");

// Kinds of device in the order the dialog lists them; anything else comes last.
const QStringList DeviceKinds = {QStringLiteral("ttyUSB"), QStringLiteral("ttyACM"),
                                 QStringLiteral("ttyS"), QStringLiteral("COM")};

struct DeviceSortKey {
    int kind;
    qint64 number;
    QString name;
    bool operator<(const DeviceSortKey& other) const {
        return std::tie(kind, number, name) < std::tie(other.kind, other.number, other.name);
    }
};

DeviceSortKey sortKey(const QString& path) {
    static const QRegularExpression pattern(QStringLiteral("^(ttyUSB|ttyACM|ttyS|COM)(\\d+)$"));
    const QString name = QFileInfo(path).fileName();
    const auto match = pattern.match(name);
    if (!match.hasMatch())
        return {int(DeviceKinds.size()), 0, path};
    return {int(DeviceKinds.indexOf(match.captured(1))), match.captured(2).toLongLong(), path};
}

} // namespace

PortSettingsStore::PortSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Corvane"), QStringLiteral("Corvane"))) {
}

PortSettingsStore::PortSettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

PortSettingsStore::~PortSettingsStore() = default;

QString PortSettingsStore::settings() const {
    return settings_->value(SettingsKey).toString();
}

QString PortSettingsStore::commPort() const {
    return settings_->value(CommPortKey).toString();
}

QString PortSettingsStore::handshaking() const {
    return settings_->value(HandshakingKey).toString();
}

void PortSettingsStore::storeProperties(const QString& settings, int portNumber,
                                        int handshakingCode) {
    settings_->setValue(SettingsKey, settings);
    settings_->setValue(CommPortKey, QString::number(portNumber));
    settings_->setValue(HandshakingKey, QString::number(handshakingCode));
    settings_->sync();
}

QString PortSettingsStore::startupSettingsText() const {
    return startupSettingsFrom(settings());
}

QString PortSettingsStore::startupSettingsFrom(const QString& stored) {
    if (stored.size() <= 8)
        return DefaultSettings;
    // Parity, data bits and stop bits with their commas are the last six
    // characters, or eight with stop bits "1.5".
    const qsizetype tail = stored.contains(QLatin1Char('.')) ? 8 : 6;
    return stored.left(stored.size() - tail) + StartupFraming;
}

int PortSettingsStore::startupPortNumber() const {
    return startupPortFrom(commPort());
}

int PortSettingsStore::startupPortFrom(const QString& stored) {
    bool ok = false;
    const int number = stored.trimmed().toInt(&ok);
    // A damaged value must not keep the program from starting: Com1 is where
    // an unconfigured program looks too.
    if (!ok || number < 1 || number > PortCount)
        return 1;
    return number;
}

int PortSettingsStore::storedPage(int count) const {
    bool ok = false;
    const int page = settings_->value(QStringLiteral("Window/Page")).toString().toInt(&ok);
    return ok && page >= 0 && page < count ? page : 0;
}

void PortSettingsStore::storePage(int page) {
    settings_->setValue(QStringLiteral("Window/Page"), QString::number(page));
    settings_->sync();
}

QString PortSettingsStore::deviceForPort(int number) const {
#ifdef Q_OS_WIN
    return defaultDeviceForPort(number);
#else
    const QString stored = settings_->value(portKey(number)).toString().trimmed();
    return stored.isEmpty() ? defaultDeviceForPort(number) : stored;
#endif
}

void PortSettingsStore::setDeviceForPort(int number, const QString& device) {
    const QString path = device.trimmed();
    if (path.isEmpty())
        settings_->remove(portKey(number));
    else
        settings_->setValue(portKey(number), path);
    settings_->sync();
}

bool PortSettingsStore::hasStoredDevice(int number) const {
    return settings_->contains(portKey(number));
}

int PortSettingsStore::assignPortNumber(const QString& device, int current) {
#ifdef Q_OS_WIN
    // Windows names its ports itself: the Com map cannot point elsewhere.
    Q_UNUSED(current);
    static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto match = com.match(device.trimmed());
    const int number = match.hasMatch() ? match.captured(1).toInt() : 0;
    return number >= 1 && number <= PortCount ? number : 0;
#else
    for (int n = 1; n <= PortCount; ++n)
        if (deviceForPort(n) == device)
            return n;
    setDeviceForPort(current, device);
    return current;
#endif
}

QString PortSettingsStore::defaultDeviceForPort(int number) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM") + QString::number(number);
#else
    if (number >= 1 && number <= 8)
        return QStringLiteral("/dev/ttyUSB") + QString::number(number - 1);
    if (number >= 9 && number <= 12)
        return QStringLiteral("/dev/ttyACM") + QString::number(number - 9);
    if (number >= 13 && number <= PortCount)
        return QStringLiteral("/dev/ttyS") + QString::number(number - 13);
    return QString();
#endif
}

const QList<int>& PortSettingsStore::speeds() {
    static const QList<int> list = {110,   300,   600,   1200,  2400,  4800,   9600,   14400,
                                    19200, 28800, 38400, 56000, 57600, 115200, 128000, 256000};
    return list;
}

QStringList PortSettingsStore::availableDevices() {
    QStringList devices;
#ifdef Q_OS_WIN
    // Windows lists every COM port it has in the registry, the values being
    // the port names ("COM3").
    const QSettings map(QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM"),
                        QSettings::NativeFormat);
    for (const QString& key : map.childKeys())
        devices << map.value(key).toString();
#else
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        // Qt lists only ports backed by hardware, so the many unused ttyS
        // nodes of a PC do not appear.
        const QString name = info.portName();
        const bool wanted = name.startsWith(QLatin1String("ttyUSB")) ||
                            name.startsWith(QLatin1String("ttyACM")) ||
                            name.startsWith(QLatin1String("ttyS"));
        if (wanted && QFileInfo::exists(info.systemLocation()))
            devices << info.systemLocation();
    }
#endif
    devices.removeDuplicates();
    return sortedDevices(devices);
}

QStringList PortSettingsStore::sortedDevices(QStringList devices) {
    std::sort(devices.begin(), devices.end(),
              [](const QString& a, const QString& b) { return sortKey(a) < sortKey(b); });
    return devices;
}
