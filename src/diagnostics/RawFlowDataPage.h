#pragma once

#include "DiagnosticPage.h"

// Page 4, "Raw Flow Data": the meter's analysis figures of the selected and
// the supervisor range side by side, its parameters, and the supervisor
// output lines; each tick also feeds the supervisor log.
class RawFlowDataPage : public DiagnosticPage {
    Q_OBJECT
public:
    RawFlowDataPage(SignalDiagnostics& diagnostics, ServiceSwitches& switches,
                    QWidget* parent = nullptr);
    bool Refresh() override;
};
