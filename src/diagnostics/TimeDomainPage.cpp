#include "TimeDomainPage.h"

#include "SignalDiagnostics.h"
#include "SignalPlots.h"

#include <QPushButton>
#include <QVBoxLayout>

TimeDomainPage::TimeDomainPage(SignalDiagnostics& diagnostics, ServiceSwitches& switches,
                               QWidget* parent)
    : DiagnosticPage(diagnostics, switches, parent) {
    setObjectName("TimeDomainPage");
    const QList<QPair<QColor, QString>> keys{{SignalPlots::Blue, "Low frequency"},
                                             {SignalPlots::Red, "High frequency"}};
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        addPicture(0, "Selected Range Time Domain Data", keys, "Text3(0)", "Time P/P"), 1);
    layout->addWidget(addPicture(1, "High Range Time Domain Data", keys, "Text3(1)", "Time P/P"),
                      1);
    layout->addWidget(transducerRow(addSaveButton("Command4")));
    showCurrent();
}

bool TimeDomainPage::Refresh() {
    markVisited();
    return diagnostics_.ComboDual(SignalCapture::TimeSamples);
}
