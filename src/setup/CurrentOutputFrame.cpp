#include "CurrentOutputFrame.h"

#include "OptionButtons.h"
#include "SettingSender.h"
#include "SetupCommands.h"

#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

// "MA,0" as the page reads it (line feed included) and as the calibration
// poll reads it.
constexpr int OutputReplyLength = 22;
constexpr int CalReplyLength = 21;
// Replies of the counted sends: "OK" and its line feed, or "OK" alone.
constexpr int ModeReplyLength = 3;
constexpr int SetOutputReplyLength = 2;
// An ammeter on a 4-20 mA loop reads nothing above this; a larger figure is
// a typing error.
constexpr double HighestReading = 25;

const char* const Instructions = "Connect test meter to output current.\n"
                                 "Force 4 mA or 20 mA, read the meter,\n"
                                 "enter the reading and click UpDate.";

// Ticks or clears box as the program, not the user.
void setQuietly(QCheckBox* box, bool on) {
    const QSignalBlocker quiet(box);
    box->setChecked(on);
}

} // namespace

CurrentOutputFrame::CurrentOutputFrame(SettingSender& sender, QTimer& Timer3, bool& CalPollDue,
                                       int& EditInProgress, QWidget* parent)
    : QWidget(parent), sender_(sender), Timer3_(Timer3), CalPollDue_(CalPollDue),
      EditInProgress_(EditInProgress) {
    setObjectName("CurrentOutput");
    const auto box = [this](const char* name, QWidget* parent, bool readOnly = false) {
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(name);
        edit->setReadOnly(readOnly);
        SettingSender::fitNumbers(edit);
        return edit;
    };

    chk420mA_ = new QCheckBox("4-20mA Seutp", this);
    chk420mA_->setObjectName("chk420mA");
    Frame11_ = new QGroupBox("Flow Rates", this);
    Frame11_->setObjectName("Frame11");
    Frame11_->setEnabled(false);
    Ma_4FlowRate_ = box("Ma_4FlowRate", Frame11_);
    Ma_20FlowRate_ = box("Ma_20FlowRate", Frame11_);
    Text27_ = new QLabel(Frame11_);
    Text27_->setObjectName("Text27");
    Text28_ = new QLabel(Frame11_);
    Text28_->setObjectName("Text28");
    Send4_20_ = new QPushButton("Send", Frame11_);
    Send4_20_->setObjectName("Send4_20");
    auto* rates = new QGridLayout(Frame11_);
    rates->addWidget(new QLabel("Flow Rate at   4  mA", Frame11_), 0, 0);
    rates->addWidget(Ma_4FlowRate_, 0, 1);
    rates->addWidget(Text27_, 0, 2);
    rates->addWidget(new QLabel("Flow Rate at  20 mA", Frame11_), 1, 0);
    rates->addWidget(Ma_20FlowRate_, 1, 1);
    rates->addWidget(Text28_, 1, 2);
    rates->addWidget(Send4_20_, 2, 1);
    rates->setColumnMinimumWidth(2, Text27_->fontMetrics().horizontalAdvance("Ft3/Day") + 4);

    CalModeChecked_ = new QCheckBox("4-20 Calibrate", this);
    CalModeChecked_->setObjectName("CalModeChecked");
    Calibratepanel_ = new QGroupBox("Calibration", this);
    Calibratepanel_->setObjectName("Calibratepanel");
    Calibratepanel_->setEnabled(false);
    Output4or20_ = new QButtonGroup(Calibratepanel_);
    auto* cal = new QGridLayout(Calibratepanel_);
    const char* forces[] = {"Force 4ma Out", "Force 20ma Out"};
    for (int i = 0; i < 2; ++i) {
        auto* force = new QRadioButton(forces[i], Calibratepanel_);
        force->setObjectName(QString("Output4or20(%1)").arg(i));
        Output4or20_->addButton(force, i);
        cal->addWidget(force, i, 0);
    }
    Ma_4IntVal_ = box("Ma_4IntVal", Calibratepanel_);
    Ma_4IntVal_->setToolTip("Connect Amp meter to current output.  Enter reading in this box "
                            "and click UpDate.");
    Ma_20IntVal_ = box("Ma_20IntVal", Calibratepanel_);
    Ma_20IntVal_->setToolTip("Connect Amp meter to current output.  Enter  reading in this box "
                             "and click UpDate.");
    // Beside option buttons, not captions: named here.
    Ma_4IntVal_->setAccessibleName("Reading at 4 mA");
    Ma_20IntVal_->setAccessibleName("Reading at 20 mA");
    cal->addWidget(Ma_4IntVal_, 0, 1);
    cal->addWidget(Ma_20IntVal_, 1, 1);
    auto* adjust4 = new QPushButton("UpDate", Calibratepanel_);
    adjust4->setObjectName("Adjust420(1)");
    auto* adjust20 = new QPushButton("UpDate", Calibratepanel_);
    adjust20->setObjectName("Adjust420");
    // Three "UpDate" buttons share the page: each says what it updates.
    adjust4->setAccessibleName("Update the 4 mA reading");
    adjust20->setAccessibleName("Update the 20 mA reading");
    cal->addWidget(adjust4, 0, 2);
    cal->addWidget(adjust20, 1, 2);
    mAcurrentVal_ = box("mAcurrentVal", Calibratepanel_, true);
    mAcurrentVal_->setToolTip(
        "Connect meter to current output and enter reading for corrected adjustment.");
    cal->addWidget(new QLabel("Output mA", Calibratepanel_), 2, 0);
    cal->addWidget(mAcurrentVal_, 2, 1);
    Slider1_ = new QSlider(Qt::Horizontal, Calibratepanel_);
    Slider1_->setObjectName("Slider1");
    Slider1_->setRange(0, SliderMaximum);
    Slider1_->setAccessibleName("Output current, 4 mA to 20 mA");
    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(new QLabel("4mA", Calibratepanel_));
    sliderRow->addWidget(Slider1_, 1);
    sliderRow->addWidget(new QLabel("20mA", Calibratepanel_));
    cal->addLayout(sliderRow, 3, 0, 1, 3);
    ConnectText_ = new QLabel(Instructions, this);
    ConnectText_->setObjectName("ConnectText");
    ConnectText_->setWordWrap(true);
    ConnectText_->hide();

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(chk420mA_, 0, 0);
    grid->addWidget(Frame11_, 1, 0);
    grid->addWidget(CalModeChecked_, 0, 1);
    grid->addWidget(Calibratepanel_, 1, 1);
    grid->addWidget(ConnectText_, 2, 1);
    grid->setRowStretch(3, 1);

    // Enter ends an entry in a box; it never presses a button.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    // Toggled, not clicked: a box ticked by an assistive tool acts as a click.
    connect(chk420mA_, &QCheckBox::toggled, this, &CurrentOutputFrame::chk420mA_Click);
    connect(CalModeChecked_, &QCheckBox::toggled, this, &CurrentOutputFrame::CalModeChecked_Click);
    SettingSender::onEdited(Ma_4FlowRate_, [this] { flowRateEdited(false); });
    SettingSender::onEdited(Ma_20FlowRate_, [this] { flowRateEdited(true); });
    SettingSender::onEdited(Ma_4IntVal_, [this] { measuredEdited(Ma_4IntVal_); });
    SettingSender::onEdited(Ma_20IntVal_, [this] { measuredEdited(Ma_20IntVal_); });
    connect(Send4_20_, &QPushButton::clicked, this, &CurrentOutputFrame::Send4_20_Click);
    OptionButtons::onChosen(Output4or20_, this, [this](int index) { Output4or20_Click(index); });
    connect(adjust4, &QPushButton::clicked, this, [this] { whenIdle([this] { Xmit4_20(4); }); });
    connect(adjust20, &QPushButton::clicked, this, [this] { whenIdle([this] { Xmit4_20(20); }); });
    connect(Slider1_, &QSlider::sliderPressed, this, [this] { sliderDrag_ = true; });
    connect(Slider1_, &QSlider::sliderMoved, this, &CurrentOutputFrame::update_slider1);
    connect(Slider1_, &QSlider::sliderReleased, this, [this] {
        deselectForce();
        setOutputRequest_ = true;
    });
}

