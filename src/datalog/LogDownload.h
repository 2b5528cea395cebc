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

    // Why a download failed: the program's classic words first ("Error
    // Downloading Log", "Less than 2 points in log", "0 points received from
    // log from log section " n), then what happened in plain words ("Section
    // 18 of 125: the meter did not answer"). The datalog window shows the two
    // as two lines, corvane-cli as two lines on stderr.
    struct Failure {
        QString words;
        QString detail;

        QString text() const { return detail.isEmpty() ? words : words + u'\n' + detail; }
    };

    struct Outcome {
        bool ok = false;
        // The line closed or the program is closing: nothing is shown.
        bool closing = false;
        Failure failure;
        // What the user is told after a failure; empty on success and when closing.
        QString message() const { return ok || closing ? QString() : failure.text(); }
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

private:
    QByteArray readField();
    void send(const QByteArray& command);
    bool stopped() const;
    // Waits for a block of bytes for as long as the line's speed needs.
    QByteArray readBlock(int bytes);

    MeterLink& link_;
    Progress progress_;
};
