#include "frmKVT7210.h"

#include "ConfigDecoder.h"
#include "FlowReading.h"
#include "frmPleaseWait.h"

#include "datalog/frmProgress.h"
#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "link/SerialPort.h"
#include "link/Waiter.h"
#include "link/frmProperties.h"
#include "shared/UnitTables.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include <QScopeGuard>

#include <exception>
#include <limits>

namespace {

constexpr const char* AppTitle = "Corvane";
constexpr const char* DemoText = "No ComLink Established - Demo Only";
constexpr const char* StartupText = "Initializing Data  please Wait.";

// Identification attempts before the meter counts as absent.
constexpr int IdentifyAttempts = 3;
// Bad version replies tolerated before the user is told (four writes in all).
constexpr int VersionRetries = 3;
// Yields between the steps of a read, so clicks and repaints are served.
constexpr int ReadYields = 3;
// Yields after a configuration record arrived, before it is decoded.
constexpr int SysConfigYields = 4;
// The master erase's progress bar counts to 100; each step pauses so long that
// the bar spans the time the meter needs for the erase (about five seconds).
constexpr int MasterEraseSteps = 100;
constexpr qint64 MasterErasePauseMs = 50;
// Longest wait for an exchange under way to end before a menu command talks
// to the meter: the polling cycle frees a stuck link after ten ticks of
// 1500 ms; this allows one tick more.
constexpr qint64 FreeLinkWaitMs = 11 * 1500;

// The flow page's pages, by index of SSTab1.
enum Page { FlowPage = 0, TimeDomainPage, FreqDomainPage, CrossproductPage, RawFlowPage };

QByteArray command(const char* text) {
    return QByteArray(text) + MeterLink::CommandTerminator;
}

// The 1-based position of the first comma at or after position from, or 0.
int commaFrom(const QByteArray& text, int from) {
    return int(text.indexOf(',', qMax(from, 1) - 1)) + 1;
}

// Keeps a label wide enough for the longest text it will show, so the page
// does not shift or clip as values and units change.
void reserveWidth(QLabel* label, const QString& longest) {
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(longest) + 4);
}

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent, double scale = 1.0,
                  bool bold = false) {
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    if (scale != 1.0 || bold) {
        QFont f = label->font();
        f.setPointSizeF(f.pointSizeF() * scale);
        f.setBold(bold);
        label->setFont(f);
    }
    return label;
}

} // namespace

frmKVT7210::frmKVT7210(MeterLink& link, PortSettingsStore& store, QWidget* parent)
    : QMainWindow(parent), link_(link), store_(store) {
    setObjectName("frmKVT7210");
    Timer1_.setObjectName("Timer1");
    Timer1_.setInterval(PollIntervalMs);
    connect(&Timer1_, &QTimer::timeout, this, &frmKVT7210::Timer1_Timer);
    connect(&link_.port(), &SerialPort::failed, this, &frmKVT7210::portFailed);

    runPropertiesDialog = [](frmProperties& dialog) {
        dialog.Form_Load();
        dialog.exec();
    };
    endProgram = [] { QCoreApplication::exit(0); };

    buildMenus();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* header = new QHBoxLayout;
    header->addWidget(makeLabel({}, "Unit:", central));
    Label23_ = makeLabel("Label23", "", central, 1.2, true);
    reserveWidth(Label23_, "Velmar KR5");
    header->addWidget(Label23_);
    header->addSpacing(24);
    header->addWidget(makeLabel({}, "Firmware:", central));
    Label22_ = makeLabel("Label22", "", central, 1.2, true);
    reserveWidth(Label22_, "V00.00");
    header->addWidget(Label22_);
    header->addStretch(1);
    layout->addLayout(header);

    SSTab1_ = new QTabWidget(central);
    SSTab1_->setObjectName("SSTab1");
    SSTab1_->addTab(buildFlowPage(), "Flow");
    for (const char* title : {"Time Domain", "Freq. Domain", "Crossproduct", "Raw Flow Data"}) {
        auto* page = new QWidget(SSTab1_);
        auto* pageLayout = new QVBoxLayout(page);
        auto* note = new QLabel("This page is not available in this version.", page);
        note->setAlignment(Qt::AlignCenter);
        note->setEnabled(false);
        pageLayout->addWidget(note);
        SSTab1_->addTab(page, title);
    }
    layout->addWidget(SSTab1_, 1);
    setCentralWidget(central);
    resize(820, 540);
}

