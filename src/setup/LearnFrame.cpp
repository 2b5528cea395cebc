#include "LearnFrame.h"

#include "SettingsCatalogue.h"

#include "OptionButtons.h"
#include "SettingSender.h"
#include "SetupCommands.h"

#include "link/MeterLink.h"
#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"
#include "ui/Prompts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The ranges of the list, ft/s; the code sent is the list index plus one.
const QStringList& Ranges = SettingsCatalogue::ranges();
// The transmit power query's reply: "MD,3," and one digit.
constexpr int TransmitPowerReplyLength = 6;

QGroupBox* frame(const char* name, const char* caption, QWidget* parent) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QString cutoffText(float value) {
    return SettingSender::boxText(value, "   ##0.0##");
}

} // namespace

LearnFrame::LearnFrame(SettingSender& sender, QWidget* parent) : QWidget(parent), sender_(sender) {
    setObjectName("LearnFrame");
    QGroupBox* learn = frame("Frame13(0)", "Learning", this);
    QGroupBox* fast = frame("Frame21", "Fast Learn", learn);
    QuickLrn_ = OptionButtons::group(fast, "QuickLrn", {{1, "Yes"}, {2, "No"}});
    QGroupBox* mode = frame("Frame22", "Range Mode", learn);
    RangeModeSel_ = OptionButtons::group(mode, "RangeModeSel", {{0, "Auto"}, {1, "Man"}});
    RangeSel_ = new QComboBox(learn);
    RangeSel_->setObjectName("RangeSel");
    RangeSel_->addItems(Ranges);
    RangeSel_->installEventFilter(this);
    OverRides_ = new QComboBox(learn);
    OverRides_->setObjectName("OverRides");
    OverRides_->addItems(SettingsCatalogue::overrides());
    ReLearnButton_ = new QPushButton("Review Learn", learn);
    ReLearnButton_->setObjectName("ReLearnButton");
    // Enter in a box ends that box's edit; it must not also start a learn.
    ReLearnButton_->setAutoDefault(false);

    auto* learnGrid = new QGridLayout(learn);
    learnGrid->addWidget(fast, 0, 0, 1, 2);
    learnGrid->addWidget(mode, 1, 0, 1, 2);
    learnGrid->addWidget(new QLabel("Range (ft/s)", learn), 2, 0);
    learnGrid->addWidget(RangeSel_, 2, 1);
    learnGrid->addWidget(new QLabel("Overrides", learn), 3, 0);
    learnGrid->addWidget(OverRides_, 3, 1);
    learnGrid->addWidget(ReLearnButton_, 4, 0, 1, 2);

    QGroupBox* signal = frame("SignalCutoffs", "Signal Cutoffs", this);
    SigStrengthCutoff_ = new QLineEdit(signal);
    SigStrengthCutoff_->setObjectName("SigStrengthCutoff");
    SigQtyCutoff_ = new QLineEdit(signal);
    SigQtyCutoff_->setObjectName("SigQtyCutoff");
    SettingSender::fitNumbers(SigStrengthCutoff_);
    SettingSender::fitNumbers(SigQtyCutoff_);
    auto* signalGrid = new QGridLayout(signal);
    signalGrid->addWidget(new QLabel("Signal Strength Cutoff", signal), 0, 0);
    signalGrid->addWidget(SigStrengthCutoff_, 0, 1);
    signalGrid->addWidget(new QLabel("Signal Quality Cutoff", signal), 1, 0);
    signalGrid->addWidget(SigQtyCutoff_, 1, 1);

    QGroupBox* power = frame("TxpowSel", "Tx Power", this);
    TXPow_ = OptionButtons::group(power, "TXPow", {{1, "Reg"}, {2, "Hi"}});
    QGroupBox* xq = frame("Frame24", "7210XQ mode", this);
    XQMode_ = OptionButtons::group(xq, "XQMode", {{1, "Off"}, {2, "On"}});

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(learn, 0, 0, 3, 1);
    layout->addWidget(signal, 0, 1);
    layout->addWidget(power, 1, 1);
    layout->addWidget(xq, 2, 1);

    OptionButtons::onChosen(QuickLrn_, this, [this](int i) { QuickLrn_Click(i); });
    connect(ReLearnButton_, &QPushButton::clicked, this, &LearnFrame::ReLearnButton_Click);
    connect(OverRides_, &QComboBox::activated, this, &LearnFrame::OverRides_Click);
    OptionButtons::onChosen(RangeModeSel_, this, [this](int i) { RangeModeSel_Click(i); });
    connect(RangeSel_, &QComboBox::activated, this, &LearnFrame::RangeSel_Click);
    SettingSender::onEdited(SigStrengthCutoff_, [this] { SigStrengthCutoff_LostFocus(); });
    SettingSender::onEdited(SigQtyCutoff_, [this] { SigQtyCutoff_LostFocus(); });
    OptionButtons::onChosen(TXPow_, this, [this](int i) { TXPow_Click(i); });
    OptionButtons::onChosen(XQMode_, this, [this](int i) { XQMode_Click(i); });
}

