#include "VdlFile.h"
#include "shared/SavedFile.h"

#include "LogText.h"

#include <QFile>
#include <QLocale>

#include <charconv>
#include <cmath>

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
// The count in header line 2 ends with a space within its first ten characters.
constexpr int kCountFieldWidth = 10;
// Largest raw value a loaded flow is scaled to.
constexpr double kFullScaleRaw = 32767;

// A fraction of exactly one half goes to the even neighbour.
qint64 roundEven(double v) {
    return qint64(std::nearbyint(v));
}

bool refuse(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

} // namespace

QByteArray VdlFile::encode(const DatalogRecord& log) {
    QByteArray out;
    out.reserve(qsizetype(log.LogPointCount) * 48 + 256);
    for (int k = 0; k < 3; ++k)
        out += '"' + log.LogLines.value(k).toLatin1() + '"' + kLineEnd;
    LogText::forEachWritten(log, [&](const LogText::Written& p) {
        LogText::appendFileLine(out, p);
        out += kLineEnd;
    });
    return out;
}

bool VdlFile::save(const DatalogRecord& log, const QString& path, QString* error) {
    if (!log.loaded() || DatalogRecord::secondsPerUnit(log.LogUnits) == 0)
        return refuse(error, QStringLiteral("The log in memory cannot be saved: it has no points "
                                            "or its flow unit has no known time base."));
    return SavedFile::write(path, encode(log), error);
}

namespace {

QByteArrayView trimmed(QByteArrayView v) {
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t'))
        v = v.sliced(1);
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t'))
        v.chop(1);
    return v;
}

// A number field: the program's own form, else the locale's; nothing when
// neither reads it.
std::optional<double> readNumber(QByteArrayView number) {
    double v = 0;
    const auto r = std::from_chars(number.data(), number.data() + number.size(), v);
    bool ok = r.ec == std::errc() && r.ptr == number.data() + number.size() && !number.isEmpty();
    if (!ok)
        v = QLocale().toDouble(QString::fromLatin1(number), &ok);
    if (!ok)
        return std::nullopt;
    return v;
}

// One point line: the time of field 1, the number of field 2 and the volume
// of field 3 without its reverse-flow mark (NaN when it does not read).
// Fields are cut at tabs; a line has two or three of them.
bool readPoint(QByteArrayView line, QDateTime& time, double& value, double* volume = nullptr) {
    const qsizetype t1 = line.indexOf('\t');
    const qsizetype t2 = t1 < 0 ? -1 : line.indexOf('\t', t1 + 1);
    if (t2 < 0 || line.count('\t') > 3)
        return false;
    const QByteArrayView when = trimmed(line.first(t1));
    std::optional<QDateTime> t = LogText::readFixedForm(when);
    if (!t)
        t = LogText::readDateTime(QString::fromLatin1(when));
    if (!t)
        return false;
    const std::optional<double> v = readNumber(trimmed(line.sliced(t1 + 1, t2 - t1 - 1)));
    if (!v || !std::isfinite(*v) || *v < 0 || *v > std::numeric_limits<float>::max())
        return false;
    time = *t;
    value = *v;
    if (volume) {
        const qsizetype t3 = line.indexOf('\t', t2 + 1);
        QByteArrayView field = line.sliced(t2 + 1, (t3 < 0 ? line.size() : t3) - t2 - 1);
        while (field.endsWith('*'))
            field.chop(1);
        const std::optional<double> total = readNumber(trimmed(field));
        *volume = total && std::isfinite(*total) ? *total : std::nan("");
    }
    return true;
}

QString display(QByteArrayView line) {
    QString out = QString::fromLatin1(line);
    return out.contains(u'\t') ? out.replace(u'\t', QStringLiteral("  ")) : out;
}

} // namespace

bool VdlFile::LogLine(const QString& line, QDateTime& time, float& value, QString& shown) {
    const QByteArray bytes = line.toLatin1();
    double v = 0;
    if (!readPoint(bytes, time, v))
        return false;
    value = float(v);
    shown = display(bytes);
    return true;
}