void CurrentOutputFrame::whenIdle(std::function<void()> action) {
    if (sender_.online())
        sender_.owner().runWhenIdle(this, std::move(action));
}

void CurrentOutputFrame::deselectForce() {
    OptionButtons::clear(Output4or20_);
}

bool CurrentOutputFrame::haveRecord() {
    if (recordRead_)
        return true;
    sender_.refuse("The 4-20 mA settings have not been read from the meter since this dialog "
                   "was opened, so nothing was sent: the meter's calibration would be "
                   "overwritten with figures it never gave. Check the connection to the meter "
                   "and show the Output Options page again.");
    return false;
}

void CurrentOutputFrame::newOpening() {
    recordRead_ = false;
    record_ = edit_ = {};
    measuredRequest_ = setOutputRequest_ = false;
}

void CurrentOutputFrame::showCurrent(double mA, const char* pattern) {
    mAcurrentVal_->setText(SettingSender::boxText(mA, pattern));
}

void CurrentOutputFrame::moveSlider(double mA) {
    const QSignalBlocker quiet(Slider1_);
    Slider1_->setValue(int(std::lround((mA - 4) / 16 * SliderMaximum)));
}

void CurrentOutputFrame::showFlowRates() {
    const ConfigRecord& c = sender_.config();
    Ma_4FlowRate_->setText(
        SettingSender::boxText(double(edit_.velocity4) * c.FlowPerVelocity, "  ###0.00##"));
    Ma_20FlowRate_->setText(
        SettingSender::boxText(double(edit_.velocity20) * c.FlowPerVelocity, "  ###0.00#"));
    Text27_->setText(c.FlowUnitLabel);
    Text28_->setText(c.FlowUnitLabel);
}