int LearnFrame::storedRangeIndex() const {
    const int range = sender_.config().ChanConfig.RangeCode & 0x7f;
    return range >= 1 && range <= Ranges.size() ? range - 1 : 0;
}

bool LearnFrame::storedManual() const {
    return sender_.config().LrnConfig.RangeModeManual != 0;
}

void LearnFrame::showRange() {
    RangeSel_->setCurrentIndex(storedRangeIndex());
    OptionButtons::select(RangeModeSel_, storedManual() ? 1 : 0);
}

void LearnFrame::showCutoffs() {
    SigStrengthCutoff_->setText(cutoffText(sender_.config().ChanConfig.SignalStrengthCutoff));
    SigQtyCutoff_->setText(cutoffText(sender_.config().ChanConfig.SignalQualityCutoff));
}

void LearnFrame::showFastLearn() {
    if (fastLearn_)
        OptionButtons::select(QuickLrn_, *fastLearn_);
    else
        OptionButtons::clear(QuickLrn_);
}

void LearnFrame::showRecord() {
    const ConfigRecord& c = sender_.config();
    showRange();
    OptionButtons::select(XQMode_, c.LrnConfig.ExtendedModeOn ? 2 : 1);
    OverRides_->setCurrentIndex(2 * (c.LrnConfig.LowFlowCutoffOverride != 0) +
                                (c.LrnConfig.ZeroSignalCutoffOverride != 0));
    showCutoffs();
    showTransmitPower(c.SysConfig.TransmitPower);
    showFastLearn();
}

void LearnFrame::showTransmitPower(int level) {
    OptionButtons::select(TXPow_, level == 0 ? 1 : 2);
}

void LearnFrame::enableXQMode(bool on) {
    for (QAbstractButton* button : XQMode_->buttons())
        button->setEnabled(on);
}

void LearnFrame::QuickLrn_Click(int index) {
    sender_.send(
        this, SetupCommands::framed(index == 1 ? "LR,2,2" : "LR,2,1"),
        [this, index] { fastLearn_ = index; }, [this] { showFastLearn(); });
}

void LearnFrame::ReLearnButton_Click() {
    // A new learn changes the learn data: it is read again.
    sender_.send(
        this, SetupCommands::framed("LR,9"), [this] { sender_.flags().NeedLrnData = true; }, [] {});
}

void LearnFrame::OverRides_Click(int index) {
    const LearnData& l = sender_.config().LrnConfig;
    const int stored = 2 * (l.LowFlowCutoffOverride != 0) + (l.ZeroSignalCutoffOverride != 0);
    if (index < 0 || index > 3 || index == stored)
        return;
    sender_.send(
        this, SetupCommands::withInt16("LR,3,", qint16(index)),
        [this, index] {
            sender_.config().LrnConfig.LowFlowCutoffOverride = qint16(index >> 1);
            sender_.config().LrnConfig.ZeroSignalCutoffOverride = qint16(index & 1);
        },
        [this, stored] { OverRides_->setCurrentIndex(stored); });
}

