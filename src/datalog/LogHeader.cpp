#include "LogHeader.h"

#include "link/DisplayFormat.h"
#include "shared/DatalogRecord.h"

#include <QTime>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

// The largest raw count a point can carry.
constexpr double kFullScaleRaw = 32767;
// The largest interval a 16-bit field holds, seconds.
constexpr double kMaxInterval = 32767;
// Months in a year and the longest month: the bounds of an MM/DD/YY date.
constexpr int kMonths = 12;
constexpr int kLongestMonth = 31;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A 1- or 2-digit number of the date, or -1.
int datePart(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 2 || !isDigit(text[0]) ||
        (text.size() == 2 && !isDigit(text[1])))
        return -1;
    return text.size() == 1 ? text[0] - '0' : (text[0] - '0') * 10 + (text[1] - '0');
}

} // namespace

double LogHeader::number(QByteArrayView text) {
    qsizetype p = 0;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t'))
        ++p;
    std::string n;
    if (p < text.size() && (text[p] == '-' || text[p] == '+'))
        n += text[p++];
    bool digits = false, point = false;
    for (; p < text.size(); ++p) {
        if (isDigit(text[p]))
            n += text[p], digits = true;
        else if (text[p] == '.' && !point)
            n += '.', point = true;
        else
            break;
    }
    if (!digits)
        return 0;
    // An exponent counts only when digits follow its letter and sign.
    if (p < text.size() && (text[p] == 'E' || text[p] == 'e' || text[p] == 'D' || text[p] == 'd')) {
        qsizetype q = p + 1;
        std::string e = "e";
        if (q < text.size() && (text[q] == '-' || text[q] == '+'))
            e += text[q++];
        const qsizetype first = q;
        while (q < text.size() && isDigit(text[q]))
            e += text[q++];
        if (q > first)
            n += e;
    }
    return std::strtod(n.c_str(), nullptr);
}

qint16 LogHeader::intervalValue() const {
    const double v = std::trunc(number(interval));
    return qint16(std::clamp(v, -32768.0, kMaxInterval));
}

qint32 LogHeader::pointCount() const {
    return qint32(std::clamp(std::round(number(count)), -2147483648.0, 2147483647.0));
}

std::optional<QDateTime> LogHeader::startTime(const QByteArray& date, const QByteArray& time) {
    const QList<QByteArray> parts = date.trimmed().split('/');
    if (parts.size() != 3 || parts[2].size() != 2)
        return std::nullopt;
    const int month = datePart(parts[0]), day = datePart(parts[1]), year = datePart(parts[2]);
    if (month < 1 || month > kMonths || day < 1 || day > kLongestMonth || year < 0)
        return std::nullopt;
    const QString clock = QString::fromLatin1(time.trimmed());
    QTime t = QTime::fromString(clock, QStringLiteral("H:mm:ss"));
    if (!t.isValid())
        t = QTime::fromString(clock, QStringLiteral("h:mm:ss AP"));
    if (!t.isValid())
        return std::nullopt;
    const QDate d =
        QDate(2000, 1, 1).addYears(year == 0 ? 100 : year).addMonths(month - 1).addDays(day - 1);
    return QDateTime(d, t, Qt::UTC);
}

QString LogHeader::problem(const QString& logId) const {
    const QString file = QStringLiteral("Datalog %1 on the meter").arg(logId);
    const QString unitText = QString::fromLatin1(units);
    const qint32 perUnit = DatalogRecord::secondsPerUnit(unitText);
    if (perUnit == 0)
        return QStringLiteral("%1 gives its flow unit as \"%2\", whose last letter is not S, M, "
                              "H or D, so its volumes cannot be worked out.")
            .arg(file, unitText);
    const float s = scaleValue();
    if (!(s > 0) || !std::isfinite(s))
        return QStringLiteral("%1 gives its scale as \"%2\" flow units per count; a scale must be "
                              "a number above 0.")
            .arg(file, QString::fromLatin1(scale.trimmed()));
    const double step = std::trunc(number(interval));
    if (!(step >= 1) || step > kMaxInterval)
        return QStringLiteral("%1 gives its interval as \"%2\" seconds; an interval must be from "
                              "1 to %3 seconds.")
            .arg(file, QString::fromLatin1(interval.trimmed()))
            .arg(kMaxInterval);
    // The largest flow and the volume of a whole log at that flow must stay
    // finite as single-precision numbers, or the files would hold "Inf".
    const double largest = kFullScaleRaw * double(s);
    const double volume = largest * step / perUnit * std::max(pointCount(), 1);
    if (largest > std::numeric_limits<float>::max() || volume > std::numeric_limits<float>::max())
        return QStringLiteral("%1 gives its scale as %2 flow units per count, so large that its "
                              "flows or volumes would not fit a number the file can hold.")
            .arg(file, GeneralForm(s));
    if (!startTime(date, time))
        return QStringLiteral("%1 gives its start as \"%2 %3\", which is not a date MM/DD/YY and "
                              "a time of day, so the points would get no true times.")
            .arg(file, QString::fromLatin1(date.trimmed()), QString::fromLatin1(time.trimmed()));
    return {};
}
