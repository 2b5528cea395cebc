#include "frmKVT7210.h"

#include "FlowPage.h"
#include "FlowPageReport.h"
#include "MasterEraseCommand.h"
#include "MeterReads.h"
#include "frmFindMeter.h"
#include "frmPleaseWait.h"

#include "MeterSettingsCommand.h"
#include "about/frmAbout.h"
#include "datalog/frmPoly.h"
#include "datalog/frmProgress.h"
#include "diagnostics/CrossproductPage.h"
#include "diagnostics/DiagnosticLogs.h"
#include "diagnostics/DiagnosticPage.h"
#include "diagnostics/FreqDomainPage.h"
#include "diagnostics/RawFlowDataPage.h"
#include "diagnostics/SignalDiagnostics.h"
#include "diagnostics/TimeDomainPage.h"
#include "link/ConnectionState.h"
#include "link/DisplayFormat.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "link/SerialPort.h"
#include "link/Waiter.h"
#include "link/frmProperties.h"
#include "report/ServiceReportCommand.h"
#include "report/ServiceReportSaver.h"
#include "setup/frmBSetup.h"
#include "ui/LivePage.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

constexpr const char* AppTitle = "Corvane";
constexpr const char* DemoText = "No ComLink Established - Demo Only";

// The pages of SSTab1, by index.
enum Page { FlowTab = 0 };

QLabel* headerLabel(const char* name, const QString& longest, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont f = label->font();
    f.setPointSizeF(f.pointSizeF() * 1.2);
    f.setBold(true);
    label->setFont(f);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(longest) + 4);
    return label;
}

} // namespace

