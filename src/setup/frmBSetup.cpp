#include "frmBSetup.h"

#include "ClockFrames.h"
#include "ControlLabels.h"
#include "CurrentOutputFrame.h"
#include "DisplayOptionsFrame.h"
#include "LearnFrame.h"
#include "LimitsFrame.h"
#include "LoggingFrame.h"
#include "MiscFrames.h"
#include "PipeFrame.h"
#include "PowerMonitorFrame.h"
#include "RelayFrames.h"
#include "SetupCommands.h"
#include "TotalizerFrame.h"

#include "link/ConnectionState.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"
#include "shared/UnitTables.h"

#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The pipe record: "PD,0" is read as 15 binary bytes, line feed included.
constexpr int PipeRecordLength = 15;
// The transmit power query's reply: "MD,3," and one digit.
constexpr int TransmitPowerReplyLength = 6;

} // namespace

frmBSetup::frmBSetup(MeterLink& link, LineOwner& owner, SchedulingFlags& flags,
                     ConfigRecord& config, Host host, QWidget* parent)
    : QDialog(parent), sender_(link, owner, flags, config), host_(std::move(host)) {
    setObjectName("frmBSetup");
    setWindowTitle("Unit Setup");
    setModal(false);
    Timer1_.setObjectName("Timer1");
    Timer1_.setInterval(Timer1Ms);
    Timer2_.setObjectName("Timer2");
    Timer2_.setInterval(Timer2Ms);
    Timer3_.setObjectName("Timer3");
    Timer3_.setInterval(Timer3Ms);
    connect(&Timer1_, &QTimer::timeout, this, [this] {
        if (page() == LimitsPage)
            ClockDue = true;
    });
    connect(&Timer2_, &QTimer::timeout, this, [this] {
        if (!sender_.link().state().CommBusy && TotalsDue && EditInProgress == 0)
            TotalsTick = true;
    });
    connect(&Timer3_, &QTimer::timeout, this, [this] { CalPollDue = true; });
    buildPages();
}

QGroupBox* frmBSetup::frame(const char* name, const QString& caption, QWidget* page) {
    auto* box = new QGroupBox(caption, page);
    box->setObjectName(name);
    return box;
}

void frmBSetup::buildPages() {
    SSTab1_ = new QTabWidget(this);
    SSTab1_->setObjectName("SSTab1");
    auto* pipePage = new QWidget(SSTab1_);
    pipe_ = new PipeFrame(sender_, pipePage);
    limits_ = new LimitsFrame(sender_, pipePage);
    auto* pipeGrid = new QGridLayout(pipePage);
    pipeGrid->addWidget(pipe_, 0, 0);
    pipeGrid->addWidget(limits_, 0, 1, 2, 1);
    totals_ = new TotalizerFrame(sender_, pipePage);
    display_ = new DisplayOptionsFrame(sender_, pipePage);
    pipeGrid->addWidget(totals_, 1, 0);
    pipeGrid->addWidget(display_, 2, 0, 1, 2);
    pipeGrid->setRowStretch(3, 1);
    SSTab1_->addTab(pipePage, "Pipe");

    auto* limitsPage = new QWidget(SSTab1_);
    auto* limitsGrid = new QGridLayout(limitsPage);
    clock_ = new ClockFrames(sender_, limitsPage);
    logging_ = new LoggingFrame(sender_, limitsPage);
    limitsGrid->addWidget(clock_, 0, 0, 1, 2);
    limitsGrid->addWidget(logging_, 1, 0);
    power_ = new PowerMonitorFrame(sender_, {host_.GetLrnData, host_.GetSysConfig}, limitsPage);
    limitsGrid->addWidget(power_, 1, 1);
    limitsGrid->setRowStretch(2, 1);
    SSTab1_->addTab(limitsPage, "Limits");

    auto* outputPage = new QWidget(SSTab1_);
    auto* outputGrid = new QGridLayout(outputPage);
    output_ = new CurrentOutputFrame(sender_, Timer3_, CalPollDue, EditInProgress, outputPage);
    relays_ = new RelayFrames(sender_, outputPage);
    outputGrid->addWidget(output_, 0, 0);
    outputGrid->addWidget(relays_, 1, 0);
    outputGrid->setRowStretch(2, 1);
    SSTab1_->addTab(outputPage, "Output Options");

    auto* miscPage = new QWidget(SSTab1_);
    learn_ = new LearnFrame(sender_, miscPage);
    auto* miscGrid = new QGridLayout(miscPage);
    miscGrid->addWidget(learn_, 0, 0, 1, 3);
    misc_ = new MiscFrames(sender_, host_.switches, miscPage);
    miscGrid->addWidget(misc_, 1, 0, 1, 3);
    miscGrid->setRowStretch(2, 1);
    SSTab1_->addTab(miscPage, "Misc.");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1_);
    for (int i = 0; i < SSTab1_->count(); ++i)
        ControlLabels::link(SSTab1_->widget(i));

    connect(SSTab1_, &QTabWidget::currentChanged, this, [this](int index) {
        if (!loading_)
            SSTab1_Click(index);
    });
    // The pipe and units sent: the cut-off in the new units, tested again.
    connect(pipe_, &PipeFrame::pipeSent, limits_, &LimitsFrame::recheckCutoff);
    connect(pipe_, &PipeFrame::chosenFactorChanged, limits_, &LimitsFrame::showFactor);
    // A new site calibration changes what the meter reports for the pipe.
    connect(limits_, &LimitsFrame::siteCalibrationSent, this, &frmBSetup::PipeSetup);
    connect(misc_, &MiscFrames::masterErased, this, &frmBSetup::reloadAfterErase);
    connect(output_, &CurrentOutputFrame::calibrationChanged, relays_,
            &RelayFrames::setCalibrating);
}

