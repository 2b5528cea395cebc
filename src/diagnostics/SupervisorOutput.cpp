#include "SupervisorOutput.h"

namespace {
// One flag bit and its line.
struct FlagLine {
    int bit;
    const char* text;
};

void addFlags(QStringList& out, int flags, std::initializer_list<FlagLine> table) {
    for (const FlagLine& f : table)
        if (flags & f.bit)
            out << f.text;
}
} // namespace

QStringList SupervisorOutput::lines(int learnState, const Words& w, bool remoteZero,
                                    int diagnosticCode) {
    const int flags = quint16(word(w, 129));
    const QString n = QString::number(word(w, 130));
    const QString count = QString::number(word(w, 131));
    const QString points = QString::number(word(w, 132));
    QStringList out;

    switch (learnState) {
    case 0:
        out << "Waiting for range to set";
        break;
    case 1:
        out << "Learn Mode: Monitoring Signal..." + count;
        addFlags(out, flags, {{0x1, "Range set"}, {0x2, "Invalid Signal - Can't Learn"}});
        break;
    case 2:
        out << "Signal OK...";
        if (flags & 0x1)
            out << "Setting Range " + n;
        if (flags & 0x2)
            out << "Waiting for range to set";
        break;
    case 3:
        addFlags(out, flags,
                 {{0x1, "Range 4 is correct"}, {0x2, "Autoranging Disabled, Keeping Range 4"}});
        if (flags & 0x4)
            out << "Range " + n + " Locked";
        out << "Learn Mode";
        addFlags(out, flags,
                 {{0x8, "No Flow - Can't Learn"},
                  {0x10, "Warning - Low Sig Strength"},
                  {0x20, "Warning - Poor Sig Quality"}});
        if (flags & 0x40)
            out << "Learning..." + count;
        addFlags(out, flags, {{0x80, "Invalid Signal - Can't learn"}});
        break;
    case 4:
        if (word(w, 132) != 0)
            out << points + "Points";
        if (flags == 0)
            out << "Signal Valid";
        addFlags(out, flags,
                 {{0x1, "Learn Mode complete"},
                  {0x2, "Warning"},
                  {0x4, "Alarm"},
                  {0x8, "No Flow - Can't Learn"},
                  {0x10, "Warning - Low Sig Strength"},
                  {0x20, "Warning - Poor Sig Quality"},
                  {0x40, "Lost Signal, AutoRanging"},
                  {0x80, "Autoranging Disabled, Can't Autorange"},
                  {0x100, "Low Signal Cutoff, Flow is Zero"},
                  {0x200, "Signal Recovered"},
                  {0x400, "Very Poor Signal recovered"}});
        break;
    case 5:
        out << "Failed " + points;
        addFlags(out, flags, {{0x80, "Autoranging Disabled, Can't Autorange"}});
        break;
    default:
        break;
    }

    if (learnState > 3) {
        const auto set = [&](int k, const char* text) {
            if (word(w, k) != 0)
                out << text;
        };
        const auto clear = [&](int k, const char* text) {
            if (word(w, k) == 0)
                out << text;
        };
        set(151, "Logging Alarm");
        set(152, "Invalid Signal - Cyc");
        set(153, "Failed Signal Status - Cyc");
        set(154, "Poor Signal Quality - Cyc");
        set(160, "Zero Signal Cutoff - Cyc");
        clear(155, "Invalid Signal - Immed");
        clear(156, "Failed Signal Status - Immed");
        clear(157, "Poor Signal Quality - Immed");
        set(159, "Zero Signal Cutoff - Immed");
    }

    if (remoteZero)
        out << "Remote Zero Enabled";
    if (word(w, 161) != 0)
        out << "Low Flow Cutoff Override";
    if (word(w, 162) != 0)
        out << "Zero Signal Cutoff Override";
    if (word(w, 165) != 0)
        out << "Manual Range";
    if (word(w, 166) == 0)
        out << "High Pass Filter Disabled";

    if (diagnosticCode != 0)
        out << QString("Diagnostic Code %1:%1").arg(diagnosticCode);
    return out;
}