frmKVT7210::frmKVT7210(MeterLink& link, LineOwner& owner, PortSettingsStore& store, QWidget* parent)
    : QMainWindow(parent), link_(link), owner_(owner), store_(store),
      flowPage_(new FlowPage(link, config_, flags_)),
      polling_(link, owner, flags_, config_, *flowPage_, this) {
    setObjectName("frmKVT7210");
    connect(&link_.port(), &SerialPort::failed, this, &frmKVT7210::portFailed);
    connect(&polling_, &PollingCycle::liveTick, this, &frmKVT7210::liveTick);
    connect(&polling_, &PollingCycle::recordRead, this, &frmKVT7210::recordRead);
    ConnectionState& connection = link_.connection();
    connect(&polling_, &PollingCycle::versionRead, &connection, &ConnectionState::setVersion);
    connect(&connection, &ConnectionState::changed, this, &frmKVT7210::connectionChanged);
    connect(&connection, &ConnectionState::meterFound, this, &frmKVT7210::startLiveMonitor);
    connect(&polling_, &PollingCycle::pageRefreshed, this, [this](LivePage* page) {
        freshPages_.insert(page);
        showStaleness();
    });
    polling_.shownPage = [this] { return dynamic_cast<LivePage*>(SSTab1_->currentWidget()); };
    polling_.openSetup = [this] { openSetup(); };
    polling_.refreshSetup = [this] {
        if (setup_)
            setup_->DoBSetup();
    };

    runFindMeterDialog = [](frmFindMeter& dialog) { dialog.exec(); };
    runPropertiesDialog = [](frmProperties& dialog) {
        dialog.Form_Load();
        dialog.exec();
    };
    endProgram = [] { QCoreApplication::exit(0); };

    diagnostics_ = new SignalDiagnostics(link_, signalArrays_, config_, this);
    logs_ = new DiagnosticLogs(link_.prompts(), *diagnostics_,
                               {[this](const QString& title) { WriteCaption(title); }}, this);

    // The datalog window lives for the whole run, hidden until asked for.
    frmPoly::Host polyHost{[this] { return link_.connection().modelText(); },
                           [this] { return link_.connection().version(); },
                           [this] { return Timer1().isActive(); },
                           [this](bool on) { on ? polling_.startPolling() : Timer1().stop(); },
                           [this](QWidget* over) { showAbout(over); }};
    frmPoly_ = new frmPoly(link_, owner_, flags_, config_, datalog_, polyHost, this);
    connect(&polling_, &PollingCycle::sysConfigRead, this,
            [this] { frmPoly_->setCurrentLogFile(config_.SysConfig.CurrentDatalogNumber); });

    ServiceReportCommand::Sources sources;
    sources.madeMs = [this] { return flowPage_->trendTime(); };
    sources.config = [this] { return flags_.ConfigPending ? nullptr : &config_; };
    sources.live = [this] { return FlowPageReport::figures(*flowPage_); };
    sources.trend = [this] { return FlowPageReport::trend(*flowPage_); };
    sources.signalPages = [this] {
        QList<SignalPageSnapshot> pages;
        for (int i = 0; i < SSTab1_->count(); ++i)
            if (const auto* page = qobject_cast<DiagnosticPage*>(SSTab1_->widget(i));
                page && page->visited())
                pages.append(ServiceReportSaver::snapshot(*page, SSTab1_->tabText(i)));
        return pages;
    };
    sources.directory = [this]() -> const DatalogDirectory* {
        const DatalogDirectory& directory = frmPoly_->directory();
        const bool read = std::any_of(std::begin(directory.files), std::end(directory.files),
                                      [](const DatalogDirectory::File& f) { return f.read; });
        return read ? &directory : nullptr;
    };
    report_ = std::make_unique<ServiceReportCommand>(link_, owner_, store_, std::move(sources));
    MeterSettingsCommand::Host settingsHost;
    settingsHost.window = [this] { return static_cast<QWidget*>(this); };
    settingsHost.pauseLivePages = [this] { pauseLivePages(); };
    settingsHost.reread = [this] {
        // The polling cycle reads the three records again; an open setup
        // dialog shows the meter's values from them.
        flags_.NeedSysConfig = flags_.NeedSSConfig = flags_.NeedLrnData = true;
        if (setup_ && flags_.SetupOpen)
            setup_->PipeSetup();
    };
    settingsHost.savedBy = QStringLiteral("Corvane %1.%2.%3")
                               .arg(CORVANE_VERSION_MAJOR)
                               .arg(CORVANE_VERSION_MINOR)
                               .arg(CORVANE_VERSION_PATCH);
    settings_ = std::make_unique<MeterSettingsCommand>(link_, owner_, std::move(settingsHost));

    buildMenus();
    connect(logs_, &DiagnosticLogs::logsChanged, this, &frmKVT7210::updateLogMenus);
    connect(&switches_, &ServiceSwitches::fieldDiagnosticsChanged, this,
            &frmKVT7210::updateLogMenus);
    updateLogMenus();
    // While a long operation runs, nothing may start another one.
    connect(&owner_, &LineOwner::exclusiveChanged, this, [this](bool running) {
        mnuMasterErase_->setEnabled(!running && !masterErase_->erasing());
        mnuProperties_->setEnabled(!running);
    });

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* header = new QHBoxLayout;
    header->addWidget(new QLabel("Unit:", central));
    Label23_ = headerLabel("Label23", "Velmar KR5", central);
    header->addWidget(Label23_);
    header->addSpacing(24);
    header->addWidget(new QLabel("Firmware:", central));
    Label22_ = headerLabel("Label22", "V00.00", central);
    header->addWidget(Label22_);
    header->addStretch(1);
    layout->addLayout(header);

    SSTab1_ = new QTabWidget(central);
    SSTab1_->setObjectName("SSTab1");
    SSTab1_->addTab(flowPage_, "Flow");
    auto* timePage = new TimeDomainPage(*diagnostics_, switches_);
    timePage->onSaveToLog = [this] { logs_->Command4_Click(); };
    SSTab1_->addTab(timePage, "Time Domain");
    auto* freqPage = new FreqDomainPage(*diagnostics_, switches_);
    freqPage->onSaveToLog = [this] { logs_->Command1_Click(); };
    SSTab1_->addTab(freqPage, "Freq. Domain");
    auto* crossPage = new CrossproductPage(*diagnostics_, switches_);
    crossPage->onSaveToLog = [this] { logs_->Command2_Click(); };
    SSTab1_->addTab(crossPage, "Crossproduct");
    auto* rawPage = new RawFlowDataPage(*diagnostics_, switches_);
    rawPage->onSaveToLog = [this] { logs_->Command3_Click(); };
    SSTab1_->addTab(rawPage, "Raw Flow Data");
    layout->addWidget(SSTab1_, 1);
    setCentralWidget(central);
    StatusText_ = new QLabel(this);
    StatusText_->setObjectName("StatusText");
    statusBar()->addWidget(StatusText_, 1);
    // Nothing has answered yet: the design-time values are not the meter's.
    connectionChanged();
    resize(820, 540);
}

