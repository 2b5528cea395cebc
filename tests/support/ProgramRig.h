// The program's parts around one simulated meter on the virtual clock:
// LinkRig is the link and its line owner, ProgramRig adds the main window
// with a settings file of its own.
#pragma once

#include "VirtualWaiter.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "monitor/frmKVT7210.h"
#include "ui/PromptGate.h"

#include "MeterModel.h"
#include "ScriptedPrompts.h"
#include "SimSerialPort.h"

#include <QTemporaryDir>

inline const QByteArray Flush = "\x1b\r";

struct LinkRig {
    MeterModel model;
    VirtualWaiter waiter;
    SimSerialPort port{model, waiter};
    ScriptedPrompts prompts;
    PromptGate gate{prompts};
    MeterLink link{port, waiter, gate};
    LineOwner owner{link, gate};
};

struct ProgramRig : LinkRig {
    SimSerialPort& sim = port;
    QTemporaryDir dir;
    PortSettingsStore store{dir.filePath("corvane.ini")};
    frmKVT7210 w{link, owner, store};
    // Port dialogs opened by the program; tests may drive them instead.
    int propertiesRuns = 0;
    qsizetype seen = 0;

    ProgramRig() {
        w.runPropertiesDialog = [this](frmProperties&) { ++propertiesRuns; };
    }
    // The bytes written since the last call.
    QByteArray sent() {
        const QByteArray fresh = sim.written().mid(seen);
        seen = sim.written().size();
        return fresh;
    }
    void tick() { w.polling().Launch(); }
};
