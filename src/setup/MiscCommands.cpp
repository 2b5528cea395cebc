#include "MiscCommands.h"

#include "SetupCommands.h"

#include "link/DisplayFormat.h"
#include "link/FieldConversions.h"
#include "shared/UnitTables.h"

#include <QDate>

namespace MiscCommands {

namespace {
// The "GT,0" record and where its fields stand (from 0).
constexpr int TotalsLength = 22;
constexpr int TotalAt = 10;
constexpr int TotalsUnitAt = 18;
constexpr int TotalsMultiplierAt = 19;
constexpr int TotalsEnabledAt = 20;
constexpr int TotalsRelayAt = 21;
// The "DT,0" reply: "DT,0," hhmmss, a separator, MMddyyyy.
constexpr int ClockLength = 20;
// The "MD,0" record: "MD,0,", two singles, a 2-byte code, the line feed.
constexpr int ServiceLength = 15;
// The clock's year range, and the meter's year base.
constexpr int FirstYear = 1900;
constexpr int LastYear = 5000;
// A serial number's longest digit string.
constexpr int SerialDigits = 10;

std::optional<int> digits(const QByteArray& text) {
    for (const char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    return text.toInt();
}

QByteArray twoDigits(int value) {
    return QByteArray::number(value).rightJustified(2, '0');
}
} // namespace

std::optional<Totals> decodeTotals(const QByteArray& reply) {
    if (reply.size() != TotalsLength || !reply.startsWith("GT,0"))
        return std::nullopt;
    Totals t;
    try {
        t.total = RawToDouble(reply.mid(TotalAt, 8));
    } catch (const FieldError&) {
        return std::nullopt;
    }
    t.unit = qint8(reply[TotalsUnitAt]);
    t.multiplier = qint8(reply[TotalsMultiplierAt]);
    t.enabled = reply[TotalsEnabledAt] != 0;
    t.relay = quint8(reply[TotalsRelayAt]);
    return t;
}

QString totalText(double total, int multiplier) {
    return FormatNumber(total / UnitTables::MultiplierValues.at(size_t(multiplier)), "  ########0")
        .trimmed();
}

int withOption(int mask, int bit, bool on) {
    return on ? mask | (1 << bit) : mask & ~(1 << bit);
}

int withUpdateTime(int mask, int index) {
    return (mask & 0xff) | ((index & 0xff) << 8);
}

int maskToSend(int mask) {
    // Rate line alone (flow or velocity): time and date are shown with it.
    if (mask == 0 || mask == 1)
        return mask | 8;
    return mask;
}

QByteArray displayCommand(int mask) {
    return SetupCommands::framed("SC,2," + QByteArray::number(mask));
}

std::optional<MeterClock> decodeClock(const QByteArray& reply) {
    if (reply.size() != ClockLength || !reply.startsWith("DT,0"))
        return std::nullopt;
    const auto field = [&](int at, int size) { return digits(reply.mid(at, size)); };
    const std::optional<int> parts[] = {field(5, 2),  field(7, 2),  field(9, 2),
                                        field(12, 2), field(14, 2), field(16, 4)};
    for (const std::optional<int>& p : parts)
        if (!p)
            return std::nullopt;
    return MeterClock{*parts[0], *parts[1], *parts[2], *parts[3], *parts[4], *parts[5]};
}

QString clockProblem(const MeterClock& c) {
    if (c.hour < 0 || c.hour > 23)
        return "The hour must be a whole number from 0 to 23.";
    if (c.minute < 0 || c.minute > 59)
        return "The minutes must be a whole number from 0 to 59.";
    if (c.second < 0 || c.second > 59)
        return "The seconds must be a whole number from 0 to 59.";
    if (c.year < FirstYear || c.year > LastYear)
        return QString("The year must be from %1 to %2.").arg(FirstYear).arg(LastYear);
    if (!QDate(c.year, c.month, c.day).isValid())
        return QString("There is no day %1 in month %2 of %3.").arg(c.day).arg(c.month).arg(c.year);
    return {};
}

QByteArray clockCommand(const MeterClock& c) {
    return SetupCommands::framed("DT,1," + twoDigits(c.hour) + twoDigits(c.minute) +
                                 twoDigits(c.second) + "," + twoDigits(c.year - FirstYear) +
                                 twoDigits(c.month) + twoDigits(c.day));
}

std::optional<int> clockField(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 4)
        return std::nullopt;
    return digits(t.toLatin1());
}

std::optional<VersionSerial> decodeVersion(const QByteArray& reply) {
    const QByteArray line = reply.trimmed();
    const int p1 = int(line.indexOf(',', 2));
    const int p2 = p1 < 0 ? -1 : int(line.indexOf(',', p1 + 1));
    if (p2 < 0)
        return std::nullopt;
    return VersionSerial{QString::fromLatin1(line.mid(p1 + 1, p2 - p1 - 1)),
                         QString::fromLatin1(line.mid(p2 + 1))};
}

bool validSerial(const QString& text) {
    if (text.isEmpty() || text.size() > SerialDigits)
        return false;
    for (const QChar c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::optional<ServiceValues> decodeService(const QByteArray& reply) {
    if (reply.size() < ServiceLength || !reply.startsWith("MD,0"))
        return std::nullopt;
    try {
        ServiceValues v;
        v.profileFactor = RawToSingle(reply.mid(5, 4));
        v.signalStrength = RawToSingle(reply.mid(9, 4));
        v.totCode = RawToInt(reply.mid(13, 2));
        return v;
    } catch (const FieldError&) {
        return std::nullopt;
    }
}

} // namespace MiscCommands