frmKVT7210::~frmKVT7210() {
    Timer1().stop();
    if (pleaseWait_)
        delete pleaseWait_.data();
}

void frmKVT7210::buildMenus() {
    auto addItem = [](QMenu* menu, const char* name, const char* caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        return action;
    };

    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    connect(addItem(file, "mnuOpenLog", "&OpenDbgLog"), &QAction::triggered, logs_,
            &DiagnosticLogs::mnuOpenLog_Click);
    connect(addItem(file, "mnuCloseLog", "&CloseDbgLog"), &QAction::triggered, logs_,
            &DiagnosticLogs::mnuCloseLog_Click);
    connect(addItem(file, "mnuOpenSupvLog", "Open&SupervisorLog"), &QAction::triggered, logs_,
            &DiagnosticLogs::mnuOpenSupvLog_Click);
    connect(addItem(file, "mnuCloseSupvLog", "CloseS&upervisorLog"), &QAction::triggered, logs_,
            &DiagnosticLogs::mnuCloseSupvLog_Click);
    connect(addItem(file, "mnuSaveReport", "Save Service &Report..."), &QAction::triggered, this,
            &frmKVT7210::mnuSaveReport_Click);
    connect(addItem(file, "mnuSaveSettings", "Save Meter &Settings..."), &QAction::triggered, this,
            [this] { settings_->save(this); });
    connect(addItem(file, "mnuCompareSettings", "Co&mpare with File..."), &QAction::triggered, this,
            [this] { settings_->compare(this); });
    connect(addItem(file, "mnuRestoreSettings", "Res&tore from File..."), &QAction::triggered, this,
            [this] { settings_->restore(this); });
    connect(addItem(file, "mnuAbout", "&About"), &QAction::triggered, this,
            &frmKVT7210::mnuAbout_Click);
    connect(addItem(file, "mnuExit", "&Exit"), &QAction::triggered, this,
            &frmKVT7210::mnuExit_Click);

    QMenu* setup = menuBar()->addMenu("&Setup");
    setup->setObjectName("cmdUnitSetup");
    connect(addItem(setup, "mnusetup", "&Unit Setup"), &QAction::triggered, this,
            &frmKVT7210::mnusetup_Click);
    connect(addItem(setup, "mnuRetlog", "&RetreveUnitLog"), &QAction::triggered, this, [this] {
        pauseLivePages();
        frmPoly_->RetreveUnitLog();
    });

    QMenu* comm = menuBar()->addMenu("&Comm");
    comm->setObjectName("mnuComm");
    mnuProperties_ = addItem(comm, "mnuProperties", "&Properties...");
    connect(mnuProperties_, &QAction::triggered, this, &frmKVT7210::mnuProperties_Click);
    mnuEstablishComm_ = addItem(comm, "mnuEstablishComm", "&Establish Comm");
    connect(mnuEstablishComm_, &QAction::triggered, this, &frmKVT7210::mnuEstablishComm_Click);
    connect(addItem(comm, "mnuFindMeter", "&Find Meter..."), &QAction::triggered, this,
            &frmKVT7210::mnuFindMeter_Click);
    mnuMasterErase_ = addItem(comm, "mnuMasterErase", "&Master Erase");
    MasterEraseCommand::Host erase;
    erase.reloadSetup = [this] {
        if (setup_ && flags_.SetupOpen)
            setup_->PipeSetup();
    };
    erase.showPleaseWait = [this] { showPleaseWait(); };
    erase.establish = [this] { return EstablishCommunication(); };
    erase.showFlowPage = [this] { SSTab1_->setCurrentIndex(FlowTab); };
    erase.offerPortDialog = [this] {
        link_.prompts().message(link_.connection().failureText("Communications Failed"));
        openProperties();
        // The dialog may have connected, as at start-up.
        if (!link_.connection().connected())
            enterDemoState();
    };
    masterErase_ =
        new MasterEraseCommand(link_, owner_, polling_, *mnuMasterErase_, std::move(erase), this);
}

