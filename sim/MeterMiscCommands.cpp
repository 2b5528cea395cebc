#include "MeterMiscCommands.h"

#include "MeterModel.h"

#include <QtEndian>

#include <cstring>
#include <optional>
#include <type_traits>

namespace {

// "GT,0" and "MD,0" records, their line feed included.
constexpr int TotalsRecordLength = 23;
constexpr int ServiceRecordLength = 16;

qint16 int16Of(const QByteArray& raw) {
    return qFromLittleEndian<qint16>(reinterpret_cast<const uchar*>(raw.constData()));
}

// A field low byte first, floating-point values as their IEEE bits.
template <typename T> void put(QByteArray& r, int at, T value) {
    uchar* to = reinterpret_cast<uchar*>(r.data()) + at;
    if constexpr (std::is_floating_point_v<T>) {
        using Bits = std::conditional_t<sizeof(T) == 4, quint32, quint64>;
        Bits bits;
        std::memcpy(&bits, &value, sizeof(T));
        qToLittleEndian<Bits>(bits, to);
    } else {
        qToLittleEndian<T>(value, to);
    }
}

// A decimal argument within [low, high], or nothing.
std::optional<int> number(const QByteArray& args, int low, int high) {
    bool ok = false;
    const int v = args.toInt(&ok);
    if (!ok || args.isEmpty() || args.startsWith('+') || args.startsWith('-') || v < low ||
        v > high)
        return std::nullopt;
    return v;
}

using Store = void (*)(MeterState& s, int value);

// A setting with a decimal argument, acknowledged "OK".
void addDecimal(MeterModel& model, const char* prefix, int low, int high, Store store) {
    model.addCommand({prefix, 0, true, [=](MeterModel& m, const QByteArray& args, qint64) {
                          const std::optional<int> v = number(args, low, high);
                          if (!v)
                              return MeterModel::BadOpcode;
                          store(m.state(), *v);
                          return MeterModel::Ok;
                      }});
}

} // namespace

void installMiscCommands(MeterModel& model) {
    model.addCommand({"GT,0", 0, false, [](MeterModel& m, const QByteArray& args, qint64 t) {
                          if (!args.isEmpty())
                              return MeterModel::BadOpcode;
                          const MeterState& s = m.state();
                          QByteArray r(TotalsRecordLength, '\0');
                          r.replace(0, 10, "GT,0,     ");
                          put(r, 10, m.totalizerAt(t));
                          r[18] = char(s.totalizerUnit);
                          r[19] = char(s.totalizerMultiplier);
                          r[20] = char(s.totalizerEnabled);
                          r[21] = char(s.totalizerRelay);
                          r[22] = '\n';
                          return r;
                      }});
    addDecimal(model, "GT,2,", 0, 1, [](MeterState& s, int v) { s.totalizerEnabled = quint8(v); });
    addDecimal(model, "GT,3,", 0, 7, [](MeterState& s, int v) { s.totalizerUnit = quint8(v); });
    addDecimal(model, "GT,4,", 0, 4,
               [](MeterState& s, int v) { s.totalizerMultiplier = quint8(v); });
    addDecimal(model, "GT,5,", 0, 4, [](MeterState& s, int v) { s.totalizerRelay = quint8(v); });
    addDecimal(model, "SC,2,", 0, 0x7fff, [](MeterState& s, int v) { s.displayMask = qint16(v); });
    addDecimal(model, "MD,2,", 0, 100, [](MeterState& s, int v) { s.displayContrast = qint16(v); });
    model.addCommand({"MD,0", 0, false, [](MeterModel& m, const QByteArray& args, qint64 t) {
                          if (!args.isEmpty())
                              return MeterModel::BadOpcode;
                          QByteArray r(ServiceRecordLength, '\0');
                          r.replace(0, 5, "MD,0,");
                          put(r, 5, m.state().profileFactor);
                          put(r, 9, float(m.signalStrengthAt(t)));
                          put(r, 13, m.state().totCode);
                          r[15] = '\n';
                          return r;
                      }});
    model.addCommand({"DT,0", 0, true, [](MeterModel& m, const QByteArray& args, qint64 t) {
                          if (!args.isEmpty() && args != ",")
                              return MeterModel::BadOpcode;
                          const QDateTime c = m.clockAt(t);
                          return "DT,0," + c.toString("HHmmss").toLatin1() + "," +
                                 c.toString("MMddyyyy").toLatin1() + "\n";
                      }});
    // hhmmss "," then the year less 1900, month and day.
    model.addCommand({"DT,1,", 0, true, [](MeterModel& m, const QByteArray& args, qint64 t) {
                          const int comma = int(args.indexOf(','));
                          const QByteArray time = args.left(comma);
                          const QByteArray date = args.mid(comma + 1);
                          if (comma != 6 || date.size() < 6)
                              return MeterModel::BadOpcode;
                          const auto field = [](const QByteArray& f) { return f.toInt(); };
                          const int year = 1900 + field(date.left(date.size() - 4));
                          const QDate d(year, field(date.right(4).left(2)), field(date.right(2)));
                          const QTime h(field(time.left(2)), field(time.mid(2, 2)),
                                        field(time.mid(4, 2)));
                          if (!d.isValid() || !h.isValid())
                              return MeterModel::BadOpcode;
                          m.state().clockBase = QDateTime(d, h, Qt::UTC);
                          m.state().clockBaseMs = t;
                          return MeterModel::Ok;
                      }});
    model.addCommand({"LG,1,", 2, true, [](MeterModel& m, const QByteArray& args, qint64) {
                          if (args.size() != 2)
                              return MeterModel::BadOpcode;
                          const qint16 on = qint16(int16Of(args) != 0);
                          m.state().loggingOn = on;
                          m.state().loggingActive = on;
                          return MeterModel::Ok;
                      }});
    model.addCommand({"LG,2,", 2, true, [](MeterModel& m, const QByteArray& args, qint64) {
                          const qint16 rate = args.size() == 2 ? int16Of(args) : -1;
                          if (rate < 0 || rate > 4)
                              return MeterModel::BadOpcode;
                          m.state().loggingRateIndex = rate;
                          return MeterModel::Ok;
                      }});
    model.addCommand({"VR,1,", 0, true, [](MeterModel& m, const QByteArray& args, qint64) {
                          for (const char c : args)
                              if (c < '0' || c > '9')
                                  return MeterModel::BadOpcode;
                          if (args.isEmpty() || args.size() > 10)
                              return MeterModel::BadOpcode;
                          m.state().serial = args;
                          return MeterModel::Ok;
                      }});
    // The relay code the totalizer relay choice sends; the meter only says OK.
    model.addCommand({"RY,9,", 1, true, [](MeterModel&, const QByteArray& args, qint64) {
                          return args.size() == 1 ? MeterModel::Ok : MeterModel::BadOpcode;
                      }});
}