std::optional<DatalogRecord> VdlFile::decode(const QByteArray& bytes, QString* error) {
    const auto bad = [&](const QString& why) {
        refuse(error, QStringLiteral("This file is not a datalog the program can read: ") + why);
        return std::nullopt;
    };
    // Line boundaries, without copying: CR LF or LF alone; trailing empty lines dropped.
    std::vector<QByteArrayView> lines;
    const QByteArrayView all(bytes);
    for (qsizetype from = 0; from < all.size();) {
        qsizetype end = all.indexOf('\n', from);
        if (end < 0)
            end = all.size();
        QByteArrayView l = all.sliced(from, end - from);
        if (l.endsWith('\r'))
            l.chop(1);
        lines.push_back(l);
        from = end + 1;
    }
    while (!lines.empty() && lines.back().isEmpty())
        lines.pop_back();
    if (lines.size() < 3)
        return bad(QStringLiteral("it has fewer than three header lines."));

    DatalogRecord log;
    for (int k = 0; k < 3; ++k) {
        const QByteArrayView l = lines[size_t(k)];
        if (l.size() < 2 || l.front() != '"' || l.back() != '"')
            return bad(QStringLiteral("header line %1 is not in quotes.").arg(k + 1));
        log.LogLines << QString::fromLatin1(l.sliced(1, l.size() - 2));
    }
    if (log.LogLines[2].size() < 3)
        return bad(QStringLiteral("header line 3 has no unit."));
    log.LogUnits = log.LogLines[2].right(3);
    if (DatalogRecord::secondsPerUnit(log.LogUnits) == 0)
        return bad(
            QStringLiteral("the unit \"%1\" does not end in S, M, H or D.").arg(log.LogUnits));
    const qsizetype space = log.LogLines[1].indexOf(u' ');
    bool ok = false;
    const qint64 count =
        space > 0 && space < kCountFieldWidth ? log.LogLines[1].left(space).toLongLong(&ok) : 0;
    if (!ok || count < MinPoints || count > DatalogRecord::MaxPoints)
        return bad(QStringLiteral("header line 2 does not give a point count from %1 to %2.")
                       .arg(MinPoints)
                       .arg(DatalogRecord::MaxPoints));
    if (qint64(lines.size()) - 3 != count)
        return bad(QStringLiteral("the header promises %1 points but the file holds %2.")
                       .arg(count)
                       .arg(qint64(lines.size()) - 3));

    log.FilePoints.resize(size_t(count));
    log.LogLines.reserve(qsizetype(count) + 3);
    double highest = 0, lowest = 0;
    for (qint64 i = 0; i < count; ++i) {
        const QByteArrayView line = lines[size_t(3 + i)];
        DatalogRecord::FilePoint& p = log.FilePoints[size_t(i)];
        if (!readPoint(line, p.time, p.flow, &p.volume))
            return bad(QStringLiteral("line %1 is not a point line.").arg(4 + i));
        highest = i == 0 ? p.flow : std::max(highest, p.flow);
        lowest = i == 0 ? p.flow : std::min(lowest, p.flow);
        p.reverse = line.endsWith('*');
        log.LogLines << display(line);
    }
    log.LogStart = log.FilePoints.front().time;
    const double interval =
        double(log.LogStart.secsTo(log.FilePoints.back().time)) / double(count - 1);
    if (interval < 0 || interval > 32767)
        return bad(QStringLiteral("its times do not run forward at a steady interval."));
    log.LogInterval = qint16(roundEven(interval));
    log.LogPointCount = qint32(count);
    // The graph's raw counts: the highest flow becomes 32767, worked out in
    // double precision so that no finite flow, however small or large,
    // overflows a count or changes its sign. A reverse point keeps at least
    // one count, so the graph still draws it red.
    log.LogScale = float(highest / kFullScaleRaw);
    const auto rawOf = [&](double v) {
        return highest > 0 ? qint16(std::clamp(roundEven(v / highest * kFullScaleRaw), qint64(0),
                                               qint64(kFullScaleRaw)))
                           : qint16(0);
    };
    // An all-zero log loads as zeros; the graph says so.
    log.LogMaxRaw = rawOf(highest);
    log.LogMinRaw = rawOf(lowest);
    log.LogPoints.resize(size_t(count));
    for (size_t i = 0; i < size_t(count); ++i) {
        const DatalogRecord::FilePoint& p = log.FilePoints[i];
        const qint16 raw = rawOf(p.flow);
        log.LogPoints[i] = p.reverse ? qint16(-std::max(raw, qint16(1))) : raw;
    }
    log.PageFactor = DatalogRecord::pageFactorFor(log.LogPointCount);
    return log;
}

std::optional<DatalogRecord> VdlFile::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        refuse(error, file.errorString());
        return std::nullopt;
    }
    return decode(file.readAll(), error);
}
