#pragma once

#include "MeterModel.h"
#include "ScriptedPrompts.h"
#include "SimSerialPort.h"
#include "diagnostics/CrossproductPage.h"
#include "diagnostics/FreqDomainPage.h"
#include "diagnostics/RawFlowDataPage.h"
#include "diagnostics/SignalDiagnostics.h"
#include "diagnostics/TimeDomainPage.h"
#include "link/MeterLink.h"
#include "VirtualWaiter.h"
#include "shared/ConfigRecord.h"
#include "shared/ServiceSwitches.h"
#include "shared/SignalArrays.h"

#include <QLineEdit>
#include <QPlainTextEdit>

// The four signal pages around one simulated meter on the virtual clock.
struct SignalRig {
    VirtualWaiter waiter;
    MeterModel model;
    SimSerialPort sim{model, waiter};
    ScriptedPrompts prompts;
    MeterLink link{sim, waiter, prompts};
    SignalArrays arrays;
    ConfigRecord config;
    ServiceSwitches switches;
    SignalDiagnostics diag{link, arrays, config};
    TimeDomainPage time{diag, switches};
    FreqDomainPage freq{diag, switches};
    CrossproductPage cross{diag, switches};
    RawFlowDataPage raw{diag, switches};
    qsizetype seen = 0;

    SignalRig() { sim.open(); }

    LivePage& page(int index) {
        LivePage* pages[] = {&time, &freq, &cross, &raw};
        return *pages[index - 1];
    }
    QWidget& widget(int index) {
        QWidget* pages[] = {&time, &freq, &cross, &raw};
        return *pages[index - 1];
    }
    // The bytes written to the meter since the last call.
    QByteArray sent() {
        const QByteArray fresh = sim.written().mid(seen);
        seen = sim.written().size();
        return fresh;
    }
    // The text of a box on whichever page holds it.
    QString text(const QString& name) {
        for (int i = 1; i <= 4; ++i) {
            if (auto* box = widget(i).findChild<QLineEdit*>(name))
                return box->text();
            if (auto* box = widget(i).findChild<QPlainTextEdit*>(name))
                return box->toPlainText();
        }
        return "(no such box)";
    }
    QString texts(std::initializer_list<const char*> names) {
        QStringList t;
        for (const char* name : names)
            t << text(name);
        return t.join('|');
    }
    // Replaces the meter's answer to "XR,n" with a block written out by the test.
    void answerXR(std::function<QByteArray(int)> blockFor) {
        model.addCommand({"XR,", 0, false, [blockFor](MeterModel&, const QByteArray& args, qint64) {
                              QByteArray header = "XR," + args + ",540,";
                              header.append(21 - header.size(), '\0');
                              return header + blockFor(args.toInt());
                          }});
    }
};