int frmBSetup::page() const {
    return SSTab1_->currentIndex();
}

void frmBSetup::Open() {
    open_ = true;
    Form_Load();
    show();
    raise();
    activateWindow();
    // The polling cycle holds the line. The output record is read now, so
    // that closing sends "MA,1,2" only when the meter said it is needed.
    if (sender_.online())
        output_->Data4to20();
}

void frmBSetup::Form_Load() {
    loading_ = true;
    SSTab1_->setCurrentIndex(PipePage);
    loading_ = false;
    output_->newOpening();
    if (!sender_.online())
        return; // design-time contents: nothing is read
    // The meter may be another model than at the last opening.
    applyModelLayout();
    PipeSetup();
    if (host_.GetLrnData)
        host_.GetLrnData();
    learn_->showRecord();
    display_->DisplaySelects();
    totals_->ScanTotals();
}

void frmBSetup::applyModelLayout() {
    const ConnectionState& meter = sender_.link().connection();
    const bool older = meter.isKR4() || meter.isKR3();
    const auto widget = [this](const char* name) { return findChild<QWidget*>(name); };
    pipe_->setPoundUnit(older);
    totals_->applyModel();
    auto* contrast = findChild<QGroupBox*>("ContrastAdjPanel");
    ContrastMax = meter.isKR5() ? 15 : 100;
    contrast->setTitle(QString("Contrast Adj (0-%1)").arg(ContrastMax));
    // Every part shown or hidden by the model is set both ways.
    widget("Frame13(1)")->setVisible(!older);
    widget("SendErase")->setVisible(!older);
    widget("SendErase")->setEnabled(!older && !sender_.owner().exclusiveRunning());
    widget("RlyPwrMonPan")->setVisible(!meter.isKR5() && !meter.isKR3());
    widget("DisplayOptions")->setVisible(meter.isKR5());
    widget("SelRely14")->setEnabled(!meter.isKR3());
    for (const char* name : {"RstPwrMonPanel", "Frame1(1)", "Frame8"})
        widget(name)->setVisible(!meter.isKR3());
}

void frmBSetup::PipeSetup() {
    const QByteArray reply = sender_.read(SetupCommands::framed("PD,0"), 3, PipeRecordLength, "PD");
    if (const std::optional<SetupCommands::PipeData> pipe = SetupCommands::decodePipeReply(reply))
        pipe_->showStored(*pipe);
    limits_->LimitsPage();
}

void frmBSetup::Do7210() {
    // The learn data is being read again: the record is not current yet.
    if (sender_.flags().NeedLrnData)
        return;
    learn_->showRecord();
    if (sender_.online())
        misc_->Do7210();
    else
        misc_->showRecord();
}

