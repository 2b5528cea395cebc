// Prints how long saving a service report takes after a full session: an
// hour of live flow in the trend, the four signal pages visited, the datalog
// directory read. The session runs against the simulated meter on the
// virtual clock; the save is timed on the wall clock, from the menu command
// to the file in place (the serial number read included).
// Usage: report_bench [--screenshots DIR]   (run offscreen or under xvfb-run)
// With --screenshots it also saves DIR/flow-trend.png, the main window on the
// flow page after the hour (with a short silence of the meter in it), and
// DIR/service-report.pdf.
#include "MeterDatalogs.h"
#include "ProgramRig.h"
#include "datalog/frmPoly.h"
#include "monitor/FlowPage.h"
#include "monitor/FlowTrendView.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTabWidget>

#include <cstdio>

namespace {
// Polling ticks of one hour at 1500 ms.
constexpr int HourOfTicks = 2400;
// Saves timed, to see the spread.
constexpr int Saves = 5;
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ProgramRig rig;
    MeterDatalogs logs;
    logs.install(rig.model);
    rig.w.Form_Load();
    auto* tabs = rig.w.findChild<QTabWidget*>("SSTab1");
    for (int page = 1; page <= 4; ++page) {
        tabs->setCurrentIndex(page);
        rig.tick();
    }
    rig.w.datalogWindow().RetreveUnitLog();
    rig.w.datalogWindow().mnuQuit_Click();
    tabs->setCurrentIndex(0);
    for (int i = 0; i < HourOfTicks; ++i) {
        // Half a minute without replies, eight minutes before the end.
        rig.model.faults().silent = i >= HourOfTicks - 340 && i < HourOfTicks - 320;
        rig.tick();
        rig.waiter.pause(1500 - 1); // the rest of the polling interval
    }
    std::printf("trend: %d ticks held\n", rig.w.flowPage().trendView().trend().size());

    QTemporaryDir dir;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf("--screenshots");
    const QString shots = at > 0 && at + 1 < args.size() ? args[at + 1] : QString();
    const QString path =
        shots.isEmpty() ? dir.filePath("report.pdf") : shots + "/service-report.pdf";
    if (!shots.isEmpty()) {
        rig.w.resize(900, 720);
        rig.w.show();
        rig.w.flowPage().trendView().findChild<QCheckBox*>("chkTrendSignal")->setChecked(true);
        if (!rig.w.grab().save(shots + "/flow-trend.png"))
            return 1;
    }
    double worst = 0, total = 0;
    for (int k = 0; k < Saves; ++k) {
        QFile::remove(path);
        rig.prompts.typedTexts << "Transducers cleaned and re-coupled; flow steady afterwards.";
        rig.prompts.fileNames << path;
        QElapsedTimer t;
        t.start();
        rig.w.mnuSaveReport_Click();
        const double ms = t.nsecsElapsed() / 1e6;
        if (!rig.prompts.texts().last().startsWith("Report saved")) {
            std::fprintf(stderr, "report_bench: %s\n", qPrintable(rig.prompts.texts().last()));
            return 1;
        }
        worst = qMax(worst, ms);
        total += ms;
    }
    std::printf("save of a full session's report: %.0f ms on average, %.0f ms at worst "
                "(%d saves), %lld bytes\n",
                total / Saves, worst, Saves, QFileInfo(path).size());
    return 0;
}
