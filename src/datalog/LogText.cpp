#include "LogText.h"

#include <QLocale>

namespace {

// Two-digit years below this belong to the 2000s, the rest to the 1900s.
constexpr int kCenturyPivot = 30;

// Reads an unsigned decimal number of 1 to maxDigits digits at pos.
bool readNumber(QByteArrayView s, qsizetype& pos, int maxDigits, int& value) {
    value = 0;
    int digits = 0;
    while (pos < s.size() && digits < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
        value = value * 10 + (s[pos] - '0');
        ++pos, ++digits;
    }
    return digits > 0;
}

bool expect(QByteArrayView s, qsizetype& pos, char c) {
    if (pos >= s.size() || s[pos] != c)
        return false;
    ++pos;
    return true;
}

// Appends v in decimal, at least minDigits digits.
void appendNumber(QByteArray& out, int v, int minDigits = 1) {
    char buf[12];
    int n = 0;
    do {
        buf[n++] = char('0' + v % 10);
        v /= 10;
    } while (v > 0 || n < minDigits);
    while (n > 0)
        out += buf[--n];
}

} // namespace

std::optional<QDateTime> LogText::readFixedForm(QByteArrayView s) {
    qsizetype p = 0;
    int month, day, year, hour, minute, second;
    if (!readNumber(s, p, 2, month) || !expect(s, p, '/') || !readNumber(s, p, 2, day) ||
        !expect(s, p, '/'))
        return std::nullopt;
    const qsizetype yearFrom = p;
    if (!readNumber(s, p, 4, year))
        return std::nullopt;
    if (p - yearFrom == 2)
        year = windowedYear(year);
    else if (p - yearFrom != 4)
        return std::nullopt;
    if (!expect(s, p, ' ') || !readNumber(s, p, 2, hour) || !expect(s, p, ':') ||
        !readNumber(s, p, 2, minute) || !expect(s, p, ':') || !readNumber(s, p, 2, second) ||
        !expect(s, p, ' '))
        return std::nullopt;
    if (s.size() - p != 2 || (s[p + 1] != 'M' && s[p + 1] != 'm'))
        return std::nullopt;
    const char a = s[p];
    const bool pm = a == 'P' || a == 'p';
    if ((!pm && a != 'A' && a != 'a') || hour < 1 || hour > 12)
        return std::nullopt;
    hour = hour % 12 + (pm ? 12 : 0);
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

void LogText::appendDateTime(QByteArray& out, const QDateTime& t) {
    const QDate d = t.date();
    const QTime tm = t.time();
    appendNumber(out, d.month());
    out += '/';
    appendNumber(out, d.day());
    out += '/';
    appendNumber(out, d.year());
    out += ' ';
    appendNumber(out, tm.hour() % 12 == 0 ? 12 : tm.hour() % 12);
    out += ':';
    appendNumber(out, tm.minute(), 2);
    out += ':';
    appendNumber(out, tm.second(), 2);
    out += tm.hour() < 12 ? " AM" : " PM";
}

QString LogText::dateTime(const QDateTime& t) {
    QByteArray out;
    appendDateTime(out, t);
    return QString::fromLatin1(out);
}

std::optional<QDateTime> LogText::readDateTime(const QString& text) {
    const QString s = text.trimmed();
    if (auto fixed = readFixedForm(s.toLatin1()))
        return fixed;
    const QLocale locale;
    const QString localeForm =
        locale.dateFormat(QLocale::ShortFormat) + u' ' + locale.timeFormat(QLocale::LongFormat);
    const QDateTime t = locale.toDateTime(s, localeForm);
    if (!t.isValid())
        return std::nullopt;
    QDate d = t.date();
    // A two-digit year of the locale's form reads as 19xx: the window decides.
    if (!localeForm.contains(QStringLiteral("yyyy")) && localeForm.contains(QStringLiteral("yy")))
        d = QDate(windowedYear(d.year() % 100), d.month(), d.day());
    return QDateTime(d, t.time(), Qt::UTC);
}

int LogText::windowedYear(int twoDigitYear) {
    return twoDigitYear < kCenturyPivot ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

QString LogText::startedLine(const QString& logId, const QDateTime& start) {
    return QStringLiteral("File ") + logId + QStringLiteral(" Started ") + dateTime(start);
}

QString LogText::pointsLine(qint32 points, qint16 interval) {
    return QString::number(points) + QStringLiteral(" Flow points at ") +
           QString::number(interval) + QStringLiteral(" second intervals");
}

QString LogText::rangeLine(float lowest, float highest, const QString& units) {
    return QStringLiteral("Values range from ") + GeneralForm(lowest) + QStringLiteral(" to ") +
           GeneralForm(highest) + u' ' + units;
}

QString LogText::listingLine(const Written& p) {
    QByteArray line;
    line.reserve(64);
    appendDateTime(line, p.time);
    line += "    " + p.flow.toLatin1() + "    " + p.volume.toLatin1();
    if (p.negative)
        line += "  ****";
    return QString::fromLatin1(line);
}

void LogText::appendFileLine(QByteArray& out, const Written& p) {
    appendDateTime(out, p.time);
    out += " \t ";
    out += p.flow.toLatin1();
    out += " \t ";
    out += p.volume.toLatin1();
    if (p.negative)
        out += "****";
}

void LogText::buildLines(DatalogRecord& log, qint16 minimum, qint16 maximum) {
    log.LogLines.clear();
    log.LogLines.reserve(log.LogPointCount + 3);
    log.LogLines << startedLine(log.CurrentLogId, log.LogStart)
                 << pointsLine(log.LogPointCount, log.LogInterval)
                 << rangeLine(float(minimum) * log.LogScale, float(maximum) * log.LogScale,
                              log.LogUnits);
    forEachWritten(log, [&](const Written& p) { log.LogLines << listingLine(p); });
}