frmKVT7210::~frmKVT7210() {
    Timer1_.stop();
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
    for (auto [name, caption] : {std::pair{"mnuOpenLog", "&OpenDbgLog"},
                                 {"mnuCloseLog", "&CloseDbgLog"},
                                 {"mnuOpenSupvLog", "Open&SupervisorLog"},
                                 {"mnuCloseSupvLog", "CloseS&upervisorLog"}})
        addItem(file, name, caption)->setEnabled(false);
    addItem(file, "mnuAbout", "&About")->setEnabled(false);
    connect(addItem(file, "mnuExit", "&Exit"), &QAction::triggered, this,
            &frmKVT7210::mnuExit_Click);

    QMenu* setup = menuBar()->addMenu("&Setup");
    setup->setObjectName("cmdUnitSetup");
    addItem(setup, "mnusetup", "&Unit Setup")->setEnabled(false);
    addItem(setup, "mnuRetlog", "&RetreveUnitLog")->setEnabled(false);

    QMenu* comm = menuBar()->addMenu("&Comm");
    comm->setObjectName("mnuComm");
    connect(addItem(comm, "mnuProperties", "&Properties..."), &QAction::triggered, this,
            &frmKVT7210::mnuProperties_Click);
    mnuEstablishComm_ = addItem(comm, "mnuEstablishComm", "&Establish Comm");
    connect(mnuEstablishComm_, &QAction::triggered, this, &frmKVT7210::mnuEstablishComm_Click);
    connect(addItem(comm, "mnuMasterErase", "&Master Erase"), &QAction::triggered, this,
            &frmKVT7210::mnuMasterErase_Click);
}

