#include "PipeFrame.h"

#include "SettingsCatalogue.h"

#include "SettingSender.h"

#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"
#include "shared/UnitTables.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int Millimetres = 1;

QComboBox* list(const char* name, const QStringList& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

bool inList(const QComboBox* box, int index) {
    return index >= 0 && index < box->count();
}

} // namespace

PipeFrame::PipeFrame(SettingSender& sender, QWidget* parent)
    : QGroupBox("Pipe and Flow Units", parent), sender_(sender) {
    setObjectName("Frame35");
    PipeIDTxt_ = new QLineEdit(this);
    PipeIDTxt_->setObjectName("PipeIDTxt");
    SettingSender::fitNumbers(PipeIDTxt_);
    PipeUnitSel_ = list("PipeUnitSel", SettingsCatalogue::pipeUnits(), this);
    RoughSel_ = list("RoughSel", SettingsCatalogue::wallMaterials(), this);
    // The pound is added for the models that have it (setPoundUnit).
    FlowUnitSel_ =
        list("FlowUnitSel",
             SettingsCatalogue::flowUnits().mid(0, SettingsCatalogue::flowUnitCount(5)), this);
    TimeUnitSel_ = list("TimeUnitSel", SettingsCatalogue::timebases(), this);
    SendPipe_ = new QPushButton("Send", this);
    SendPipe_->setObjectName("SendPipe");
    // Enter in a box ends that box's edit; it must not also send the pipe.
    SendPipe_->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    const auto row = [&](int r, const char* caption, QWidget* control) {
        grid->addWidget(new QLabel(caption, this), r, 0);
        grid->addWidget(control, r, 1);
    };
    row(0, "Pipe I.D.", PipeIDTxt_);
    row(1, "Pipe Units", PipeUnitSel_);
    row(2, "Pipe Wall Material", RoughSel_);
    row(3, "Flow Rate Units", FlowUnitSel_);
    row(4, "Timebase", TimeUnitSel_);
    grid->addWidget(SendPipe_, 5, 1, Qt::AlignRight);

    connect(PipeUnitSel_, &QComboBox::activated, this, &PipeFrame::PipeUnitSel_Click);
    connect(FlowUnitSel_, &QComboBox::activated, this, &PipeFrame::FlowUnitSel_Click);
    connect(TimeUnitSel_, &QComboBox::activated, this, &PipeFrame::TimeUnitSel_Click);
    connect(SendPipe_, &QPushButton::clicked, this, &PipeFrame::SendPipe_Click);
}

void PipeFrame::setPoundUnit(bool shown) {
    const int full = int(SettingsCatalogue::flowUnits().size());
    if (shown && FlowUnitSel_->count() < full)
        FlowUnitSel_->addItem(SettingsCatalogue::flowUnits().last());
    else if (!shown && FlowUnitSel_->count() == full)
        FlowUnitSel_->removeItem(full - 1);
}

QString PipeFrame::diameterText(double diameterFt, int pipeUnit) {
    if (pipeUnit == Millimetres)
        return SettingSender::boxText(diameterFt * UnitTables::PipeUnitFactors[1], "     ##0.0#");
    return SettingSender::boxText(diameterFt * UnitTables::PipeUnitFactors[0], "     ##0.000#");
}

void PipeFrame::showStored(const SetupCommands::PipeData& pipe) {
    stored_ = pipe;
    restore();
}

void PipeFrame::restore() {
    if (!stored_)
        return;
    const SetupCommands::PipeData& p = *stored_;
    shownPipeUnit_ = p.pipeUnit == Millimetres ? Millimetres : 0;
    storedText_ = diameterText(p.diameterFt, shownPipeUnit_);
    PipeIDTxt_->setText(storedText_);
    // An index beyond a list shows no entry rather than a wrong one.
    RoughSel_->setCurrentIndex(inList(RoughSel_, p.wall) ? p.wall : -1);
    PipeUnitSel_->setCurrentIndex(shownPipeUnit_);
    FlowUnitSel_->setCurrentIndex(inList(FlowUnitSel_, p.flowUnit) ? p.flowUnit : -1);
    TimeUnitSel_->setCurrentIndex(inList(TimeUnitSel_, p.timeUnit) ? p.timeUnit : -1);
}