void CurrentOutputFrame::Data4to20() {
    const QByteArray reply =
        sender_.read(SetupCommands::framed("MA,0"), 2, OutputReplyLength, "MA");
    const std::optional<OutputCommands::OutputRecord> r =
        OutputCommands::decodeOutput(reply, CalReplyLength);
    if (!r)
        return;
    deselectForce();
    recordRead_ = true;
    record_ = edit_ = *r;
    ChannelConfig& c = sender_.config().ChanConfig;
    c.CalibrationAt4mA = r->count4;
    c.CalibrationAt20mA = r->count20;
    if (const std::optional<double> mA =
            OutputCommands::currentOf(r->present, r->count4, r->count20)) {
        showCurrent(*mA, " ##0.#0");
        moveSlider(*mA);
    }
    Ma_4IntVal_->setText(SettingSender::boxText(4, "#0.00#"));
    Ma_20IntVal_->setText(SettingSender::boxText(20, "#0.00#"));
    showFlowRates();
}

void CurrentOutputFrame::GetCalData() {
    const QByteArray reply = sender_.read(SetupCommands::framed("MA,0"), 2, CalReplyLength, "MA");
    const std::optional<OutputCommands::OutputRecord> r =
        OutputCommands::decodeOutput(reply, CalReplyLength);
    if (!r) {
        sender_.flags().NeedSSConfig = true;
        return;
    }
    record_.present = r->present;
    if (r->calFinished == 1 && CalActive) {
        // The meter has finished the calibration on its own.
        setCalModeBox(false);
        Calibratepanel_->setEnabled(false);
        CalActive = false;
        CalPollDue_ = false;
        Timer3_.stop();
        EndCalibration();
        return;
    }
    if (const std::optional<double> mA =
            OutputCommands::currentOf(r->present, record_.count4, record_.count20)) {
        showCurrent(*mA, "##.0#");
        if (!sliderDrag_)
            moveSlider(*mA);
    }
}

