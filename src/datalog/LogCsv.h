#pragma once

#include "shared/DatalogRecord.h"

#include <QByteArray>
#include <QString>

class Prompts;

// The log as CSV for spreadsheets and scripts (RFC 4180): a header line that
// names each column and the log's unit, then one line per point with the time
// in ISO 8601, the flow, the running volume and a reverse-flow mark (0/1).
// Numbers always use "."; lines end with CR LF; a field holding a comma, a
// quote or a line break is quoted. A log loaded from a file is written with
// the file's own numbers and marks; a volume the file did not give in a
// readable form is left empty.
class LogCsv {
public:
    // The file's bytes for log (loaded, with a known unit letter).
    static QByteArray encode(const DatalogRecord& log);
    // Writes log to path atomically; on failure error says why and an old
    // file of that name stays as it was.
    static bool save(const DatalogRecord& log, const QString& path, QString* error);
    // Asks for a file name and writes the log there, telling the user the outcome.
    static void exportLog(const DatalogRecord& log, Prompts& prompts);

    // "2006-05-12T10:30:00".
    static QByteArray isoTime(const QDateTime& t);
    // One field as RFC 4180 writes it.
    static QByteArray field(const QString& text);
};
