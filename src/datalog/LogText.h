#pragma once

#include "link/DisplayFormat.h"
#include "shared/DatalogRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <cmath>
#include <optional>

// The text form of a datalog: its dates and times, header lines and point
// lines, shared by the download, the file and the listing so the three agree.
//
// Dates and times have one fixed form everywhere, M/d/yyyy h:mm:ss AP (for
// example "5/12/2006 10:30:00 AM"), whatever the system's locale says, so a
// file written on one machine reads on any other. Numbers are written in the
// program's general number form, always with ".".
class LogText {
public:
    // "5/12/2006 10:30:00 AM".
    static QString dateTime(const QDateTime& t);
    static void appendDateTime(QByteArray& out, const QDateTime& t);
    // The fixed form first, then the locale's short date and long time. The
    // result carries the wall-clock fields as UTC.
    static std::optional<QDateTime> readDateTime(const QString& text);
    // The fixed form alone, exactly (no surrounding blanks): a four-digit
    // year, or a two-digit one of older files through the century window.
    static std::optional<QDateTime> readFixedForm(QByteArrayView text);
    // The century of a two-digit year as older files meant it: 00-29 are
    // 2000-2029, 30-99 are 1930-1999.
    static int windowedYear(int twoDigitYear);

    // The three header lines.
    static QString startedLine(const QString& logId, const QDateTime& start);
    static QString pointsLine(qint32 points, qint16 interval);
    static QString rangeLine(float lowest, float highest, const QString& units);

    // Walks the points of log in order, with each point's time, flow
    // (|raw| x scale, single precision) and the running volume up to and
    // including it (summed in double precision). The log's unit letter must
    // be a known one (secondsPerUnit > 0).
    struct Point {
        qint32 index; // 1-based
        QDateTime time;
        float flow;
        double volume;
        bool negative;
    };
    template <typename Fn> static void forEachPoint(const DatalogRecord& log, Fn&& fn) {
        const double perUnit = DatalogRecord::secondsPerUnit(log.LogUnits);
        double total = 0;
        for (qint32 i = 1; i <= log.LogPointCount; ++i) {
            const qint16 raw = log.LogPoints[size_t(i - 1)];
            const float flow = float(qAbs(int(raw))) * log.LogScale;
            total += double(flow) * log.LogInterval / perUnit;
            fn(Point{i, log.pointTime(i), flow, total, raw < 0});
        }
    }

    // A point as files and exports write it: flow and volume in the general
    // number form (volume empty when a loaded file's did not read).
    struct Written {
        QDateTime time;
        QString flow;
        QString volume;
        bool negative;
    };
    // Walks the points as they are written: a loaded file's own values, or
    // those of forEachPoint as single-precision numbers.
    template <typename Fn> static void forEachWritten(const DatalogRecord& log, Fn&& fn) {
        if (!log.FilePoints.empty()) {
            for (const DatalogRecord::FilePoint& p : log.FilePoints)
                fn(Written{p.time, GeneralForm(p.flow),
                           std::isnan(p.volume) ? QString() : GeneralForm(p.volume), p.reverse});
            return;
        }
        forEachPoint(log, [&](const Point& p) {
            fn(Written{p.time, GeneralForm(p.flow), GeneralForm(float(p.volume)), p.negative});
        });
    }

    // The listing's line of a point: time, four spaces, flow, four spaces,
    // volume, and "  ****" for a negative point.
    static QString listingLine(const Written& p);
    // The file's line of a point: the three fields separated by space, tab,
    // space; "****" straight after the volume for a negative point.
    static void appendFileLine(QByteArray& out, const Written& p);

    // Builds the header and point lines of a downloaded log; minimum and
    // maximum are the smallest and largest absolute raw values.
    static void buildLines(DatalogRecord& log, qint16 minimum, qint16 maximum);
};
