#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>

class Prompts;

// One log file opened for appending. Every record is flushed as it is
// written, so what the engineer sees on the page is on the disk even if the
// program is ended hard. A record that cannot be written (disk full, file
// removed, medium gone) is told to the user once, in plain words, and closes
// the log: no record is ever half-kept in silence.
class LogFile {
public:
    // what: how the user knows this log ("communications log").
    LogFile(Prompts& prompts, QString what);

    bool isOpen() const { return file_.isOpen(); }
    QString fileName() const { return file_.fileName(); }

    // Opens path for appending (creating it). On failure returns false with
    // the reason in error and stays closed.
    bool open(const QString& path, QString* error);
    void close();

    // Appends record and flushes it; false (after telling the user and
    // closing) when that failed, or when the log is not open.
    bool write(const QByteArray& record);

    // Called when a write failure closed the log.
    std::function<void()> onFailureClosed;

private:
    Prompts& prompts_;
    QString what_;
    QFile file_;
};
