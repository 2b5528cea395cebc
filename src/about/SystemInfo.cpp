#include "SystemInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSysInfo>

namespace {
QString permissionText(const QFileInfo& f) {
    const QFile::Permissions p = f.permissions();
    QString t;
    for (const auto& [flag, c] : {std::pair{QFile::ReadOwner, 'r'},
                                  {QFile::WriteOwner, 'w'},
                                  {QFile::ReadGroup, 'r'},
                                  {QFile::WriteGroup, 'w'},
                                  {QFile::ReadOther, 'r'},
                                  {QFile::WriteOther, 'w'}})
        t += (p & flag) ? QChar(c) : QChar('-');
    return t;
}
} // namespace

QStringList SystemInfo::serialDevices(const QString& devDir) {
    QStringList lines;
    const QDir dir(devDir);
    const QStringList patterns{"ttyUSB*", "ttyACM*", "ttyS*"};
    for (const QString& pattern : patterns) {
        QFileInfoList found =
            dir.entryInfoList({pattern}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        // ttyS10 after ttyS9, as a person counts.
        std::sort(found.begin(), found.end(), [](const QFileInfo& a, const QFileInfo& b) {
            return a.fileName().size() != b.fileName().size()
                       ? a.fileName().size() < b.fileName().size()
                       : a.fileName() < b.fileName();
        });
        for (const QFileInfo& f : found) {
            const bool usable = f.isReadable() && f.isWritable();
            lines << QString("%1  owner %2, group %3, %4  %5")
                         .arg(f.absoluteFilePath(), f.owner(), f.group(), permissionText(f),
                              usable
                                  ? "this account may open it"
                                  : "this account may not open it (join group " + f.group() + ")");
        }
    }
    return lines;
}

QString SystemInfo::report(const QString& devDir) {
    QStringList out;
    out << "Operating system: " + QSysInfo::prettyProductName();
    out << "Kernel: " + QSysInfo::kernelType() + " " + QSysInfo::kernelVersion();
    out << "Architecture: " + QSysInfo::currentCpuArchitecture();
    out << QString("Qt version: %1 (built with %2)").arg(qVersion(), QT_VERSION_STR);
    out << QString();
    const QStringList devices = serialDevices(devDir);
    out << (devices.isEmpty() ? "Serial devices: none found in " + devDir : "Serial devices:");
    for (const QString& d : devices)
        out << "  " + d;
    return out.join('\n');
}

QString SystemInfo::windowsProgram() {
#ifdef Q_OS_WIN
    const QSettings msinfo(R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools\MSINFO)",
                           QSettings::NativeFormat);
    const QString path = msinfo.value("PATH").toString();
    if (!path.isEmpty())
        return path;
    const QSettings location(R"(HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools Location)",
                             QSettings::NativeFormat);
    const QString folder = location.value("MSINFO").toString();
    if (!folder.isEmpty() && QFileInfo::exists(folder + "\\MSINFO32.EXE"))
        return folder + "\\MSINFO32.EXE";
#endif
    return QString();
}