QWidget* frmKVT7210::buildFlowPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(10);

    InitText_ = makeLabel("InitText", StartupText, page, 1.4, true);
    InitText_->setAlignment(Qt::AlignCenter);
    InitText_->setFrameShape(QFrame::StyledPanel);
    InitText_->setAutoFillBackground(true);
    InitText_->setMargin(6);
    layout->addWidget(InitText_);

    // Flow rate: the figure read from across the room.
    auto* flowBox = new QGroupBox("Flow Rate", page);
    auto* flowRow = new QHBoxLayout(flowBox);
    FlowValText_ = makeLabel("FlowValText", "0.00", flowBox, 3.0, true);
    FlowValText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    reserveWidth(FlowValText_, "-0000000.00");
    FlowRateEEval_ = makeLabel("FlowRateEEval", "FT3/Sec", flowBox, 1.8);
    reserveWidth(FlowRateEEval_, "Ft3/Day");
    FlowRateEEval_->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    flowRow->addStretch(1);
    flowRow->addWidget(FlowValText_);
    flowRow->addSpacing(12);
    flowRow->addWidget(FlowRateEEval_, 0, Qt::AlignBottom);
    flowRow->addStretch(1);
    layout->addWidget(flowBox);

    // Velocity, signal strength and quality: each value with its unit.
    auto* readings = new QGroupBox(page);
    auto* grid = new QGridLayout(readings);
    grid->setHorizontalSpacing(12);
    auto addReading = [&](int column, const QString& caption, QLabel* value, QLabel* unit) {
        grid->addWidget(makeLabel({}, caption, readings), 0, column * 2, 1, 2, Qt::AlignHCenter);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(value, 1, column * 2);
        if (unit)
            grid->addWidget(unit, 1, column * 2 + 1, Qt::AlignLeft | Qt::AlignVCenter);
    };
    velvaltext_ = makeLabel("velvaltext", "0.00", readings, 1.8, true);
    Velratetext_ = makeLabel("Velratetext", "ft/sec", readings, 1.2);
    reserveWidth(Velratetext_, "Ft/Sec");
    SSvaltext_ = makeLabel("SSvaltext", "0.0", readings, 1.8, true);
    SQvaltext_ = makeLabel("SQvaltext", "0.0", readings, 1.8, true);
    addReading(0, "Velocity", velvaltext_, Velratetext_);
    addReading(1, "Signal Strength", SSvaltext_, makeLabel({}, "%", readings, 1.2));
    addReading(2, "Signal Quality", SQvaltext_, nullptr);
    for (int c = 0; c < 6; ++c)
        grid->setColumnStretch(c, c % 2 == 0 ? 2 : 1);
    layout->addWidget(readings);

    // Totalizer and the meter's clock side by side.
    auto* lower = new QHBoxLayout;
    auto* totBox = new QGroupBox("Totalizer", page);
    auto* totRow = new QHBoxLayout(totBox);
    TotValtext_ = makeLabel("TotValtext", "0", totBox, 1.6, true);
    TotValtext_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TotXtext_ = makeLabel("TotXtext", "", totBox, 1.2);
    reserveWidth(TotXtext_, "  X10000");
    TotEEunit_ = makeLabel("TotEEunit", "", totBox, 1.2);
    reserveWidth(TotEEunit_, "MGal");
    totRow->addStretch(1);
    totRow->addWidget(TotValtext_);
    totRow->addSpacing(8);
    totRow->addWidget(TotXtext_);
    totRow->addWidget(TotEEunit_);
    totRow->addStretch(1);
    lower->addWidget(totBox, 3);

    auto* clockBox = new QGroupBox("Meter Clock", page);
    auto* clockGrid = new QGridLayout(clockBox);
    NormDispTime_ = makeLabel("NormDispTime", "", clockBox, 1.3, true);
    reserveWidth(NormDispTime_, "00:00:00 PM");
    NormDispDate_ = makeLabel("NormDispDate", "", clockBox, 1.3, true);
    reserveWidth(NormDispDate_, "00/00/0000");
    clockGrid->addWidget(makeLabel({}, "TIME:", clockBox), 0, 0);
    clockGrid->addWidget(NormDispTime_, 0, 1);
    clockGrid->addWidget(makeLabel({}, "DATE:", clockBox), 1, 0);
    clockGrid->addWidget(NormDispDate_, 1, 1);
    clockGrid->setColumnStretch(1, 1);
    lower->addWidget(clockBox, 2);
    layout->addLayout(lower);

    // Learn/range status and the indicators. The status box keeps its place
    // when hidden, so the indicators never move.
    auto* statusRow = new QHBoxLayout;
    ErrMessBox_ = new QPlainTextEdit(page);
    ErrMessBox_->setObjectName("ErrMessBox");
    ErrMessBox_->setReadOnly(true);
    const int lineHeight = ErrMessBox_->fontMetrics().lineSpacing();
    ErrMessBox_->setMinimumHeight(lineHeight * 4);
    ErrMessBox_->setMaximumHeight(lineHeight * 10);
    QSizePolicy keepPlace = ErrMessBox_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    ErrMessBox_->setSizePolicy(keepPlace);
    ErrMessBox_->hide();
    statusRow->addWidget(ErrMessBox_, 1);
    auto* indicators = new QVBoxLayout;
    auto makeIndicator = [&](const char* name, const char* text) {
        QLabel* label = makeLabel(name, text, page, 1.1, true);
        label->setFrameShape(QFrame::StyledPanel);
        label->setAlignment(Qt::AlignCenter);
        label->setMargin(4);
        reserveWidth(label, "Remote Zero Applied  ");
        QSizePolicy fixed = label->sizePolicy();
        fixed.setRetainSizeWhenHidden(true);
        fixed.setHorizontalPolicy(QSizePolicy::Fixed);
        label->setSizePolicy(fixed);
        label->hide();
        indicators->addWidget(label);
        return label;
    };
    TxtLogging_ = makeIndicator("TxtLogging", "Not Logging");
    TxtXQmode_ = makeIndicator("TxtXQmode", "7210XQ Mode");
    TxtRemoteZero_ = makeIndicator("TxtRemoteZero", "Remote Zero Applied");
    indicators->addStretch(1);
    statusRow->addLayout(indicators);
    layout->addLayout(statusRow);
    layout->addStretch(1);
    return page;
}

bool frmKVT7210::showsHourglass() const {
    return hourglass_;
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
        pleaseWait_ = new frmPleaseWait(flags_, this);
        pleaseWait_->setAttribute(Qt::WA_DeleteOnClose);
    }
    pleaseWait_->Form_Load();
    pleaseWait_->show();
}