void CurrentOutputFrame::update_slider1(int value) {
    showCurrent(4 + 16.0 * value / SliderMaximum, " ##0.0#");
}

void CurrentOutputFrame::chk420mA_Click(bool on) {
    if (on && sender_.online() && !haveRecord()) {
        setQuietly(chk420mA_, false);
        return;
    }
    EditInProgress_ = on ? 1 : 0;
    Frame11_->setEnabled(on);
    if (!on) {
        edit_ = record_;
        showFlowRates();
    }
}

void CurrentOutputFrame::flowRateEdited(bool at20) {
    QLineEdit* box = at20 ? Ma_20FlowRate_ : Ma_4FlowRate_;
    float& velocity = at20 ? edit_.velocity20 : edit_.velocity4;
    const float factor = sender_.config().FlowPerVelocity;
    if (!std::isfinite(factor) || factor <= 0) {
        if (sender_.ErrorMsg(box->text()))
            sender_.refuse("The 4-20 mA flow range cannot be set while the flow conversion "
                           "factor is 0. Send the pipe size and flow units first.");
    } else {
        // Either direction of flow, up to the meter's largest range.
        const double highest = double(float(SetupCommands::MaximumVelocity * factor));
        if (const std::optional<double> flow =
                sender_.inRange(box->text(), at20 ? "flow rate at 20 mA" : "flow rate at 4 mA",
                                -highest, highest, sender_.config().FlowUnitLabel))
            velocity = float(*flow / factor);
    }
    box->setText(SettingSender::boxText(double(velocity) * factor, "###0.0##"));
}

void CurrentOutputFrame::Send4_20_Click() {
    if (edit_.velocity4 == edit_.velocity20) {
        sender_.refuse("The flow rates at 4 mA and at 20 mA must differ.");
        return;
    }
    whenIdle([this] {
        Xmit4_20(0);
        setQuietly(chk420mA_, false);
        chk420mA_Click(false);
    });
    if (!sender_.online()) {
        setQuietly(chk420mA_, false);
        chk420mA_Click(false);
    }
}

void CurrentOutputFrame::Xmit4_20(int which) {
    measuredRequest_ = false;
    if (!haveRecord()) {
        EditInProgress_ = 0;
        return;
    }
    const auto reading = [this](QLineEdit* box) {
        return SetupCommands::parseNumber(box->text()).value_or(0);
    };
    const int count20 = record_.count20 == 0 ? OutputCommands::FullScaleCount : record_.count20;
    record_.count20 = qint16(count20);
    const std::optional<OutputCommands::Counts> counts = OutputCommands::corrected(
        reading(Ma_4IntVal_), reading(Ma_20IntVal_), record_.count4, count20);
    if (!counts) {
        sender_.refuse(QString("The output cannot be calibrated: its 20 mA count (%1) is not "
                               "above its 4 mA count (%2). Read the page again, or calibrate "
                               "with the 4-20 Calibrate box.")
                           .arg(count20)
                           .arg(record_.count4));
        EditInProgress_ = 0;
        return;
    }
    Ma_4IntVal_->setText(SettingSender::boxText(4, "#0.00#"));
    Ma_20IntVal_->setText(SettingSender::boxText(20, "#0.00#"));
    OutputCommands::OutputRecord next = record_;
    next.velocity4 = edit_.velocity4;
    next.velocity20 = edit_.velocity20;
    next.count4 = qint16(counts->count4);
    next.count20 = qint16(counts->count20);
    if (!CalActive) {
        next.calFinished = 1;
        next.secondFlag = 0;
    }
    const QByteArray command = which == 0   ? OutputCommands::outputCommand(next)
                               : which == 4 ? OutputCommands::forceCommand(1, next.count4)
                                            : OutputCommands::forceCommand(2, next.count20);
    if (sender_.exchange(command, SettingSender::Shape::untilOk())) {
        if (which != 0) {
            // Only the forced end went out; the range stays as the meter has it.
            next.velocity4 = record_.velocity4;
            next.velocity20 = record_.velocity20;
        }
        record_ = next;
        edit_.count4 = next.count4;
        edit_.count20 = next.count20;
        ChannelConfig& c = sender_.config().ChanConfig;
        c.CalibrationAt4mA = next.count4;
        c.CalibrationAt20mA = next.count20;
    } else {
        edit_ = record_;
    }
    showFlowRates();
    EditInProgress_ = 0;
    if (!CalActive) {
        sender_.exchange(SetupCommands::framed("MA,1,2"), SettingSender::Shape::untilOk());
        Send4_20_->setEnabled(false);
        Send4_20_->setEnabled(true);
    }
}

