#include "RawFlowDataPage.h"

#include "SignalDiagnostics.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

RawFlowDataPage::RawFlowDataPage(SignalDiagnostics& diagnostics, ServiceSwitches& switches,
                                 QWidget* parent)
    : DiagnosticPage(diagnostics, switches, parent) {
    setObjectName("RawFlowDataPage");
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top, 1);

    // The figures the meter computes per range: selected range on the left,
    // supervisor (high) range on the right.
    auto* ranges = new QGroupBox("Analysis Results", this);
    auto* grid = new QGridLayout(ranges);
    grid->setVerticalSpacing(4);
    grid->addWidget(new QLabel("<b>Selected Range</b>", ranges), 0, 1, Qt::AlignRight);
    grid->addWidget(new QLabel("<b>High Range</b>", ranges), 0, 2, Qt::AlignRight);
    struct Row {
        const char* caption;
        const char* selected;
        const char* supervisor;
    };
    const Row rows[] = {
        {"Range Index (0 to 128)", "Text6(3)", "Text6(18)"},
        {"Doppler Frequency (based on LF)", "Text6(0)", "Text6(15)"},
        {"Flow rate", "Text6(17)", "Text6(2)"},
        {"Fluid Velocity (ft/sec)", "Text6(16)", "Text6(1)"},
        {"Signal Quality Factor", "Text6(20)", "Text6(19)"},
        {"Supervisor Signal Quality Factor", "Text6(26)", "Text6(25)"},
        {"Time Domain P/P Value", "Text6(9)", "Text6(7)"},
        {"Freq Domain Correction Factor", "Text6(13)", "Text6(11)"},
    };
    int r = 1;
    for (const Row& row : rows) {
        addBox(grid, r, 0, row.selected, row.caption, 11);
        addBox(grid, r, 1, row.supervisor, QString(), 11);
        ++r;
    }
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(r, 1);
    top->addWidget(ranges, 3);

    // The meter's status lines, and the button that logs the whole page.
    auto* output = new QGroupBox("Supervisor Output", this);
    auto* outputLayout = new QVBoxLayout(output);
    auto* text7 = new QPlainTextEdit(output);
    text7->setObjectName("Text7");
    text7->setReadOnly(true);
    text7->setLineWrapMode(QPlainTextEdit::NoWrap);
    outputLayout->addWidget(text7, 1);
    auto* save = new QHBoxLayout;
    save->addStretch(1);
    save->addWidget(addSaveButton("Command3"));
    outputLayout->addLayout(save);
    top->addWidget(output, 2);

    // The meter's settings and the figures that hold for both ranges.
    auto* settings = new QGroupBox("Parameters", this);
    auto* pgrid = new QGridLayout(settings);
    pgrid->setVerticalSpacing(4);
    addBox(pgrid, 0, 0, "Text15", "Flow Units", 8);
    addBox(pgrid, 1, 0, "Text5", "Pipe Inside Diameter (in)", 8);
    addBox(pgrid, 2, 0, "Text14", "Velocity Range", 8);
    addBox(pgrid, 0, 2, "Text11(1)", "Velocity Scale Factor", 8);
    addBox(pgrid, 1, 2, "Text11(0)", "Low Flow Cutoff (ft/sec)", 8);
    addBox(pgrid, 2, 2, "Text12", "Signal Strength", 8);
    addBox(pgrid, 0, 4, "Text1", "Gain", 8);
    addBox(pgrid, 1, 4, "Text9", "Output Power", 8);
    addBox(pgrid, 2, 4, "Text10", "Relative Signal Strength", 8);
    for (int c : {0, 2, 4})
        pgrid->setColumnStretch(c, 1);
    layout->addWidget(settings);
    showCurrent();
}

bool RawFlowDataPage::Refresh() {
    return diagnostics_.DoAnalysis(AnalysisCapture::RawFlowData);
}