void frmKVT7210::unloadPleaseWait() {
    if (pleaseWait_)
        pleaseWait_->close();
}

void frmKVT7210::startPolling() {
    Timer1_.start();
}

void frmKVT7210::enterDemoState() {
    if (pleaseWait_)
        pleaseWait_->hide();
    InitText_->setText(DemoText);
    InitText_->show();
}

void frmKVT7210::Form_Load() {
    LinkState& state = link_.state();
    flags_.LiveMonitorActive = true;
    flags_.NeedFlowData = true;
    state.CommBusy = true;
    frmProgress::CancelRequested = false;

    WriteCaption("");
    centreOnScreen();

    SerialPort& port = link_.port();
    if (!port.setSettings(store_.startupSettingsText()) ||
        !port.setPortNumber(store_.startupPortNumber()) || !port.setHandshaking(0)) {
        link_.prompts().message(port.errorString(), Prompts::Icon::Exclamation);
        state.CommBusy = false;
        // Nothing is initializing any more: say so rather than "please wait".
        InitText_->setText(DemoText);
        show();
        return;
    }

    show();
    showPleaseWait();

    if (EstablishCommunication()) {
        flags_.LinkEstablished = true;
        startPolling();
        flags_.NeedSysConfig = flags_.NeedSSConfig = flags_.NeedLrnData = true;
        flags_.NeedFlowData = flags_.NeedVersion = true;
        SSTab1_->setCurrentIndex(FlowPage);
    } else {
        link_.prompts().message("Communications Failed");
        flags_.LinkEstablished = false;
        mnuProperties_Click();
        if (flags_.LinkEstablished) {
            startPolling();
            flags_.NeedSysConfig = flags_.NeedSSConfig = flags_.NeedLrnData = true;
            flags_.NeedFlowData = true;
            SSTab1_->setCurrentIndex(FlowPage);
        } else {
            enterDemoState();
        }
    }
    state.CommBusy = false;
}

bool frmKVT7210::EstablishCommunication() {
    SerialPort& port = link_.port();
    if (!port.isOpen() && !port.open())
        return false;
    if (!port.isOpen())
        return false;

    QString model;
    for (int attempt = 0; attempt < IdentifyAttempts && model.isEmpty(); ++attempt) {
        if (!link_.writeDirect(MeterLink::FlushPrefix) || !link_.writeDirect(command("VT,0")))
            return false;
        const QByteArray line = link_.ReadComm(0);
        if (line.contains("VT,5")) {
            model = "Velmar KR5";
            flags_.UnitIsKR5 = true;
            flags_.UnitIsKR4 = flags_.UnitIsKR3 = false;
        } else if (line.contains("VT,4")) {
            model = "Velmar KR4";
            flags_.UnitIsKR4 = true;
            flags_.UnitIsKR5 = flags_.UnitIsKR3 = false;
        } else if (line.contains("VT,3")) {
            model = "Velmar KR3";
            flags_.UnitIsKR3 = true;
            flags_.UnitIsKR5 = flags_.UnitIsKR4 = false;
        }
    }
    if (model.isEmpty()) {
        Label23_->setText("No Connect");
        return false;
    }
    Label23_->setText(model);
    flags_.NeedSysConfig = flags_.NeedSSConfig = flags_.NeedLrnData = true;
    flags_.ConfigPending = flags_.NeedVersion = true;
    lossReported_ = false;
    versionReported_ = false;
    setHourglass(true);
    return true;
}

QByteArray frmKVT7210::readVersionReply() {
    link_.writeDirect(command("VR,0"));
    QByteArray reply = link_.ReadComm(0);
    if (link_.port().isOpen() && link_.port().bytesWaiting() > 0)
        reply += link_.ReadComm(0);
    return reply;
}

void frmKVT7210::GetVersionNumber() {
    int badReplies = 0;
    QByteArray reply;
    for (;;) {
        reply = readVersionReply();
        const bool bad = reply.contains("BAD") || reply.isEmpty() || !reply.startsWith("VR");
        if (!bad)
            break;
        if (++badReplies > VersionRetries) {
            // The read is tried again on every tick until it succeeds; the
            // user is told once per connection, not every 1.5 seconds.
            if (!versionReported_)
                link_.prompts().message("Can't Determine UnitType Kr3? Kr4? Kr5?");
            versionReported_ = true;
            return;
        }
    }
    const int p1 = commaFrom(reply, 3) + 1;
    const int p2 = commaFrom(reply, p1 + 1);
    if (p2 > 0)
        Label22_->setText(QString::fromLatin1(reply.mid(p1 - 1, p2 - p1)));
    flags_.NeedVersion = false;
}

