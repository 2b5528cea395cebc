#include "MeterDatalogs.h"

#include "MeterModel.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// Points the program asks for in one section at most (64 bytes).
constexpr size_t kMaxSectionPoints = 32;

// A flow that wanders like a pump's, reproducible from its index.
std::vector<qint16> wave(int count, int mean, int swing, int period, bool withNegatives) {
    std::vector<qint16> p(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double v =
            mean + swing * std::sin(6.283185307179586 * i / period) + (i * 37 % 11) - 5;
        p[size_t(i)] = qint16(withNegatives && i % 9 == 4 ? -std::lround(v / 10) : std::lround(v));
    }
    return p;
}

} // namespace

MeterDatalogs::MeterDatalogs() {
    logs[0] = {"05/12/06", "10:30:00", "GPM", "0.1", 60, wave(33, 3800, 400, 20, false)};
    logs[1] = {"11/03/23", "23:15:00", "GPH", "2.5", 300, wave(4000, 9000, 6000, 288, false)};
    logs[2] = {"05/13/24", "08:00:00", "CFS", "0.01", 10, wave(100, 2000, 1500, 40, true)};
}

void MeterDatalogs::install(MeterModel& model) {
    model.addCommand({"OD,DATALOG", 0, true,
                      [this](MeterModel&, const QByteArray& a, qint64) { return open(a); }});
    model.addCommand({"RD,", 0, true, [this](MeterModel& m, const QByteArray& a, qint64) {
                          return section(m, a);
                      }});
    model.addCommand({"DC,0,", 0, true,
                      [this](MeterModel&, const QByteArray&, qint64) { return checksum(true); }});
    model.addCommand({"DC,0", 0, true,
                      [this](MeterModel&, const QByteArray&, qint64) { return checksum(false); }});
    model.addCommand(
        {"DL,0", 0, true, [this](MeterModel&, const QByteArray&, qint64) { return list(); }});
    model.addCommand(
        {"DD,", 0, true, [this](MeterModel&, const QByteArray& a, qint64) { return erase(a); }});
    model.addCommand({"LG,1,", 2, true, [this](MeterModel& m, const QByteArray& a, qint64) {
                          return logging(m, a, false);
                      }});
    model.addCommand({"LG,3", 0, true, [this](MeterModel& m, const QByteArray& a, qint64) {
                          return logging(m, a, true);
                      }});
}

QByteArray MeterDatalogs::encode(const std::vector<qint16>& points, size_t from, size_t count) {
    QByteArray out;
    for (size_t i = from; i < from + count && i < points.size(); ++i) {
        const int v = points[i];
        const int magnitude = std::min(std::abs(v), 0x7FFF);
        out += char(magnitude & 0xFF);
        out += char((magnitude >> 8) | (v < 0 ? 0x80 : 0));
    }
    return out;
}

QByteArray MeterDatalogs::open(const QByteArray& args) {
    if (args.size() != 1 || args[0] < '0' || args[0] > '9')
        return MeterModel::BadOpcode;
    open_ = args[0] - '0';
    position_ = served_ = 0;
    sectionServed_ = false;
    const Log& log = logs[size_t(open_)];
    QByteArray r = "OD,DATALOG" + args + "\n";
    // A file without a log answers with empty date, time and unit lines.
    if (log.empty())
        return r + "\n\n\n";
    QByteArray units = log.units;
    if (faults.badUnitLetter && !units.isEmpty())
        units.back() = 'X';
    const qint32 count = faults.headerPoints ? faults.headerPoints : qint32(log.points.size());
    return r + log.date + "\n" + log.time + "\n" + units + "\n" + log.scale + "\n" +
           QByteArray::number(log.interval) + "\n" + QByteArray::number(count) + "\n";
}

QByteArray MeterDatalogs::section(MeterModel& model, const QByteArray& args) {
    if (faults.silentSections > 0) {
        --faults.silentSections;
        return {};
    }
    // "RD,bytes" (older firmware) or "RD,remaining,bytes"; an empty byte
    // count closes the transfer.
    const QList<QByteArray> parts = args.split(',');
    const int bytes = parts.back().toInt();
    const QByteArray line = "RD," + args + "\n";
    if (open_ < 0 || bytes <= 0 || bytes > int(2 * kMaxSectionPoints))
        return line;
    const Log& log = logs[size_t(open_)];
    // The form with the remaining count names the section itself, so asking
    // again after its checksum was queried serves the same points again.
    if (parts.size() == 2) {
        const qint64 total = faults.headerPoints ? faults.headerPoints : qint64(log.points.size());
        position_ = size_t(std::clamp<qint64>(total - parts[0].toLongLong(), 0, total));
        served_ = 0;
    }
    const size_t count =
        std::min(size_t(bytes / 2), log.points.size() - std::min(position_, log.points.size()));
    QByteArray block = encode(log.points, position_, count);
    served_ = count;
    sectionServed_ = true;
    lastSum_ = 0;
    for (char c : block)
        lastSum_ = quint16(lastSum_ + quint8(c));
    if (faults.shortBlocks > 0 && !block.isEmpty()) {
        --faults.shortBlocks;
        block.chop(1);
    }
    if (faults.lateBlocks > 0 && !block.isEmpty()) {
        --faults.lateBlocks;
        model.faults().stallMs = faults.lateBlockMs;
        model.faults().stallReplies = 1;
        model.faults().stallAt = int(line.size());
    }
    return line + block;
}

