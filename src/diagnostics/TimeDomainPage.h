#pragma once

#include "DiagnosticPage.h"

// Page 1, "Time Domain": the sampled echo of both transducer frequencies for
// the selected and the supervisor range.
class TimeDomainPage : public DiagnosticPage {
    Q_OBJECT
public:
    TimeDomainPage(SignalDiagnostics& diagnostics, ServiceSwitches& switches,
                   QWidget* parent = nullptr);
    bool Refresh() override;
};
