#include "FreqDomainPage.h"

#include "SignalDiagnostics.h"
#include "SignalPlots.h"

#include <QCheckBox>
#include <QPushButton>
#include <QVBoxLayout>

FreqDomainPage::FreqDomainPage(SignalDiagnostics& diagnostics, ServiceSwitches& switches,
                               QWidget* parent)
    : DiagnosticPage(diagnostics, switches, parent) {
    setObjectName("FreqDomainPage");
    const QList<QPair<QColor, QString>> keys{{SignalPlots::Blue, "Low frequency"},
                                             {SignalPlots::Red, "High frequency"}};
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        addPicture(2, "Selected Range Frequency Domain Data", keys, "Text3(2)", "Frequency P/P"),
        1);
    layout->addWidget(
        addPicture(3, "High Range Frequency Domain Data", keys, "Text3(3)", "Frequency P/P"), 1);
    auto* normalise = new QCheckBox("Normalize FFT Scaling", this);
    normalise->setObjectName("Check4");
    normalise->setChecked(diagnostics_.normaliseFft);
    connect(normalise, &QCheckBox::toggled, this,
            [this](bool on) { diagnostics_.normaliseFft = on; });
    layout->addWidget(normalise);
    layout->addWidget(transducerRow(addSaveButton("Command1")));
    showCurrent();
}

bool FreqDomainPage::Refresh() {
    markVisited();
    return diagnostics_.ComboDual(SignalCapture::Spectra);
}