std::optional<float> PipeFrame::chosenFactor() const {
    if (!stored_ || FlowUnitSel_->currentIndex() < 0 || TimeUnitSel_->currentIndex() < 0)
        return std::nullopt;
    return SetupCommands::flowFactor(stored_->diameterFt, FlowUnitSel_->currentIndex(),
                                     TimeUnitSel_->currentIndex());
}

void PipeFrame::tellFactor() {
    if (const std::optional<float> factor = chosenFactor())
        emit chosenFactorChanged(*factor);
}

void PipeFrame::PipeUnitSel_Click(int index) {
    if (index < 0 || index == shownPipeUnit_)
        return;
    // The number in the box is converted to the new unit; nothing is sent.
    if (const std::optional<double> value = SetupCommands::parseNumber(PipeIDTxt_->text())) {
        const double feet = *value / UnitTables::PipeUnitFactors[size_t(shownPipeUnit_)];
        PipeIDTxt_->setText(
            SettingSender::boxText(feet * UnitTables::PipeUnitFactors[size_t(index)], "##0.0#"));
    }
    shownPipeUnit_ = index;
}

void PipeFrame::FlowUnitSel_Click(int) {
    tellFactor();
}

void PipeFrame::TimeUnitSel_Click(int) {
    tellFactor();
}

void PipeFrame::SendPipe_Click() {
    // The range in the unit the box shows.
    const double perFoot = UnitTables::PipeUnitFactors[size_t(shownPipeUnit_)];
    const std::optional<double> value = sender_.inRange(
        PipeIDTxt_->text(), "pipe inside diameter", MinimumDiameterIn / 12 * perFoot,
        MaximumDiameterIn / 12 * perFoot, PipeUnitSel_->itemText(shownPipeUnit_));
    if (!value) {
        restore();
        return;
    }
    if (RoughSel_->currentIndex() < 0 || FlowUnitSel_->currentIndex() < 0 ||
        TimeUnitSel_->currentIndex() < 0) {
        sender_.refuse("Please choose the pipe wall material, the flow rate units and the "
                       "timebase before sending.");
        return;
    }
    SetupCommands::PipeData pipe;
    pipe.pipeUnit = shownPipeUnit_;
    pipe.diameterFt = float(*value / UnitTables::PipeUnitFactors[size_t(shownPipeUnit_)]);
    if (stored_ && PipeIDTxt_->text() == storedText_)
        pipe.diameterFt = stored_->diameterFt;
    pipe.wall = RoughSel_->currentIndex();
    pipe.flowUnit = FlowUnitSel_->currentIndex();
    pipe.timeUnit = TimeUnitSel_->currentIndex();
    // A counted send, once.
    sender_.send(
        this, SetupCommands::pipeCommand(pipe), SettingSender::Shape::counted(2),
        [this, pipe] {
            showStored(pipe);
            ConfigRecord& config = sender_.config();
            ConfigRecord updated = config;
            updated.ChanConfig.PipeInsideDiameter = pipe.diameterFt;
            updated.ChanConfig.PipeSizeUnit = quint8(pipe.pipeUnit);
            updated.ChanConfig.FlowVolumeUnitIndex = quint8(pipe.flowUnit);
            updated.ChanConfig.FlowTimeUnitIndex = quint8(pipe.timeUnit);
            updated.LrnConfig.PipeRoughness = quint8(pipe.wall);
            try {
                updated.deriveFlowUnits();
            } catch (const UnitTables::IndexError&) {
                // The lists hold only indices of the tables.
            }
            config = updated;
            // The meter's channel record changed with the units: read it again.
            sender_.flags().NeedSSConfig = true;
            emit pipeSent();
        },
        [this] { restore(); });
}