void frmKVT7210::WriteCaption(const QString& suffix) {
    setWindowTitle(QString("%1 v%2.%3%4%5")
                       .arg(AppTitle)
                       .arg(CORVANE_VERSION_MAJOR)
                       .arg(CORVANE_VERSION_MINOR)
                       .arg(CORVANE_VERSION_PATCH)
                       .arg(suffix));
}

void frmKVT7210::Launch() {
    LinkState& state = link_.state();
    // A tick that arrives while an earlier one waits for the meter is
    // treated like a tick that finds the link busy.
    if (state.CommBusy || launching_) {
        if (++flags_.BusyTicks >= BusyTickLimit) {
            flags_.BusyTicks = 0;
            state.CommBusy = false;
        }
        return;
    }
    SerialPort& port = link_.port();
    if (!port.isOpen())
        return;
    launching_ = true;
    const auto done = qScopeGuard([this] { launching_ = false; });
    Waiter& waiter = link_.waiter();
    const auto yields = [&waiter](int n) {
        for (int i = 0; i < n; ++i)
            waiter.yield();
    };

    if (flags_.NeedVersion) {
        yields(1);
        GetVersionNumber();
        yields(1);
    }

    if (flags_.ConfigPending) {
        if (flags_.NeedVersion)
            GetVersionNumber();
        const auto read = [&](bool& need, void (frmKVT7210::*get)(),
                              QCheckBox* (frmPleaseWait::*box)() const) {
            yields(1);
            (this->*get)();
            yields(1);
            if (!need && pleaseWait_)
                (pleaseWait_->*box)()->setChecked(true);
        };
        bool sysFailed = false;
        if (flags_.NeedSysConfig) {
            read(flags_.NeedSysConfig, &frmKVT7210::GetSysConfig, &frmPleaseWait::gotsysconfig);
            sysFailed = flags_.NeedSysConfig;
        }
        if (!sysFailed) {
            if (flags_.NeedSSConfig && port.isOpen())
                read(flags_.NeedSSConfig, &frmKVT7210::GetSSConfig, &frmPleaseWait::gotchanconfig);
            if (flags_.NeedLrnData && port.isOpen())
                read(flags_.NeedLrnData, &frmKVT7210::GetLrnData, &frmPleaseWait::gotlearndata);
            if (!flags_.NeedSysConfig && !flags_.NeedSSConfig && !flags_.NeedLrnData)
                flags_.ConfigPending = false;
        }
    } else if (flags_.LiveMonitorActive) {
        if (showsHourglass()) {
            setHourglass(false);
            InitText_->hide();
            unloadPleaseWait();
        } else {
            InitText_->setText(DemoText);
        }
        if (SSTab1_->currentIndex() == FlowPage) {
            GetFlowData();
            ShowIndicators();
        }
    }

    if (port.isOpen()) {
        yields(ReadYields);
        if (flags_.NeedSysConfig)
            GetSysConfig();
        else if (flags_.NeedSSConfig)
            GetSSConfig();
        else if (flags_.NeedLrnData)
            GetLrnData();
        else if (flags_.NeedFlowData)
            GetFlowData();
        yields(ReadYields);
    }
}

void frmKVT7210::GetSysConfig() {
    LinkState& state = link_.state();
    state.CommBusy = true;
    link_.writeDirect(MeterLink::FlushPrefix);
    state.CurrentCommand = command("SC,0,");
    // Read as a binary record of its full length: its bytes may have any
    // value, a line feed (10) included.
    const QByteArray reply =
        link_.SendCommand(state.CurrentCommand, 3, ConfigDecoder::SysConfigLength);
    if (reply.isEmpty() || !reply.contains("SC")) {
        state.CommBusy = false;
        return;
    }
    state.CommBusy = false;
    for (int i = 0; i < SysConfigYields; ++i)
        link_.waiter().yield();
    try {
        config_.SysConfig = ConfigDecoder::decodeSystemConfig(reply);
    } catch (const std::exception&) {
        return;
    }
    flags_.NeedSysConfig = false;
}