void LearnFrame::sendRange(bool manual, int rangeIndex) {
    const int code = SetupCommands::rangeCode(manual, rangeIndex);
    // A counted send, repeated once without "OK".
    sender_.send(
        this, SetupCommands::rangeCommand(code), SettingSender::Shape::counted(2, 2),
        [this, manual, code] {
            sender_.config().ChanConfig.RangeCode = quint8(code);
            sender_.config().LrnConfig.RangeModeManual = qint16(manual);
            showRange();
        },
        [this] { showRange(); });
}

void LearnFrame::RangeModeSel_Click(int index) {
    const bool manual = index == 1;
    if (manual == storedManual())
        return;
    // The code always carries the range: switching to manual never sends
    // the manual bit alone.
    sendRange(manual, storedRangeIndex());
}

void LearnFrame::RangeSel_Click(int index) {
    if (!storedManual()) {
        RangeSel_GotFocus();
        showRange();
        return;
    }
    if (index < 0 || index == storedRangeIndex())
        return;
    sendRange(true, index);
}

void LearnFrame::RangeSel_GotFocus() {
    if (!storedManual())
        sender_.link().prompts().message("Range MODE must be in Manual");
}

bool LearnFrame::eventFilter(QObject* watched, QEvent* event) {
    // Locked while automatic: a click says why and opens nothing.
    if (watched == RangeSel_ && !storedManual() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress ||
         event->type() == QEvent::Wheel)) {
        if (event->type() == QEvent::MouseButtonPress)
            RangeSel_GotFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LearnFrame::cutoffEdited(bool strength) {
    QLineEdit* box = strength ? SigStrengthCutoff_ : SigQtyCutoff_;
    const ChannelConfig& channel = sender_.config().ChanConfig;
    const float stored = strength ? channel.SignalStrengthCutoff : channel.SignalQualityCutoff;
    const std::optional<double> value =
        sender_.inRange(box->text(), strength ? "signal strength cutoff" : "signal quality cutoff",
                        0, MaximumSignalCutoff, "%");
    if (!value) {
        showCutoffs();
        return;
    }
    const float cutoff = float(*value);
    if (cutoff == stored) {
        showCutoffs();
        return;
    }
    box->setText(SettingSender::boxText(cutoff, "   #0.0##"));
    sender_.send(
        this, SetupCommands::withSingle(strength ? "MD,5," : "MD,6,", cutoff),
        [this, strength, cutoff] {
            ChannelConfig& c = sender_.config().ChanConfig;
            (strength ? c.SignalStrengthCutoff : c.SignalQualityCutoff) = cutoff;
            showCutoffs();
        },
        [this] { showCutoffs(); });
}

void LearnFrame::SigStrengthCutoff_LostFocus() {
    cutoffEdited(true);
}

void LearnFrame::SigQtyCutoff_LostFocus() {
    cutoffEdited(false);
}

void LearnFrame::TXPow_Click(int index) {
    const int shown = sender_.config().SysConfig.TransmitPower == 0 ? 1 : 2;
    if (index == shown)
        return;
    sender_.send(
        this, SetupCommands::framed(index == 1 ? "MD,3,1" : "MD,3,2"),
        [this, index] {
            // The meter says which level it took; without an answer, the one
            // it acknowledged.
            sender_.config().SysConfig.TransmitPower = quint8(index == 2);
            const QByteArray reply =
                sender_.read(SetupCommands::framed("MD,3,0"), 1, TransmitPowerReplyLength, "MD,");
            if (const std::optional<int> level = SetupCommands::transmitPowerLevel(reply))
                sender_.config().SysConfig.TransmitPower = quint8(*level);
            showTransmitPower(sender_.config().SysConfig.TransmitPower);
        },
        [this] { showTransmitPower(sender_.config().SysConfig.TransmitPower); });
}

void LearnFrame::XQMode_Click(int index) {
    const qint16 on = qint16(index == 2);
    if (on == sender_.config().LrnConfig.ExtendedModeOn)
        return;
    sender_.send(
        this, SetupCommands::framed(on ? "MD,4,1" : "MD,4,0"),
        [this, on] { sender_.config().LrnConfig.ExtendedModeOn = on; },
        [this] {
            OptionButtons::select(XQMode_, sender_.config().LrnConfig.ExtendedModeOn ? 2 : 1);
        });
}
