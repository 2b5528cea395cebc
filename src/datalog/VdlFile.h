#pragma once

#include "shared/DatalogRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The datalog file (*.VDL): three header lines in double quotes, then one
// line per point (time, flow, running volume), every line ended by CR LF.
//
// Reading builds a fresh log and hands it over only when the whole file made
// sense, so a short or damaged file never disturbs the log in memory. Writing
// goes to a temporary file that replaces the old one only once it is whole.
class VdlFile {
public:
    // Point counts the reader takes: a log needs two points for its interval.
    static constexpr qint32 MinPoints = 2;

    // The file's bytes for log (which must be loaded, with a known unit letter).
    static QByteArray encode(const DatalogRecord& log);
    // Writes log to path; on failure error says why and the old file stays.
    static bool save(const DatalogRecord& log, const QString& path, QString* error);

    // The log a file's bytes hold, or nothing (and error says why). The
    // file's own times, flows, volumes and marks are kept as they are
    // (FilePoints), so a save or an export writes the same numbers; for the
    // graph the flows are rescaled so that the largest becomes 32767 raw counts.
    static std::optional<DatalogRecord> decode(const QByteArray& bytes, QString* error);
    static std::optional<DatalogRecord> load(const QString& path, QString* error);

    // Splits a point line at its tabs: the time of field 1, the number of
    // field 2 and the line as the listing shows it (each tab two spaces).
    // False when the line has fewer than two or more than three tabs or its
    // fields do not read.
    static bool LogLine(const QString& line, QDateTime& time, float& value, QString& shown);
};
