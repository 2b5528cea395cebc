#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

struct SignalArrays;

// The records of the two log files, byte for byte. dateLine is the first
// line of each record; boxes are the texts of the signal pages by name.
class DiagnosticRecords {
public:
    // "Save to Log" of the "Freq. Domain" page: 130 lines.
    static QByteArray frequency(const QString& dateLine, const SignalArrays& a);
    // ... of the "Crossproduct" page: 130 lines.
    static QByteArray crossproduct(const QString& dateLine, const SignalArrays& a);
    // ... of the "Time Domain" page: 258 lines.
    static QByteArray time(const QString& dateLine, const SignalArrays& a);
    // ... of the "Raw Flow Data" page: the date and the 14-line parameter
    // record. rangeScale 0 (no analysis shown yet) writes the range blank.
    static QByteArray parameters(const QString& dateLine, const QHash<QString, QString>& boxes,
                                 int rangeScale);
    // One record of the supervisor log.
    static QByteArray supervisor(const QString& dateLine, const QHash<QString, QString>& boxes);
};