void frmBSetup::reloadAfterErase() {
    for (const std::function<void()>& read :
         {host_.GetSysConfig, host_.GetSSConfig, host_.GetLrnData})
        if (read)
            read();
    PipeSetup();
    learn_->showRecord();
    totals_->ScanTotals();
    display_->DisplaySelects();
    logging_->LogSetData();
    misc_->Do7210();
}

void frmBSetup::SSTab1_Click(int index) {
    Timer1_.stop();
    Timer2_.stop();
    TotalsDue = false;
    switch (index) {
    case PipePage:
        TotalsDue = true;
        Timer2_.start();
        // A user's action: it reads when the line is free.
        if (sender_.online())
            sender_.owner().runWhenIdle(this, [this] { PipeSetup(); });
        break;
    case LimitsPage:
        clock_->showToday(QDate::currentDate());
        limits_->LimitsPage();
        logging_->LogSetData();
        power_->showRecord();
        if (sender_.online())
            sender_.owner().runWhenIdle(this, [this] { power_->Pwrlost(); });
        break;
    case OutputPage:
        if (sender_.online())
            sender_.owner().runWhenIdle(this, [this] { output_->Data4to20(); });
        relays_->showPage();
        break;
    case MiscPage:
        learn_->enableXQMode(false);
        if (!sender_.online()) {
            Do7210();
            learn_->enableXQMode(true);
            break;
        }
        // Reads the meter: a user's action, when the line is free.
        // The buttons come back even when the port closed meanwhile.
        sender_.owner().runWhenIdle(
            this,
            [this] {
                Do7210();
                learn_->enableXQMode(true);
            },
            LineOwner::Needs::Nothing);
        break;
    default:
        break;
    }
}

void frmBSetup::DoBSetup() {
    if (!open_)
        return;
    if (host_.pleaseWaitVisible && host_.pleaseWaitVisible() && host_.unloadPleaseWait)
        host_.unloadPleaseWait();
    Timer2_.start();
    output_->pendingRequests();
    const int shown = page();
    if (shown == PipePage) {
        limits_->showUnitLabel(sender_.config().FlowUnitLabel);
        Timer1_.start();
        EditInProgress = 0;
        limits_->refreshRemoteZero();
        TotalsDue = true;
        if (TotalsTick && !totals_->editing()) {
            TotalsTick = false;
            if (totals_->ScanTotals())
                TotalsDue = false;
        }
    }
    if (shown == LimitsPage)
        logging_->refreshRate();
    ClockDue = shown == LimitsPage;
    if (ClockDue && clock_->GetTimeDate())
        ClockDue = false;
    if (shown == OutputPage)
        output_->refreshPage();
    if (shown == MiscPage) {
        const QByteArray reply =
            sender_.read(SetupCommands::framed("MD,3,0"), 1, TransmitPowerReplyLength, "MD,");
        if (const std::optional<int> level = SetupCommands::transmitPowerLevel(reply)) {
            sender_.config().SysConfig.TransmitPower = quint8(*level);
            learn_->showTransmitPower(*level);
        }
        if (sender_.flags().NeedLrnData) {
            if (host_.GetLrnData)
                host_.GetLrnData();
            if (host_.GetSSConfig)
                host_.GetSSConfig();
        }
    }
    output_->afterRefresh();
}

void frmBSetup::Form_Unload() {
    if (!open_)
        return;
    open_ = false;
    relays_->closeWindows();
    output_->leaveOnClose();
    Timer1_.stop();
    Timer2_.stop();
    Timer3_.stop();
    TotalsTick = false;
    SchedulingFlags& flags = sender_.flags();
    flags.SetupOpen = false;
    flags.LiveMonitorActive = true;
    // Without a meter the main window stays in its demonstration state.
    if (sender_.online() && host_.resumePolling)
        host_.resumePolling();
}

void frmBSetup::releaseMeterOnExit() {
    if (!open_)
        return;
    Timer1_.stop();
    Timer2_.stop();
    Timer3_.stop();
    relays_->endTests();
    output_->releaseOnExit();
}

void frmBSetup::done(int result) {
    QDialog::done(result);
    Form_Unload();
}