void frmKVT7210::setHourglass(bool on) {
    hourglass_ = on;
    if (on)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void frmKVT7210::centreOnScreen() {
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.left() + (area.width() - width()) / 2,
             area.top() + (area.height() - height()) / 2);
    }
}

void frmKVT7210::showPleaseWait() {
    if (!pleaseWait_) {
        pleaseWait_ = new frmPleaseWait(link_.connection(), this);
        pleaseWait_->setAttribute(Qt::WA_DeleteOnClose);
    }
    pleaseWait_->Form_Load();
    pleaseWait_->show();
}

void frmKVT7210::unloadPleaseWait() {
    if (pleaseWait_)
        pleaseWait_->close();
}

void frmKVT7210::enterDemoState() {
    if (pleaseWait_)
        pleaseWait_->hide();
    flowPage_->setInitText(DemoText);
    flowPage_->showInitText(true);
}

void frmKVT7210::startLiveMonitor() {
    if (owner_.isShutDown())
        return;
    // What the pages show is an earlier connection's until they read again.
    freshPages_.clear();
    showStaleness();
    polling_.startPolling();
    flags_.NeedSysConfig = flags_.NeedSSConfig = flags_.NeedLrnData = true;
    flags_.NeedFlowData = true;
    flowPage_->showStartupText();
    // The please-wait window goes with the live page's first tick; while the
    // datalog window or the setup dialog has the meter there is none.
    if (flags_.LiveMonitorActive)
        showPleaseWait();
}

void frmKVT7210::connectionChanged() {
    const ConnectionState& connection = link_.connection();
    if (connection.meterIdentified())
        Label23_->setText(connection.modelText());
    else if (!Label23_->text().isEmpty())
        Label23_->setText("No Connect");
    Label22_->setText(connection.version());
    showStaleness();
    StatusText_->setText(connection.silenceText());
}

void frmKVT7210::pauseLivePages() {
    // The live pages are not read while another window has the meter: their
    // values are old until the next reading.
    freshPages_.clear();
    showStaleness();
}

void frmKVT7210::showStaleness() {
    const bool answering = link_.connection().answering();
    for (int i = 0; i < SSTab1_->count(); ++i)
        if (auto* page = dynamic_cast<LivePage*>(SSTab1_->widget(i)))
            page->setStale(!answering || !freshPages_.contains(page));
}

void frmKVT7210::Form_Load() {
    if (owner_.isShutDown())
        return;
    flags_.LiveMonitorActive = true;
    flags_.NeedFlowData = true;
    frmProgress::CancelRequested = false;

    WriteCaption("");
    centreOnScreen();

    SerialPort& port = link_.port();
    if (!port.setSettings(store_.startupSettingsText()) ||
        !port.setPortNumber(store_.startupPortNumber()) || !port.setHandshaking(0)) {
        link_.prompts().message(port.errorString(), Prompts::Icon::Exclamation);
        // Nothing is initializing any more: say so rather than "please wait".
        flowPage_->setInitText(DemoText);
        show();
        return;
    }

    show();
    showPleaseWait();
    // A meter that answers starts the live monitor through the connection
    // state, whichever way it was reached.
    if (identify()) {
        reopenLastPage();
        return;
    }
    if (owner_.isShutDown())
        return;
    link_.prompts().message(link_.connection().failureText("Communications Failed"));
    openProperties();
    if (!link_.connection().connected())
        enterDemoState();
    reopenLastPage();
}

void frmKVT7210::reopenLastPage() {
    if (!owner_.isShutDown())
        SSTab1_->setCurrentIndex(store_.storedPage(SSTab1_->count()));
}

bool frmKVT7210::identify() {
    LineOwner::Hold hold(owner_);
    return EstablishCommunication();
}

