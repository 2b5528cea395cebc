#include "CliSession.h"

#include "datalog/LogDirectoryScan.h"
#include "datalog/LogDownload.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "monitor/ConfigDecoder.h"
#include "monitor/FlowReading.h"

#include <limits>

namespace {

// Identification requests before the meter counts as absent (as the window).
constexpr int kIdentifyAttempts = 3;
// Bad version replies taken before the version read gives up (as the window).
constexpr int kVersionRetries = 3;

QByteArray command(const char* text) {
    return QByteArray(text) + MeterLink::CommandTerminator;
}

} // namespace

bool CliSession::identify() {
    model_.clear();
    for (int attempt = 0; attempt < kIdentifyAttempts && model_.isEmpty(); ++attempt) {
        if (!link_.writeDirect(MeterLink::FlushPrefix) || !link_.writeDirect(command("VT,0")))
            return fail(QStringLiteral("could not write to the port"));
        const QByteArray line = link_.ReadComm(0);
        for (const char* unit : {"5", "4", "3"})
            if (line.contains(QByteArray("VT,") + unit))
                model_ = QStringLiteral("Velmar KR") + unit;
    }
    if (model_.isEmpty())
        return fail(QStringLiteral("no meter answered the identification request"));
    for (int bad = 0;; ++bad) {
        link_.writeDirect(command("VR,0"));
        QByteArray reply = link_.ReadComm(0);
        if (link_.port().isOpen() && link_.port().bytesWaiting() > 0)
            reply += link_.ReadComm(0);
        if (!reply.contains("BAD") && reply.startsWith("VR,")) {
            const QList<QByteArray> fields = reply.trimmed().split(',');
            version_ = QString::fromLatin1(fields.value(1));
            serial_ = QString::fromLatin1(fields.value(2));
            return true;
        }
        if (bad >= kVersionRetries)
            return fail(QStringLiteral("the meter did not give its firmware version"));
    }
}

QByteArray CliSession::readRecord(const QByteArray& cmd, int mode, int length) {
    link_.state().CurrentCommand = cmd;
    return link_.SendCommand(cmd, mode, length);
}

bool CliSession::readConfig(ConfigRecord& config) {
    link_.writeDirect(MeterLink::FlushPrefix);
    const QByteArray sc = readRecord(command("SC,0,"), 3, ConfigDecoder::SysConfigLength);
    if (!sc.contains("SC"))
        return fail(QStringLiteral("the meter did not send its system configuration (SC)"));
    const QByteArray cc = readRecord(command("CC,0,"), 2, ConfigDecoder::ChanConfigLength);
    if (!cc.contains("CC"))
        return fail(QStringLiteral("the meter did not send its channel configuration (CC)"));
    const QByteArray lr = readRecord(command("LR,0"), 2, ConfigDecoder::LrnDataLength);
    if (lr.isEmpty())
        return fail(QStringLiteral("the meter did not send its learn data (LR)"));
    try {
        config.SysConfig = ConfigDecoder::decodeSystemConfig(sc);
        config.ChanConfig = ConfigDecoder::decodeChannelConfig(cc);
        config.LrnConfig = ConfigDecoder::decodeLearnData(lr);
        config.deriveFlowUnits();
    } catch (const std::exception&) {
        return fail(QStringLiteral("the meter's configuration holds a value that does not read"));
    }
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
    sequence_ = sequence_ >= std::numeric_limits<qint16>::max() ? 1 : qint16(sequence_ + 1);
    const QByteArray reply =
        readRecord("FD,0," + QByteArray::number(sequence_) + MeterLink::CommandTerminator, 3,
                   FlowReading::ReplyLength);
    if (reply.size() != FlowReading::ReplyLength) {
        fail(QStringLiteral("the meter did not send its flow data (FD)"));
        return std::nullopt;
    }
    return reply;
}

bool CliSession::readDirectory(const std::function<void(int, qint32)>& onFile) {
    LogDirectoryScan scan(link_);
    scan.onFile = onFile;
    DatalogDirectory directory;
    if (!scan.run(directory))
        return fail(QStringLiteral("the meter did not answer for every datalog"));
    return true;
}

bool CliSession::download(DatalogRecord& log, int logId, const std::function<bool()>& cancelled,
                          const std::function<void(float)>& progress) {
    LogDownload download(link_, {progress, {}, cancelled, {}});
    const LogDownload::Outcome outcome =
        download.run(log, model_, version_, QString::number(logId));
    if (!outcome.ok)
        return fail(outcome.message.isEmpty() ? QStringLiteral("the line closed")
                                              : outcome.message);
    return true;
}
