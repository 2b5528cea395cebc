#include "LogText.h"

#include "link/DisplayFormat.h"

#include <QLocale>

namespace {

// Reads an unsigned decimal number of 1 to maxDigits digits at pos.
bool readNumber(const QString& s, qsizetype& pos, int maxDigits, int& value) {
    value = 0;
    int digits = 0;
    while (pos < s.size() && digits < maxDigits && s[pos].isDigit()) {
        value = value * 10 + s[pos].digitValue();
        ++pos, ++digits;
    }
    return digits > 0;
}

bool expect(const QString& s, qsizetype& pos, QChar c) {
    if (pos >= s.size() || s[pos] != c)
        return false;
    ++pos;
    return true;
}

// The fixed form, read by hand: a hundred thousand lines load in a blink.
std::optional<QDateTime> readFixedForm(const QString& s) {
    qsizetype p = 0;
    int month, day, year, hour, minute, second;
    if (!readNumber(s, p, 2, month) || !expect(s, p, '/') || !readNumber(s, p, 2, day) ||
        !expect(s, p, '/') || !readNumber(s, p, 4, year) || !expect(s, p, ' ') ||
        !readNumber(s, p, 2, hour) || !expect(s, p, ':') || !readNumber(s, p, 2, minute) ||
        !expect(s, p, ':') || !readNumber(s, p, 2, second) || !expect(s, p, ' '))
        return std::nullopt;
    const QString ap = s.mid(p).toUpper();
    if ((ap != "AM" && ap != "PM") || hour < 1 || hour > 12)
        return std::nullopt;
    hour = hour % 12 + (ap == "PM" ? 12 : 0);
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QString twoDigits(int v) {
    return QString::number(v).rightJustified(2, u'0');
}

} // namespace

QString LogText::dateTime(const QDateTime& t) {
    const QDate d = t.date();
    const QTime tm = t.time();
    const int h12 = tm.hour() % 12 == 0 ? 12 : tm.hour() % 12;
    return QString::number(d.month()) + u'/' + QString::number(d.day()) + u'/' +
           QString::number(d.year()) + u' ' + QString::number(h12) + u':' + twoDigits(tm.minute()) +
           u':' + twoDigits(tm.second()) +
           (tm.hour() < 12 ? QStringLiteral(" AM") : QStringLiteral(" PM"));
}

std::optional<QDateTime> LogText::readDateTime(const QString& text) {
    const QString s = text.trimmed();
    if (auto fixed = readFixedForm(s))
        return fixed;
    const QLocale locale;
    const QString localeForm =
        locale.dateFormat(QLocale::ShortFormat) + u' ' + locale.timeFormat(QLocale::LongFormat);
    const QDateTime t = locale.toDateTime(s, localeForm);
    if (!t.isValid())
        return std::nullopt;
    return QDateTime(t.date(), t.time(), Qt::UTC);
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

QString LogText::listingLine(const Point& p) {
    static const QString gap = QStringLiteral("    ");
    QString line =
        dateTime(p.time) + gap + GeneralForm(p.flow) + gap + GeneralForm(float(p.volume));
    if (p.negative)
        line += QStringLiteral("  ****");
    return line;
}

QString LogText::fileLine(const Point& p) {
    static const QString sep = QStringLiteral(" \t ");
    QString line =
        dateTime(p.time) + sep + GeneralForm(p.flow) + sep + GeneralForm(float(p.volume));
    if (p.negative)
        line += QStringLiteral("****");
    return line;
}

void LogText::buildLines(DatalogRecord& log, qint16 minimum, qint16 maximum) {
    log.LogLines.clear();
    log.LogLines.reserve(log.LogPointCount + 3);
    log.LogLines << startedLine(log.CurrentLogId, log.LogStart)
                 << pointsLine(log.LogPointCount, log.LogInterval)
                 << rangeLine(float(minimum) * log.LogScale, float(maximum) * log.LogScale,
                              log.LogUnits);
    forEachPoint(log, [&](const Point& p) { log.LogLines << listingLine(p); });
}
