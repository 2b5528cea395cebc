#pragma once

#include "monitor/MeterReads.h"
#include "shared/ConfigRecord.h"
#include "shared/DatalogRecord.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class MeterLink;
class FlowReading;

// What corvane-cli asks of a meter, over a link whose port is open: the
// identification and version reads, the three configuration reads, a flow
// read, and the datalog directory and download (through the same classes as
// the datalog window). Each call leaves error() saying what failed.
class CliSession {
public:
    explicit CliSession(MeterLink& link) : link_(link), reads_(link) {}

    // "VT,0" (model) then "VR,0" (firmware version and serial number).
    bool identify();
    QString model() const { return model_; }
    QString version() const { return version_; }
    QString serial() const { return serial_; }

    // "SC,0,", "CC,0," and "LR,0" into config.
    bool readConfig(ConfigRecord& config);
    // The configuration record's fields as name=value lines.
    static QStringList configLines(const ConfigRecord& config);

    // One "FD,0,"n read; the sequence number counts 1 to 32767 and wraps.
    std::optional<QByteArray> readFlow();

    // The point count of each datalog, file by file as they are known.
    bool readDirectory(const std::function<void(int, qint32)>& onFile);

    // Downloads datalog logId (after identify()). cancelled is asked between
    // points; progress gets the percent done.
    bool download(DatalogRecord& log, int logId, const std::function<bool()>& cancelled,
                  const std::function<void(float)>& progress);

    QString error() const { return error_; }
    MeterLink& link() { return link_; }

private:
    bool fail(const QString& why) {
        error_ = why;
        return false;
    }
    MeterLink& link_;
    // The main window's own reads: the same exchanges, to the byte.
    MeterReads reads_;
    QString model_, version_, serial_;
    QString error_;
};
