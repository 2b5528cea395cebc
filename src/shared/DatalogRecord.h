#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

// The datalog in memory: what the last download or file load produced. One
// instance lives for the whole run; the graph and the listing read it, the
// file writer saves it. A failed download or load never leaves a half log
// here: it is replaced only by a whole one (or emptied by clear()).
struct DatalogRecord {
    // Largest log the program holds, points.
    static constexpr qint32 MaxPoints = 100000;
    // Scroll positions per page of the listing run up to this many lines.
    static constexpr qint32 LinesPerPage = 32767;

    // Number of the meter's datalog file chosen for download, "0" to "9".
    QString CurrentLogId = QStringLiteral("0");
    // Points in the log; 0 means no log is loaded.
    qint32 LogPointCount = 0;
    // Raw points in arrival order (sign-magnitude decoded); LogPointCount long.
    std::vector<qint16> LogPoints;
    // The text form: three header lines, then one line per point.
    QStringList LogLines;
    // Time of point 1, wall-clock fields kept as UTC so that arithmetic never
    // meets a daylight-saving change.
    QDateTime LogStart;
    qint16 LogInterval = 0; // seconds between points
    float LogScale = 0;     // flow units per raw count
    QString LogUnits;       // flow-rate unit text; its last letter is the time base
    qint16 LogMaxRaw = 0;   // largest absolute raw value
    qint16 LogMinRaw = 0;   // smallest raw value (set by the file reader)
    qint16 PageFactor = 1;  // scroll-bar positions to lines

    // A point as a file gave it: its own time, flow and running volume (NaN
    // when the volume field does not read) and its reverse-flow mark.
    struct FilePoint {
        QDateTime time;
        double flow = 0;
        double volume = 0;
        bool reverse = false;
    };
    // A log loaded from a file keeps its points as the file gave them, so
    // saving or exporting it again changes no number; LogPoints then holds
    // them rescaled for the graph. Empty for a downloaded log.
    std::vector<FilePoint> FilePoints;

    bool loaded() const { return LogPointCount > 0; }
    void clear() {
        const QString id = CurrentLogId;
        *this = DatalogRecord();
        CurrentLogId = id;
    }

    // Seconds per time unit of a flow-rate unit text, from its last letter:
    // S 1, M 60, H 3600, D 86400; 0 for any other letter.
    static qint32 secondsPerUnit(const QString& units) {
        if (units.isEmpty())
            return 0;
        switch (units.back().unicode()) {
        case 'S':
            return 1;
        case 'M':
            return 60;
        case 'H':
            return 3600;
        case 'D':
            return 86400;
        default:
            return 0;
        }
    }
    static qint16 pageFactorFor(qint32 points) { return qint16((points + 3) / LinesPerPage + 1); }

    // Time of point i (1-based).
    QDateTime pointTime(qint32 i) const { return LogStart.addSecs(qint64(i - 1) * LogInterval); }
};

// What the directory scan learnt of the meter's ten datalog files. Kept apart
// from the log in memory, so a scan never mixes another file's header with
// the stored points.
struct DatalogDirectory {
    static constexpr int FileCount = 10;
    // File numbers above this mean the meter is not logging.
    static constexpr int LastLogFile = 254;
    // The meter's current log file as the windows and the report show it.
    static QString currentLogText(int currentLogFile) {
        return currentLogFile > LastLogFile ? QStringLiteral("Off - None")
                                            : QString::number(currentLogFile);
    }
    struct File {
        bool read = false;  // the scan got an answer for this file
        bool empty = false; // the file holds no log
        QString date, time, units;
        float scale = 0;
        qint16 interval = 0;
        qint32 points = 0;
    };
    File files[FileCount];
};
