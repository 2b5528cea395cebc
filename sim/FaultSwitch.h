#pragma once

#include "MeterFaults.h"

#include <QString>

// The text form of a fault switch, as corvane-sim takes it on its command
// line: a name, then colon-separated numbers where the fault takes them.
class FaultSwitch {
public:
    // Switches on the fault that text names, on top of those already on.
    // Returns false, with a reason in error, when text is not understood.
    static bool apply(const QString& text, MeterFaults& faults, QString* error = nullptr);

    // The syntax, for --help.
    static QString help();
};
