#include "CrossproductPage.h"

#include "SignalDiagnostics.h"
#include "SignalPlots.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CrossproductPage::CrossproductPage(SignalDiagnostics& diagnostics, ServiceSwitches& switches,
                                   QWidget* parent)
    : DiagnosticPage(diagnostics, switches, parent) {
    setObjectName("CrossproductPage");
    const QList<QPair<QColor, QString>> keys{{SignalPlots::Black, "Crossproduct"},
                                             {SignalPlots::Green, "Selected by the meter"}};
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        addPicture(5, "Selected Range Crossproduct", keys, "Text2(0)", "Correction Factor"), 1);
    layout->addWidget(
        addPicture(4, "High Range Crossproduct", keys, "Text2(1)", "Correction Factor"), 1);
    auto* row = new QHBoxLayout;
    auto* peaks = new QCheckBox("Show Peak Selection Analysis", this);
    peaks->setObjectName("Check1");
    peaks->setChecked(diagnostics_.showPeakSelection);
    connect(peaks, &QCheckBox::toggled, this,
            [this](bool on) { diagnostics_.showPeakSelection = on; });
    row->addWidget(peaks);
    row->addStretch(1);
    row->addWidget(addSaveButton("Command2"));
    layout->addLayout(row);
    showCurrent();
}

bool CrossproductPage::Refresh() {
    markVisited();
    return diagnostics_.DoAnalysis(AnalysisCapture::Crossproduct);
}