QByteArray MeterDatalogs::checksum(bool advance) {
    if (advance) {
        position_ += served_;
        served_ = 0;
    }
    quint16 sum = lastSum_;
    if (faults.wrongChecksums > 0 && sectionServed_) {
        --faults.wrongChecksums;
        sum = quint16(sum + 1);
    }
    return "DC," + QByteArray::number(sum, 16).rightJustified(4, '0') + "\n";
}

QByteArray MeterDatalogs::list() const {
    QByteArray names;
    int n = 0;
    for (int d = 0; d < int(logs.size()); ++d)
        if (!logs[size_t(d)].empty())
            names += fileName(d) + "\n", ++n;
    return "DL," + QByteArray::number(n) + "\n" + names;
}

QByteArray MeterDatalogs::erase(const QByteArray& name) {
    for (int d = 0; d < int(logs.size()); ++d)
        if (fileName(d) == name) {
            logs[size_t(d)] = Log();
            deleted.push_back(name);
            return MeterModel::Ok;
        }
    return MeterModel::BadOpcode;
}

QByteArray MeterDatalogs::logging(MeterModel& model, const QByteArray& args, bool restart) {
    if (faults.loggingNeverOk)
        return QByteArrayLiteral("NO\n");
    if (!restart) {
        const bool on = args.size() == 2 && (args[0] != 0 || args[1] != 0);
        model.state().loggingActive = on ? 1 : 0;
        model.state().loggingOn = on ? 1 : 0;
    }
    return MeterModel::Ok;
}

bool MeterDatalogs::applyFault(const QString& text, QString* error) {
    const QStringList parts = text.trimmed().toLower().split(':');
    const auto bad = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("fault \"%1\": %2").arg(text, why);
        return false;
    };
    // A header line given as text, for every file that holds a log.
    const qsizetype equals = text.indexOf(u'=');
    if (equals > 0) {
        const QString field = text.left(equals).trimmed().toLower();
        const QByteArray value = text.mid(equals + 1).toLatin1();
        bool ok = true;
        const int interval = field == "datalog-interval" ? value.toInt(&ok) : 0;
        if (!ok)
            return bad("expected datalog-interval=N");
        for (Log& log : logs) {
            if (log.empty())
                continue;
            if (field == "datalog-date")
                log.date = value;
            else if (field == "datalog-time")
                log.time = value;
            else if (field == "datalog-scale")
                log.scale = value;
            else if (field == "datalog-interval")
                log.interval = interval;
            else
                return bad("unknown fault");
        }
        return true;
    }
    bool ok = parts.size() == 2;
    const qint64 n = ok ? parts[1].toLongLong(&ok) : 0;
    ok = ok && n > 0 && n <= std::numeric_limits<int>::max();
    const QString& name = parts[0];
    if (name == "datalog-checksum" || name == "datalog-silent" || name == "datalog-short" ||
        name == "datalog-points" || name == "datalog-late") {
        if (!ok)
            return bad("expected " + name + ":N");
        if (name == "datalog-checksum")
            faults.wrongChecksums = int(n);
        else if (name == "datalog-silent")
            faults.silentSections = int(n);
        else if (name == "datalog-short")
            faults.shortBlocks = int(n);
        else if (name == "datalog-late")
            faults.lateBlocks = int(n);
        else
            faults.headerPoints = qint32(n);
    } else if (name == "datalog-unit" && parts.size() == 1) {
        faults.badUnitLetter = true;
    } else if (name == "datalog-never-ok" && parts.size() == 1) {
        faults.loggingNeverOk = true;
    } else {
        return bad("unknown fault");
    }
    return true;
}

QString MeterDatalogs::faultHelp() {
    return QStringLiteral(
        "  datalog-checksum:N  give a wrong sum in the next N datalog checksum replies\n"
        "  datalog-silent:N    give no answer to the next N datalog section requests\n"
        "  datalog-short:N     send the next N datalog sections one byte short\n"
        "  datalog-late:N      send the block of the next N datalog sections 1.5 s after its "
        "line\n"
        "  datalog-points:N    every datalog header claims N points\n"
        "  datalog-unit        datalog headers give a unit whose last letter is X\n"
        "  datalog-date=TEXT, datalog-time=TEXT, datalog-scale=TEXT, datalog-interval=N\n"
        "                      every datalog header gives that line as written\n"
        "  datalog-never-ok    answer \"NO\" to the logging commands\n");
}