void CurrentOutputFrame::measuredEdited(QLineEdit* box) {
    const double nominal = box == Ma_4IntVal_ ? 4 : 20;
    if (const std::optional<double> value =
            sender_.inRange(box->text(), "measured current", 0, HighestReading, "mA"))
        box->setText(SettingSender::boxText(*value, "#0.0#"));
    else
        box->setText(SettingSender::boxText(nominal, "#.00#"));
    // Outside calibration a reading corrects the counts at the next refresh.
    if (!CalActive)
        measuredRequest_ = true;
}

void CurrentOutputFrame::setCalModeBox(bool on) {
    setQuietly(CalModeChecked_, on);
    emit calibrationChanged(on);
}

void CurrentOutputFrame::CalModeChecked_Click(bool on) {
    if (on && sender_.online() && !haveRecord()) {
        setQuietly(CalModeChecked_, false);
        return;
    }
    Frame11_->setEnabled(!on && chk420mA_->isChecked());
    chk420mA_->setEnabled(!on);
    emit calibrationChanged(on);
    if (on) {
        CalRequestEnter = true;
        CalRequestLeave = false;
        ConnectText_->setText("Please Wait");
        ConnectText_->setStyleSheet("color: red");
        ConnectText_->show();
    } else {
        CalRequestEnter = false;
        CalRequestLeave = true;
    }
    if (!sender_.online()) {
        // Nothing to calibrate without a meter.
        CalRequestEnter = CalRequestLeave = false;
        setCalModeBox(false);
        chk420mA_->setEnabled(true);
        ConnectText_->hide();
    }
}

void CurrentOutputFrame::SetCal420mA() {
    CalRequestEnter = false;
    ConnectText_->setStyleSheet(QString());
    ConnectText_->setText("Choose 4mA or 20mA calibration option on the left, enter current "
                          "value and click UpDate");
    MeterLink& link = sender_.link();
    if (link.port().isOpen())
        link.port().discardInput();
    if (!CalModeChecked_->isChecked())
        return;
    CalActive = true;
    if (!sender_.exchange(SetupCommands::framed("MA,1,1"),
                          SettingSender::Shape::counted(ModeReplyLength, ModeSends))) {
        CalActive = false;
        setCalModeBox(false);
        chk420mA_->setEnabled(true);
        ConnectText_->hide();
        return;
    }
    OptionButtons::select(Output4or20_, 0);
    if (sender_.exchange(OutputCommands::forceCommand(1, record_.count4),
                         SettingSender::Shape::untilOk()))
        showForced(0);
    Calibratepanel_->setEnabled(true);
    ConnectText_->show();
    Timer3_.start();
}

void CurrentOutputFrame::SendCalmode() {
    CalPollDue_ = false;
    const char* command = CalRequestLeave ? "MA,1,2" : "MA,1,1";
    sender_.link().SendCommand(SetupCommands::framed(command), 1, ModeReplyLength);
}

