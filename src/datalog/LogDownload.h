#pragma once

#include "shared/DatalogRecord.h"

#include <QByteArray>
#include <QString>

#include <functional>

class MeterLink;

// Fetches one of the meter's datalog files into a fresh log: the directory
// listing (traced only), the header, the points in sections of at most 32
// with every section checked against the meter's byte sum, then the time base
// and the text lines. No widgets: the datalog window shows the progress and
// the outcome; the caller holds the line for the whole run.
class LogDownload {
public:
    // What the download reports while it runs.
    struct Progress {
        std::function<void(float)> setProg;                   // percent done
        std::function<void(const QString&)> setCancelCaption; // after an empty section reply
        std::function<bool()> cancelled;                      // the user pressed Cancel
        std::function<void(const QByteArray&)> trace;         // a line for the debug page
    };

    struct Outcome {
        bool ok = false;
        // The message for the user after a failure; empty when the program
        // is closing (nothing is shown then).
        QString message;
    };

    LogDownload(MeterLink& link, Progress progress);

    // Downloads file logId ("0".."9") of a meter whose model and firmware
    // texts the main window shows ("Velmar KR5", "V1.95"). On success log
    // is replaced by the new one; on failure log is left as it was.
    Outcome run(DatalogRecord& log, const QString& model, const QString& version,
                const QString& logId);

    // The section request: "RD," remaining "," bytes, or the older "RD,"
    // bytes of a KR5 below V1.9; bytes 0 writes no digits. Empty for a model
    // the program does not know.
    static QByteArray sectionRequest(const QString& model, const QString& version, qint32 remaining,
                                     int bytes);
    // The first section's start: "1/1/2000 " + time of day, plus the years,
    // months and days of an MM/DD/YY date, where year 00 is 2100.
    static QDateTime startTime(const QByteArray& date, const QByteArray& time);

private:
    QByteArray readField();
    void send(const QByteArray& command);
    bool stopped() const;
    // Waits for a block of bytes for as long as the line's speed needs.
    QByteArray readBlock(int bytes);

    MeterLink& link_;
    Progress progress_;
};
