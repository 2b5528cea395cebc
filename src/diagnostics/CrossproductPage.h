#pragma once

#include "DiagnosticPage.h"

// Page 3, "Crossproduct": the meter's crossproduct of both ranges, with its
// peak-selection marks when "Show Peak Selection Analysis" is ticked.
class CrossproductPage : public DiagnosticPage {
    Q_OBJECT
public:
    CrossproductPage(SignalDiagnostics& diagnostics, ServiceSwitches& switches,
                     QWidget* parent = nullptr);
    bool Refresh() override;
};
