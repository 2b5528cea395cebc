#include "MeterSettingsReader.h"

#include "MeterReads.h"

#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "setup/SetupCommands.h"

namespace {

// Reply lengths of the setup dialog's reads, line feed included.
constexpr int OutputRecordLength = 22;
constexpr int TotalsRecordLength = 22;
constexpr int ClockRecordLength = 20;
constexpr int ServiceRecordLength = 16;

template <typename Decode>
auto readRecord(MeterLink& link, const char* command, int mode, int length, Decode decode)
    -> decltype(decode(QByteArray())) {
    const QByteArray framed = SetupCommands::framed(command);
    for (int attempt = 0; attempt < MeterSettingsReader::ReadTries && link.port().isOpen();
         ++attempt) {
        link.state().CurrentCommand = framed;
        if (auto decoded = decode(link.SendCommand(framed, mode, length))) {
            link.noteGoodReply();
            return decoded;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<MeterSettings> MeterSettingsReader::read(MeterLink& link, QString* why) {
    const auto failed = [why](const QString& text) -> std::optional<MeterSettings> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    MeterReads reads(link);
    MeterSettings s;
    s.unitType = reads.identify();
    if (s.unitType == 0)
        return failed(QStringLiteral("no meter answered the identification request"));
    const std::optional<QByteArray> version = reads.readVersion();
    if (!version)
        return failed(QStringLiteral("the meter did not give its firmware version"));
    s.version = MeterReads::versionOf(*version).value_or(QString());
    s.serial = MeterReads::serialOf(*version);
    if (!reads.readSystemConfig(s.config))
        return failed(QStringLiteral("the meter did not send its system configuration (SC)"));
    if (!reads.readChannelConfig(s.config))
        return failed(QStringLiteral("the meter did not send its channel configuration (CC)"));
    if (!reads.readLearnData(s.config))
        return failed(QStringLiteral("the meter did not send its learn data (LR)"));
    s.output = readRecord(link, "MA,0", 2, OutputRecordLength, [](const QByteArray& r) {
        return OutputCommands::decodeOutput(r, OutputRecordLength - 1);
    });
    if (!s.output)
        return failed(QStringLiteral("the meter did not send its 4-20 mA output record (MA)"));
    s.totals = readRecord(link, "GT,0", 3, TotalsRecordLength, &MiscCommands::decodeTotals);
    if (!s.totals)
        return failed(QStringLiteral("the meter did not send its totalizer (GT)"));
    s.clock = readRecord(link, "DT,0", 3, ClockRecordLength, &MiscCommands::decodeClock);
    if (!s.clock)
        return failed(QStringLiteral("the meter did not send its clock (DT)"));
    s.service = readRecord(link, "MD,0", 3, ServiceRecordLength, &MiscCommands::decodeService);
    if (!s.service)
        return failed(QStringLiteral("the meter did not send its service values (MD)"));
    return s;
}