bool frmKVT7210::EstablishCommunication() {
    if (owner_.isShutDown())
        return false;
    ConnectionState& connection = link_.connection();
    SerialPort& port = link_.port();
    const int type = port.isOpen() || port.open() ? MeterReads(link_).identify() : 0;
    if (type == 0) {
        Label23_->setText("No Connect");
        connection.notIdentified();
        return false;
    }
    // The three configuration reads are asked for by startLiveMonitor, which
    // the meterFound signal of connection.identified() runs.
    flags_.ConfigPending = flags_.NeedVersion = true;
    // A new connection: what went wrong on the last one may be told again.
    lossReported_ = false;
    polling_.resetReports();
    link_.resetNotices();
    setHourglass(true);
    connection.identified(type);
    return true;
}

void frmKVT7210::WriteCaption(const QString& suffix) {
    setWindowTitle(QString("%1 v%2.%3%4%5")
                       .arg(AppTitle)
                       .arg(CORVANE_VERSION_MAJOR)
                       .arg(CORVANE_VERSION_MINOR)
                       .arg(CORVANE_VERSION_PATCH)
                       .arg(suffix));
}

void frmKVT7210::liveTick() {
    if (hourglass_) {
        setHourglass(false);
        flowPage_->showInitText(false);
        unloadPleaseWait();
    } else {
        flowPage_->setInitText(DemoText);
    }
}

void frmKVT7210::recordRead(PollingCycle::Record record) {
    if (!pleaseWait_)
        return;
    switch (record) {
    case PollingCycle::Record::System:
        pleaseWait_->gotsysconfig()->setChecked(true);
        break;
    case PollingCycle::Record::Channel:
        pleaseWait_->gotchanconfig()->setChecked(true);
        break;
    case PollingCycle::Record::Learn:
        pleaseWait_->gotlearndata()->setChecked(true);
        break;
    }
}

void frmKVT7210::mnuEstablishComm_Click() {
    owner_.runWhenIdle(
        this,
        [this] {
            mnuEstablishComm_->setEnabled(false);
            if (EstablishCommunication()) {
                link_.prompts().message("Communications Established");
            } else {
                link_.prompts().message(
                    link_.connection().failureText("Failed to Establish Communications"));
                mnuEstablishComm_->setEnabled(true);
            }
        },
        LineOwner::Needs::Nothing);
}

void frmKVT7210::mnuExit_Click() {
    // The same way out as the window's close button: a relay test or a
    // forced current is ended first.
    close();
}

void frmKVT7210::mnuAbout_Click() {
    showAbout(this);
}

void frmKVT7210::showAbout(QWidget* over) {
    owner_.openWhenIdle(this, [this, over = QPointer<QWidget>(over)] {
        QWidget* window = over ? over.data() : this;
        const Prompts::ParentScope parent(link_.prompts(), window);
        frmAbout about(switches_, link_.prompts(), window);
        about.exec();
    });
}

void frmKVT7210::updateLogMenus() {
    const DiagnosticLogs::MenuState state = logs_->menuState(switches_.fieldDiagnostics());
    for (auto [name, on] : {std::pair{"mnuOpenLog", state.mnuOpenLog},
                            {"mnuCloseLog", state.mnuCloseLog},
                            {"mnuOpenSupvLog", state.mnuOpenSupvLog},
                            {"mnuCloseSupvLog", state.mnuCloseSupvLog}})
        findChild<QAction*>(name)->setEnabled(on);
}

void frmKVT7210::mnuFindMeter_Click() {
    owner_.openWhenIdle(this, [this] {
        auto polling = std::make_shared<bool>(false);
        frmFindMeter::Host host;
        host.pausePolling = [this, polling] {
            *polling = Timer1().isActive();
            Timer1().stop();
            pauseLivePages();
        };
        host.resumePolling = [this, polling] {
            if (*polling)
                polling_.startPolling();
        };
        host.establish = [this] { return EstablishCommunication(); };
        frmFindMeter dialog(link_, owner_, store_, makeSearchPort, host, this);
        runFindMeterDialog(dialog);
    });
}

