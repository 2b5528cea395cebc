#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Lines of the plain-text log files, laid out in print zones: an item added
// with zone() starts at the next zone column (zones are 14 characters wide,
// columns 1, 15, 29, ...; an item that ends on or past a zone boundary moves
// the next one to the zone after, so items never touch), an item added with
// append() follows directly. Every line ends with CR LF.
class LogRecord {
public:
    static constexpr int ZoneWidth = 14;

    // Starts the next line (the first line needs no call).
    LogRecord& line();
    LogRecord& append(const QString& text);
    LogRecord& zone(const QString& text);
    // Text that already holds whole lines ended by CR LF, written as it
    // stands and followed by the current line's own ending.
    LogRecord& raw(const QString& text) { return append(text); }

    // A number as the log writes numbers: a sign character (a blank or
    // "-"), the digits, and one trailing blank.
    static QString number(qint64 value);
    static QString number(double value);

    QByteArray bytes() const;
    int lineCount() const { return int(lines_.size()); }

private:
    QStringList lines_{QString()};
};
