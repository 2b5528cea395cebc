#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <optional>

// The header of one of the meter's datalog files, as its open command
// answers it: start date (MM/DD/YY), start time, flow unit, scale, interval
// and point count, one text line each. The directory scan and the download
// read its numbers with the same reader; the download also checks that the
// header describes a log that can be written and read back.
class LogHeader {
public:
    // The number a field starts with, as the classic Val() reads it: leading
    // blanks skipped, an optional sign, digits with one decimal point, and an
    // exponent ("1E-02", "2.5D+3"); whatever follows is ignored. 0 when the
    // text starts with no number; a value beyond a double's range is infinite.
    static double number(QByteArrayView text);

    // The header's six lines as the meter sent them.
    QByteArray date, time, units, scale, interval, count;

    float scaleValue() const { return float(number(scale)); }
    // The whole-number part of the interval, kept within a 16-bit value.
    qint16 intervalValue() const;
    // The count rounded to a 32-bit value.
    qint32 pointCount() const;

    // Time of the first point: "1/1/2000 " + the time of day, plus the
    // date's years, months and days (so year 00 is 2100 and 30 February runs
    // into March). Nothing when the date is not MM/DD/YY with a month from 1
    // to 12 and a day from 1 to 31, or the time is not H:MM:SS (optionally
    // with AM/PM).
    static std::optional<QDateTime> startTime(const QByteArray& date, const QByteArray& time);

    // Why a header with at least two points cannot be downloaded, in plain
    // words; empty when it can. The point count's own limits are the
    // download's to check.
    QString problem(const QString& logId) const;
};
