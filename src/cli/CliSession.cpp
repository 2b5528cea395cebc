#include "CliSession.h"

#include "datalog/LogDirectoryScan.h"
#include "datalog/LogDownload.h"
#include "link/ConnectionState.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "monitor/FlowReading.h"

bool CliSession::identify() {
    const int type = reads_.identify();
    if (type == 0)
        return fail(
            link_.connection().identificationDamaged()
                ? QStringLiteral("replies to the identification request arrived damaged "
                                 "(bytes, but no whole reply) at %1: %2")
                      .arg(link_.port().settings(), QLatin1String(ConnectionState::DamagedAdvice))
                : QStringLiteral("no meter answered the identification request"));
    model_ = QStringLiteral("Velmar KR%1").arg(type);
    const std::optional<QByteArray> reply = reads_.readVersion();
    if (!reply)
        return fail(QStringLiteral("the meter did not give its firmware version"));
    version_ = MeterReads::versionOf(*reply).value_or(QString());
    serial_ = MeterReads::serialOf(*reply);
    return true;
}

bool CliSession::readConfig(ConfigRecord& config) {
    if (!reads_.readSystemConfig(config))
        return fail(QStringLiteral("the meter did not send its system configuration (SC)"));
    if (!reads_.readChannelConfig(config))
        return fail(QStringLiteral("the meter did not send its channel configuration (CC)"));
    if (!reads_.readLearnData(config))
        return fail(QStringLiteral("the meter did not send its learn data (LR)"));
    return true;
}

QStringList CliSession::configLines(const ConfigRecord& c) {
    QStringList out;
    const auto add = [&](const char* name, auto value) {
        out << QStringLiteral("%1=%2").arg(QLatin1String(name)).arg(value);
    };
    const auto addArray = [&](const char* name, const auto& values) {
        for (size_t k = 0; k < values.size(); ++k)
            out << QStringLiteral("%1%2=%3").arg(QLatin1String(name)).arg(k + 1).arg(values[k]);
    };
    const SystemConfig& s = c.SysConfig;
    add("DisplayMask", s.DisplayMask);
    addArray("RelayOnAbove", s.RelayOnAbove);
    addArray("RelayOffAbove", s.RelayOffAbove);
    addArray("RelayOnBelow", s.RelayOnBelow);
    addArray("RelayOffBelow", s.RelayOffBelow);
    addArray("RelayOnAboveThreshold", s.RelayOnAboveThreshold);
    addArray("RelayOffAboveThreshold", s.RelayOffAboveThreshold);
    addArray("RelayOnBelowThreshold", s.RelayOnBelowThreshold);
    addArray("RelayOffBelowThreshold", s.RelayOffBelowThreshold);
    addArray("RelayActive", s.RelayActive);
    add("PowerMonitorRelay", s.PowerMonitorRelay);
    add("TotalizerRelay", s.TotalizerRelay);
    add("DisplayContrast", s.DisplayContrast);
    add("TransmitPower", int(s.TransmitPower));
    add("LoggingOn", s.LoggingOn);
    add("CurrentDatalogNumber", int(s.CurrentDatalogNumber));
    add("LearnScale", s.LearnScale);
    const ChannelConfig& h = c.ChanConfig;
    add("Damping", h.Damping);
    add("TotalizerEnabled", int(h.TotalizerEnabled));
    add("RangeCode", int(h.RangeCode));
    add("LowFlowCutoffVelocity", h.LowFlowCutoffVelocity);
    add("SignalStrengthCutoff", h.SignalStrengthCutoff);
    add("SignalQualityCutoff", h.SignalQualityCutoff);
    add("TotalizerMultiplierIndex", int(h.TotalizerMultiplierIndex));
    add("FlowVolumeUnitIndex", int(h.FlowVolumeUnitIndex));
    add("TotalizerVolumeUnitIndex", int(h.TotalizerVolumeUnitIndex));
    add("FlowTimeUnitIndex", int(h.FlowTimeUnitIndex));
    add("PipeInsideDiameter", h.PipeInsideDiameter);
    add("FlowAt4mA", h.FlowAt4mA);
    add("FlowAt20mA", h.FlowAt20mA);
    add("CalibrationAt4mA", h.CalibrationAt4mA);
    add("CalibrationAt20mA", h.CalibrationAt20mA);
    add("SiteCalibrationFactor", h.SiteCalibrationFactor);
    add("PipeSizeUnit", int(h.PipeSizeUnit));
    add("LoggingRateIndex", h.LoggingRateIndex);
    const LearnData& l = c.LrnConfig;
    add("PowerLossCount", l.PowerLossCount);
    add("RemoteZeroEnabled", l.RemoteZeroEnabled);
    add("LowFlowCutoffOverride", l.LowFlowCutoffOverride);
    add("ZeroSignalCutoffOverride", l.ZeroSignalCutoffOverride);
    add("LoggingActive", l.LoggingActive);
    add("RangeModeManual", l.RangeModeManual);
    add("ExceptionCount", l.ExceptionCount);
    add("ExtendedModeOn", l.ExtendedModeOn);
    add("LastCode", l.LastCode);
    add("WatchdogFailures", l.WatchdogFailures);
    add("Breaks", l.Breaks);
    add("DisplayFlowOrVelocity", int(l.DisplayFlowOrVelocity));
    add("PipeRoughness", int(l.PipeRoughness));
    add("FlowPerVelocity", c.FlowPerVelocity);
    add("FlowUnitLabel", c.FlowUnitLabel);
    return out;
}

std::optional<QByteArray> CliSession::readFlow() {
    std::optional<QByteArray> record = reads_.readFlowRecord();
    if (!record)
        fail(QStringLiteral("the meter did not send its flow data (FD)"));
    return record;
}

bool CliSession::readDirectory(const std::function<void(int, qint32)>& onFile) {
    LogDirectoryScan scan(link_);
    int answered = 0;
    scan.onFile = [&](int file, qint32 points) {
        ++answered;
        onFile(file, points);
    };
    DatalogDirectory directory;
    if (scan.run(directory))
        return true;
    if (answered == 0)
        return fail(QStringLiteral("the meter did not answer: no datalog header came back"));
    return fail(
        QStringLiteral("the meter stopped answering: datalog %1 gave no header").arg(answered));
}

bool CliSession::download(DatalogRecord& log, int logId, const std::function<bool()>& cancelled,
                          const std::function<void(float)>& progress) {
    LogDownload download(link_, {progress, {}, cancelled, {}});
    const LogDownload::Outcome outcome =
        download.run(log, model_, version_, QString::number(logId));
    if (!outcome.ok)
        return fail(outcome.closing ? QStringLiteral("the line closed") : outcome.failure.text());
    return true;
}
