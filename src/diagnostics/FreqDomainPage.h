#pragma once

#include "DiagnosticPage.h"

// Page 2, "Freq. Domain": the spectra of both transducer frequencies for the
// selected and the supervisor range, optionally normalised for comparison.
class FreqDomainPage : public DiagnosticPage {
    Q_OBJECT
public:
    FreqDomainPage(SignalDiagnostics& diagnostics, ServiceSwitches& switches,
                   QWidget* parent = nullptr);
    bool Refresh() override;
};
