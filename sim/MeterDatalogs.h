#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <vector>

class MeterModel;

// The simulated meter's ten datalog files and the commands that reach them:
// "OD,DATALOG"d (open, header), "RD," (a section, both forms), "DC,0," and
// "DC,0" (checksum of the last section), "DL,0" (names of the files that hold
// a log), "DD," (delete one), "LG,1," and "LG,3" (logging off/on, restart).
//
// A section is served again by every repeated "RD" until its checksum is
// asked with "DC,0,", so a retry never shifts the data; the form that names
// the remaining count serves the section it names, even after its checksum.
// Lives beside the model: install() registers the commands, which refer to
// this object.
class MeterDatalogs {
public:
    struct Log {
        QByteArray date;  // MM/DD/YY, empty for a file without a log
        QByteArray time;  // HH:MM:SS
        QByteArray units; // flow-rate unit text, e.g. "GPM"
        QByteArray scale; // flow units per raw count, as the meter writes it
        int interval = 0; // seconds
        std::vector<qint16> points;
        bool empty() const { return date.isEmpty(); }
    };

    // Misbehaviour of the datalog commands; counters count down.
    struct Faults {
        int wrongChecksums = 0; // the next N checksum replies carry a wrong sum
        int silentSections = 0; // the next N "RD" requests get no answer at all
        int shortBlocks = 0;    // the next N sections lose their last byte
        int lateBlocks = 0;     // the next N sections' blocks come lateBlockMs after their line
        qint64 lateBlockMs = 1500;
        qint32 headerPoints = 0;     // when set, every header claims this many points
        bool badUnitLetter = false;  // headers give the unit with the letter "X" last
        bool loggingNeverOk = false; // "LG" commands are answered "NO"
    };

    // Files 0 (33 points), 1 (4000), 2 (100, some negative; the one being
    // written), the rest empty.
    MeterDatalogs();

    std::array<Log, 10> logs;
    Faults faults;
    // Every name "DD," deleted, in order.
    std::vector<QByteArray> deleted;

    void install(MeterModel& model);

    // "datalog-..." faults of corvane-sim; false (and error) when text is
    // not one of them.
    bool applyFault(const QString& text, QString* error);
    static QString faultHelp();

    // The bytes of a section as the meter sends them: sign-magnitude, low
    // byte first.
    static QByteArray encode(const std::vector<qint16>& points, size_t from, size_t count);
    static QByteArray fileName(int d) { return "DATALOG" + QByteArray::number(d); }

private:
    QByteArray open(const QByteArray& args);
    QByteArray section(MeterModel& model, const QByteArray& args);
    QByteArray checksum(bool advance);
    QByteArray list() const;
    QByteArray erase(const QByteArray& name);
    QByteArray logging(MeterModel& model, const QByteArray& args, bool restart);

    int open_ = -1;              // file opened by the last "OD"
    size_t position_ = 0;        // next point of the open file
    size_t served_ = 0;          // points of the section served and not yet acknowledged
    quint16 lastSum_ = 0;        // byte sum of the last section served
    bool sectionServed_ = false; // a section went out since the file was opened
};
