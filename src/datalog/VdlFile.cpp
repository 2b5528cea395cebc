#include "VdlFile.h"

#include "LogText.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>

#include <cmath>

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
// The count in header line 2 ends with a space within its first ten characters.
constexpr int kCountFieldWidth = 10;
// Largest raw value a loaded flow is scaled to.
constexpr float kFullScaleRaw = 32767.0f;

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
    LogText::forEachPoint(log, [&](const LogText::Point& p) {
        out += LogText::fileLine(p).toLatin1();
        out += kLineEnd;
    });
    return out;
}

bool VdlFile::save(const DatalogRecord& log, const QString& path, QString* error) {
    if (!log.loaded() || DatalogRecord::secondsPerUnit(log.LogUnits) == 0)
        return refuse(error, QStringLiteral("The log in memory cannot be saved: it has no points "
                                            "or its flow unit has no known time base."));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return refuse(error, file.errorString());
    const QByteArray bytes = encode(log);
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return refuse(error, why);
    }
    if (!file.commit())
        return refuse(error, file.errorString());
    return true;
}

bool VdlFile::LogLine(const QString& line, QDateTime& time, float& value, QString& display) {
    const QStringList fields = line.split(u'\t');
    if (fields.size() < 3 || fields.size() > 4)
        return false;
    const auto t = LogText::readDateTime(fields[0]);
    if (!t)
        return false;
    bool ok = false;
    const QString number = fields[1].trimmed();
    double v = QLocale::c().toDouble(number, &ok);
    if (!ok)
        v = QLocale().toDouble(number, &ok);
    if (!ok || !std::isfinite(v) || v < 0 || v > std::numeric_limits<float>::max())
        return false;
    time = *t;
    value = float(v);
    display = fields.join(QStringLiteral("  "));
    return true;
}

std::optional<DatalogRecord> VdlFile::decode(const QByteArray& bytes, QString* error) {
    const auto bad = [&](const QString& why) {
        refuse(error, QStringLiteral("This file is not a datalog the program can read: ") + why);
        return std::nullopt;
    };
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray& l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    if (lines.size() < 3)
        return bad(QStringLiteral("it has fewer than three header lines."));

    DatalogRecord log;
    for (int k = 0; k < 3; ++k) {
        const QByteArray& l = lines[k];
        if (l.size() < 2 || l.front() != '"' || l.back() != '"')
            return bad(QStringLiteral("header line %1 is not in quotes.").arg(k + 1));
        log.LogLines << QString::fromLatin1(l.mid(1, l.size() - 2));
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
    if (lines.size() - 3 != count)
        return bad(QStringLiteral("the header promises %1 points but the file holds %2.")
                       .arg(count)
                       .arg(lines.size() - 3));

    std::vector<float> values(static_cast<size_t>(count));
    std::vector<bool> negative(static_cast<size_t>(count));
    QDateTime last;
    float highest = 0, lowest = 0;
    for (qint64 i = 0; i < count; ++i) {
        const QString line = QString::fromLatin1(lines[3 + i]);
        QDateTime time;
        float value = 0;
        QString display;
        if (!LogLine(line, time, value, display))
            return bad(QStringLiteral("line %1 is not a point line.").arg(4 + i));
        if (i == 0) {
            log.LogStart = time;
            highest = lowest = value;
        } else {
            highest = std::max(highest, value);
            lowest = std::min(lowest, value);
        }
        last = time;
        values[size_t(i)] = value;
        negative[size_t(i)] = line.endsWith(u'*');
        log.LogLines << display;
    }
    const double interval = double(log.LogStart.secsTo(last)) / double(count - 1);
    if (interval < 0 || interval > 32767)
        return bad(QStringLiteral("its times do not run forward at a steady interval."));
    log.LogInterval = qint16(roundEven(interval));
    log.LogPointCount = qint32(count);
    log.LogScale = highest / kFullScaleRaw;
    // An all-zero log loads as zeros; the graph says so.
    log.LogMaxRaw = highest > 0 ? qint16(kFullScaleRaw) : 0;
    log.LogMinRaw = highest > 0 ? qint16(roundEven(lowest / log.LogScale)) : 0;
    log.LogPoints.resize(size_t(count));
    for (size_t i = 0; i < size_t(count); ++i) {
        const qint16 raw = highest > 0 ? qint16(roundEven(values[i] / log.LogScale)) : 0;
        log.LogPoints[i] = negative[i] ? qint16(-raw) : raw;
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