void CurrentOutputFrame::ClrCal420mA() {
    MeterLink& link = sender_.link();
    if (link.port().isOpen())
        link.port().discardInput();
    sliderDrag_ = false;
    Timer3_.stop();
    CalPollDue_ = false;
    deselectForce();
    // Still calibrating until the meter has been told: a close meanwhile
    // releases it.
    sender_.exchange(SetupCommands::framed("MA,1,2"),
                     SettingSender::Shape::counted(ModeReplyLength, ModeSends));
    CalActive = false;
    record_.calFinished = 1;
    record_.secondFlag = 0;
    Data4to20();
    EditInProgress_ = 0;
    Calibratepanel_->setEnabled(false);
    ConnectText_->hide();
    chk420mA_->setEnabled(true);
    CalRequestLeave = false;
}

void CurrentOutputFrame::EndCalibration() {
    sliderDrag_ = false;
    CalActive = false;
    Timer3_.stop();
    deselectForce();
    Data4to20();
    Calibratepanel_->setEnabled(false);
    ConnectText_->hide();
    chk420mA_->setEnabled(true);
}

void CurrentOutputFrame::Output4or20_Click(int index) {
    if (!recordRead_ || !CalActive) {
        deselectForce();
        return;
    }
    const int count = index == 0 ? record_.count4 : OutputCommands::usedCount20(record_.count20);
    sender_.send(
        this, OutputCommands::forceCommand(index + 1, count), [this, index] { showForced(index); },
        [this] { deselectForce(); });
}

void CurrentOutputFrame::showForced(int index) {
    // The meter drives the forced end now; the next poll confirms it.
    const double mA = index == 0 ? 4 : 20;
    record_.present =
        qint16(index == 0 ? record_.count4 : OutputCommands::usedCount20(record_.count20));
    showCurrent(mA, "##.0#");
    moveSlider(mA);
}

void CurrentOutputFrame::SetCurrentOutput() {
    setOutputRequest_ = false;
    if (!recordRead_ || !CalActive)
        return;
    const int count = OutputCommands::sliderCount(Slider1_->value(), SliderMaximum, record_.count4,
                                                  record_.count20);
    sender_.exchange(OutputCommands::forceCommand(3, count),
                     SettingSender::Shape::counted(SetOutputReplyLength, ModeSends));
    sliderDrag_ = false;
}

void CurrentOutputFrame::pendingRequests() {
    if (CalRequestEnter)
        SetCal420mA();
    if (CalRequestLeave)
        ClrCal420mA();
}

void CurrentOutputFrame::refreshPage() {
    if (setOutputRequest_)
        SetCurrentOutput();
    if (CalPollDue_)
        GetCalData();
    else if (EditInProgress_ == 0 && !CalActive)
        Data4to20();
}

void CurrentOutputFrame::afterRefresh() {
    if (measuredRequest_ && !CalActive)
        Xmit4_20(0);
    if (CalPollDue_ && CalActive)
        SendCalmode();
}

void CurrentOutputFrame::releaseOnExit() {
    if (CalActive)
        sender_.sendOnExit(SetupCommands::framed("MA,1,2"));
    CalActive = CalRequestEnter = CalRequestLeave = false;
    Timer3_.stop();
}

void CurrentOutputFrame::leaveOnClose() {
    // Only what the meter said in this opening decides: an unread record
    // is no reason to write.
    const bool leave = CalActive || (recordRead_ && record_.calFinished == 0);
    recordRead_ = false;
    CalActive = CalRequestEnter = CalRequestLeave = false;
    Timer3_.stop();
    CalPollDue_ = false;
    setCalModeBox(false);
    Calibratepanel_->setEnabled(false);
    ConnectText_->hide();
    chk420mA_->setEnabled(true);
    if (!leave || !sender_.online())
        return;
    MeterLink& link = sender_.link();
    sender_.owner().runWhenIdle(this, [&link] {
        link.port().discardInput();
        link.SendCommand(SetupCommands::framed("MA,1,2"), 1, ModeReplyLength);
    });
}