void frmKVT7210::GetSSConfig() {
    LinkState& state = link_.state();
    state.CommBusy = true;
    state.CurrentCommand = command("CC,0,");
    link_.SendCommand(state.CurrentCommand, 2, ConfigDecoder::ChanConfigLength);
    if (state.RawReply.isEmpty() || !state.RawReply.contains("CC")) {
        state.CommBusy = false;
        return;
    }
    state.CommBusy = false;
    try {
        ConfigRecord updated = config_;
        updated.ChanConfig = ConfigDecoder::decodeChannelConfig(state.RawReply);
        updated.deriveFlowUnits();
        config_ = updated;
    } catch (const std::exception&) {
        return;
    }
    flags_.NeedSSConfig = false;
}

void frmKVT7210::GetLrnData() {
    LinkState& state = link_.state();
    state.CommBusy = true;
    state.CurrentCommand = command("LR,0");
    const QByteArray reply =
        link_.SendCommand(state.CurrentCommand, 2, ConfigDecoder::LrnDataLength);
    if (reply.isEmpty()) {
        state.CommBusy = false;
        return;
    }
    state.CommBusy = false;
    try {
        config_.LrnConfig = ConfigDecoder::decodeLearnData(state.RawReply);
    } catch (const std::exception&) {
        return;
    }
    flags_.NeedLrnData = false;
}

void frmKVT7210::GetFlowData() {
    LinkState& state = link_.state();
    Waiter& waiter = link_.waiter();
    // The sequence number counts 1 to 32767 and starts again at 1.
    FdSequence_ = FdSequence_ >= std::numeric_limits<qint16>::max() ? 1 : qint16(FdSequence_ + 1);
    state.CurrentCommand =
        QByteArray("FD,0,") + QByteArray::number(FdSequence_) + MeterLink::CommandTerminator;
    const QByteArray reply = link_.SendCommand(state.CurrentCommand, 3, FlowReading::ReplyLength);
    if (reply.size() != FlowReading::ReplyLength) {
        state.CommBusy = false;
        return;
    }
    try {
        for (int i = 0; i < ReadYields; ++i)
            waiter.yield();
        const FlowReading reading(reply);
        for (int i = 0; i < ReadYields; ++i)
            waiter.yield();
        lastRemoteZeroApplied_ = reading.RemoteZeroApplied;

        if (const auto lines = reading.statusLines(config_.Analysis)) {
            ErrMessBox_->show();
            RecModeText("CLS");
            for (const QString& line : *lines)
                RecModeText(line);
        } else {
            ErrMessBox_->hide();
        }

        NormDispTime_->setText(reading.timeText());
        NormDispDate_->setText(reading.dateText());

        const ChannelConfig& chan = config_.ChanConfig;
        if (const auto unit = FlowReading::velocityUnitText(chan.FlowVolumeUnitIndex))
            Velratetext_->setText(*unit);

        FlowValText_->show();
        FlowValText_->setText(reading.flowText());
        velvaltext_->setText(reading.velocityText());
        FlowRateEEval_->setText(config_.FlowUnitLabel);
        FlowRateEEval_->show();
        SSvaltext_->setText(reading.signalStrengthText());
        SQvaltext_->setText(reading.signalQualityText());
        flags_.NeedFlowData = false;

        TotValtext_->setText(reading.totalizerText(chan.TotalizerMultiplierIndex));
        TotXtext_->setText(UnitTables::multiplierName(chan.TotalizerMultiplierIndex));
        TotEEunit_->setText(UnitTables::volumeUnitLongName(chan.TotalizerVolumeUnitIndex));
    } catch (const std::exception&) {
        return;
    }
    state.CommBusy = false;
}

void frmKVT7210::ShowIndicators() {
    const SystemConfig& sys = config_.SysConfig;
    const LearnData& lrn = config_.LrnConfig;
    TxtLogging_->show();
    TxtLogging_->setText(FlowReading::loggingCaption(sys.LoggingOn, lrn.LoggingActive));
    TxtXQmode_->setVisible(FlowReading::xqModeShown(lrn.ExtendedModeOn));
    TxtRemoteZero_->setVisible(lrn.RemoteZeroEnabled != 0 && lastRemoteZeroApplied_);
}