void frmKVT7210::mnuProperties_Click() {
    // Opened with no exchange suspended beneath it, so that its OK can talk
    // to the meter while it is open.
    owner_.openWhenIdle(this, [this] { openProperties(); });
}

frmBSetup& frmKVT7210::ensureSetup(bool online) {
    // Without a meter a dialog filled in an earlier connection is made again,
    // with its design-time contents.
    if (setup_ && (!online || setupOffline_)) {
        delete setup_;
        setup_ = nullptr;
    }
    if (!setup_) {
        setupOffline_ = !online;
        if (!online)
            offlineConfig_ = ConfigRecord{};
        frmBSetup::Host host;
        host.GetLrnData = [this] { polling_.GetLrnData(); };
        host.GetSSConfig = [this] { polling_.GetSSConfig(); };
        host.pleaseWaitVisible = [this] { return pleaseWait_ && pleaseWait_->isVisible(); };
        host.unloadPleaseWait = [this] { unloadPleaseWait(); };
        host.resumePolling = [this] { polling_.startPolling(); };
        host.GetSysConfig = [this] { polling_.GetSysConfig(); };
        host.switches = &switches_;
        setup_ =
            new frmBSetup(link_, owner_, flags_, online ? config_ : offlineConfig_, host, this);
    }
    return *setup_;
}

void frmKVT7210::mnusetup_Click() {
    owner_.openWhenIdle(this, [this] {
        if (flags_.SetupOpen || owner_.isShutDown()) {
            if (setup_)
                setup_->raise();
            return;
        }
        if (!link_.connection().connected()) {
            if (setup_ && setup_->isVisible())
                setup_->raise();
            else
                ensureSetup(false).Open();
            return;
        }
        flags_.LiveMonitorActive = false;
        flags_.NeedFlowData = false;
        setupRequested_ = true;
        showPleaseWait();
        for (QCheckBox* box : {pleaseWait_->gotsysconfig(), pleaseWait_->gotchanconfig(),
                               pleaseWait_->gotlearndata()})
            box->hide();
    });
}

void frmKVT7210::openSetup() {
    // Polling has suspended the live page; the dialog opens when asked for,
    // and not while the datalog window has the meter.
    if (!setupRequested_ || frmPoly_->isVisible())
        return;
    setupRequested_ = false;
    flags_.SetupOpen = true;
    pauseLivePages();
    ensureSetup(true).Open();
}

void frmKVT7210::openProperties() {
    if (properties_ || owner_.isShutDown())
        return;
    frmProperties::Host host;
    host.EstablishCommunication = [this] { return EstablishCommunication(); };
    frmProperties dialog(link_, owner_, store_, host, this);
    properties_ = &dialog;
    runPropertiesDialog(dialog);
}

void frmKVT7210::closeEvent(QCloseEvent* event) {
    // The one exception to writing nothing at exit: a relay test or a forced
    // current is ended first, one bounded exchange each.
    if (setup_)
        setup_->releaseMeterOnExit();
    // Then nothing more reaches the meter or the screen, and every wait
    // under way ends at once.
    owner_.shutDown();
    Timer1().stop();
    store_.storePage(SSTab1_->currentIndex());
    logs_->closeAll();
    if (properties_)
        properties_->done(QDialog::Rejected);
    if (setup_)
        setup_->hide();
    frmPoly_->hide();
    if (pleaseWait_)
        pleaseWait_->hide();
    event->accept();
    endProgram();
}

void frmKVT7210::portFailed(const QString& description) {
    // The connection state has marked the loss itself; the live page shows
    // the demonstration state at once.
    setHourglass(false);
    enterDemoState();
    mnuEstablishComm_->setEnabled(true);
    if (lossReported_ || owner_.isShutDown())
        return;
    lossReported_ = true;
    link_.prompts().message(QString("The connection to the meter was lost. %1\n\n"
                                    "The port has been closed. When the meter is back, choose "
                                    "Comm > Establish Comm to reconnect.")
                                .arg(description),
                            Prompts::Icon::Exclamation);
}

void frmKVT7210::mnuSaveReport_Click() {
    report_->run(this);
}