void frmKVT7210::RecModeText(const QString& line) {
    if (line == "CLS")
        errMessText_.clear();
    else
        errMessText_ += line + "\r\n";
    ErrMessBox_->setPlainText(errMessText_);
}

bool frmKVT7210::linkBusy() const {
    return link_.state().CommBusy || launching_ || link_.exchangeInProgress();
}

void frmKVT7210::mnuEstablishComm_Click() {
    if (linkBusy())
        return;
    mnuEstablishComm_->setEnabled(false);
    if (EstablishCommunication()) {
        link_.prompts().message("Communications Established");
        startPolling();
    } else {
        link_.prompts().message("Failed to Establish Communications");
        mnuEstablishComm_->setEnabled(true);
    }
}

bool frmKVT7210::ConfirmMasterErase() {
    return link_.prompts().ask("This will Master Erase the Unit - continue ?", "Master Erase Unit",
                               Prompts::Buttons::YesNo, Prompts::Icon::Exclamation,
                               Prompts::Answer::No) == Prompts::Answer::Yes;
}

void frmKVT7210::mnuMasterErase_Click() {
    if (!ConfirmMasterErase())
        return;
    Waiter& waiter = link_.waiter();
    waiter.waitUntil([this] { return !linkBusy(); }, waiter.now() + FreeLinkWaitMs);
    LinkState& state = link_.state();
    state.CurrentCommand = command("MR,1");
    link_.SendCommand(state.CurrentCommand, 1, 1);

    // While the meter erases, nothing may be sent: the polling timer rests
    // and the link counts as busy.
    const bool polling = Timer1_.isActive();
    Timer1_.stop();
    state.CommBusy = true;
    {
        frmProgress progress(this);
        progress.Init("Master Erase Unit");
        for (int step = 1; step <= MasterEraseSteps; ++step) {
            float percent = float(step);
            progress.SetProg(percent);
            waiter.pause(MasterErasePauseMs);
        }
        progress.Done();
    }
    state.CommBusy = false;
    if (polling)
        startPolling();

    GetSSConfig();
    showPleaseWait();
    if (EstablishCommunication()) {
        flags_.LinkEstablished = true;
        startPolling();
        flags_.NeedSysConfig = flags_.NeedSSConfig = flags_.NeedLrnData = true;
        flags_.NeedFlowData = true;
        SSTab1_->setCurrentIndex(FlowPage);
    } else {
        link_.prompts().message("Communications Failed");
        flags_.LinkEstablished = false;
        mnuProperties_Click();
        // The dialog may have connected, as at start-up.
        if (!flags_.LinkEstablished)
            enterDemoState();
    }
    state.CommBusy = false;
}

void frmKVT7210::mnuExit_Click() {
    endProgram();
}

void frmKVT7210::mnuProperties_Click() {
    if (propertiesOpen_)
        return;
    propertiesOpen_ = true;
    const auto reset = qScopeGuard([this] { propertiesOpen_ = false; });
    frmProperties::Host host;
    host.EstablishCommunication = [this] { return EstablishCommunication(); };
    host.setLinkEstablished = [this](bool on) {
        flags_.LinkEstablished = on;
        if (on)
            startPolling();
    };
    frmProperties dialog(link_, store_, host, this);
    runPropertiesDialog(dialog);
}

void frmKVT7210::closeEvent(QCloseEvent* event) {
    Timer1_.stop();
    if (link_.port().isOpen())
        link_.port().close();
    if (pleaseWait_)
        pleaseWait_->hide();
    event->accept();
    endProgram();
}

void frmKVT7210::portFailed(const QString& description) {
    flags_.LinkEstablished = false;
    setHourglass(false);
    if (pleaseWait_)
        pleaseWait_->hide();
    mnuEstablishComm_->setEnabled(true);
    if (lossReported_)
        return;
    lossReported_ = true;
    link_.prompts().message(QString("The connection to the meter was lost (%1).\n\n"
                                    "The port has been closed. When the meter is back, choose "
                                    "Comm > Establish Comm to reconnect.")
                                .arg(description),
                            Prompts::Icon::Exclamation);
}
