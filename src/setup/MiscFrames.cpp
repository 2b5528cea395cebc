#include "MiscFrames.h"

#include "MiscCommands.h"
#include "SettingSender.h"
#include "SetupCommands.h"

#include "datalog/frmProgress.h"
#include "link/ConnectionState.h"
#include "link/DisplayFormat.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "link/Waiter.h"
#include "shared/ConfigRecord.h"
#include "shared/ServiceSwitches.h"
#include "ui/Prompts.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {
// The "MD,0" record: "MD,0,", two singles, a 2-byte code and its line feed.
constexpr int ServiceRecordLength = 16;
// The contrast's upper bound on the KR5 and on the other models.
constexpr int Kr5ContrastMax = 15;
constexpr int OtherContrastMax = 100;

QLineEdit* shownBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    SettingSender::fitNumbers(box);
    return box;
}

void addRow(QGridLayout* grid, const char* caption, QWidget* control) {
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(caption, control->parentWidget()), row, 0);
    grid->addWidget(control, row, 1);
}
} // namespace

MiscFrames::MiscFrames(SettingSender& sender, ServiceSwitches* switches, QWidget* parent)
    : QWidget(parent), sender_(sender), switches_(switches) {
    setObjectName("MiscFrames");
    auto* contrast = new QGroupBox("Contrast Adj (0-15)", this);
    contrast->setObjectName("ContrastAdjPanel");
    ContrastVal_ = new QLineEdit(contrast);
    ContrastVal_->setObjectName("ContrastVal");
    ContrastVal_->installEventFilter(this);
    ContrastVal_->setAccessibleName("Contrast");
    // Room for "100" and the box's margins, no more.
    constexpr int ContrastMarginPx = 14;
    ContrastVal_->setFixedWidth(ContrastVal_->fontMetrics().horizontalAdvance("8888") +
                                ContrastMarginPx);
    auto* upDown = new QWidget(contrast);
    upDown->setObjectName("UpDown1");
    up_ = new QToolButton(upDown);
    up_->setObjectName("UpDown1(up)");
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(upDown);
    down_->setObjectName("UpDown1(down)");
    down_->setArrowType(Qt::DownArrow);
    auto* upDownLayout = new QVBoxLayout(upDown);
    upDownLayout->setContentsMargins(0, 0, 0, 0);
    upDownLayout->setSpacing(0);
    upDownLayout->addWidget(up_);
    upDownLayout->addWidget(down_);
    SndContrast_ = new QPushButton("Send", contrast);
    SndContrast_->setObjectName("SndContrast");
    SndContrast_->setAutoDefault(false);
    auto* contrastLayout = new QHBoxLayout(contrast);
    contrastLayout->addWidget(ContrastVal_);
    contrastLayout->addWidget(upDown);
    contrastLayout->addWidget(SndContrast_);
    contrastLayout->addStretch(1);

    auto* erase = new QGroupBox("Master Erase", this);
    erase->setObjectName("Frame13(1)");
    SendErase_ = new QPushButton("Master Erase", erase);
    SendErase_->setObjectName("SendErase");
    SendErase_->setAutoDefault(false);
    (new QVBoxLayout(erase))->addWidget(SendErase_);

    auto* unit = new QGroupBox("Unit", this);
    unit->setObjectName("UnitFrame");
    Text2_ = new QLabel("Velmar KR", unit);
    Text2_->setObjectName("Text2");
    Text2_->installEventFilter(this);
    VERtext_ = shownBox("VERtext", unit);
    SNtext_ = new QLineEdit(unit);
    SNtext_->setObjectName("SNtext");
    SNtext_->setMaxLength(10);
    SettingSender::fitNumbers(SNtext_);
    SetSerNo_ = new QPushButton("Set S/N", unit);
    SetSerNo_->setObjectName("SetSerNo");
    SetSerNo_->setAutoDefault(false);
    auto* unitGrid = new QGridLayout(unit);
    unitGrid->addWidget(Text2_, 0, 0, 1, 2);
    addRow(unitGrid, "Version", VERtext_);
    serialCaption_ = new QLabel("S/N", unit);
    unitGrid->addWidget(serialCaption_, 2, 0);
    unitGrid->addWidget(SNtext_, 2, 1);
    unitGrid->addWidget(SetSerNo_, unitGrid->rowCount(), 1);
    unitGrid->setRowStretch(unitGrid->rowCount(), 1);

    auto* counters = new QGroupBox("Service Counters", this);
    counters->setObjectName("Frame13(2)");
    ProfileFactorTxt_ = shownBox("ProfileFactorTxt", counters);
    SigStrength_ = shownBox("SigStrength", counters);
    TotCode_ = shownBox("TotCode", counters);
    LrnScale_ = shownBox("LrnScale", counters);
    Excepts_ = shownBox("Excepts", counters);
    LastCodes_ = shownBox("LastCodes", counters);
    Watchdogs_ = shownBox("Watchdogs", counters);
    rBreaks_ = shownBox("rBreaks", counters);
    auto* counterGrid = new QGridLayout(counters);
    addRow(counterGrid, "Profile Factor", ProfileFactorTxt_);
    addRow(counterGrid, "Signal Strength", SigStrength_);
    addRow(counterGrid, "Tot Code", TotCode_);
    addRow(counterGrid, "Scale", LrnScale_);
    addRow(counterGrid, "Exceptions", Excepts_);
    addRow(counterGrid, "Last Code", LastCodes_);
    addRow(counterGrid, "WatchDog Failures", Watchdogs_);
    addRow(counterGrid, "Breaks", rBreaks_);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(contrast, 0, 0);
    grid->addWidget(erase, 1, 0);
    grid->addWidget(unit, 2, 0);
    grid->addWidget(counters, 0, 1, 4, 1);
    grid->setRowStretch(3, 1);

    showSerialControls(switches_ && switches_->serialNumberControls());
    if (switches_)
        connect(switches_, &ServiceSwitches::serialNumberControlsChanged, this,
                &MiscFrames::showSerialControls);
    connect(up_, &QToolButton::clicked, this, [this] { UpDown1_Click(1); });
    connect(down_, &QToolButton::clicked, this, [this] { UpDown1_Click(-1); });
    connect(SndContrast_, &QPushButton::clicked, this, &MiscFrames::SndContrast_Click);
    connect(SetSerNo_, &QPushButton::clicked, this, &MiscFrames::SetSerNo_Click);
    connect(SendErase_, &QPushButton::clicked, this, &MiscFrames::SendErase_Click);
    SettingSender::onEdited(ContrastVal_, [this] {
        if (!contrastValue())
            ContrastVal_->setText(QString::number(sender_.config().SysConfig.DisplayContrast));
    });
    // One long operation at a time.
    connect(&sender_.owner(), &LineOwner::exclusiveChanged, SendErase_,
            [this](bool running) { SendErase_->setEnabled(!running); });
}

int MiscFrames::contrastMax() const {
    return sender_.link().connection().isKR5() ? Kr5ContrastMax : OtherContrastMax;
}

bool MiscFrames::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ContrastVal_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        ContrastVal_MouseUp();
    if (watched == Text2_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        // The service unlock: for the whole program when there is one switch.
        if (switches_)
            switches_->setSerialNumberControls(true);
        else
            showSerialControls(true);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MiscFrames::showSerialControls(bool on) {
    serialCaption_->setVisible(on);
    for (QWidget* w : {static_cast<QWidget*>(SNtext_), static_cast<QWidget*>(SetSerNo_)}) {
        w->setVisible(on);
        w->setEnabled(on);
    }
}

void MiscFrames::showRecord() {
    const ConfigRecord& c = sender_.config();
    ContrastVal_->setText(QString::number(c.SysConfig.DisplayContrast));
    LrnScale_->setText(SettingSender::boxText(c.SysConfig.LearnScale, "   ##0.0##"));
    Excepts_->setText(SettingSender::boxText(c.LrnConfig.ExceptionCount, "#####0"));
    LastCodes_->setText(QString::number(c.LrnConfig.LastCode));
    Watchdogs_->setText(SettingSender::boxText(c.LrnConfig.WatchdogFailures, "#####0"));
    rBreaks_->setText(QString::number(c.LrnConfig.Breaks));
    const QString model = sender_.link().connection().modelText();
    Text2_->setText(model.isEmpty() ? QStringLiteral("Velmar KR") : model);
}

void MiscFrames::readVersion() {
    MeterLink& link = sender_.link();
    QByteArray reply;
    for (int read = 0; read < VersionReads && link.port().isOpen(); ++read) {
        // A line read: what an earlier record left behind is no part of it.
        link.port().discardInput();
        link.writeDirect(SetupCommands::framed("VR,0"));
        reply = link.ReadComm(0);
        if (!reply.contains("BAD") && reply.startsWith("VR"))
            break;
    }
    if (const std::optional<MiscCommands::VersionSerial> v = MiscCommands::decodeVersion(reply)) {
        VERtext_->setText(v->version);
        SNtext_->setText(v->serial);
        link.connection().setVersion(v->version, v->serial.trimmed());
    }
}

void MiscFrames::Do7210() {
    readVersion();
    const QByteArray reply =
        sender_.read(SetupCommands::framed("MD,0"), 3, ServiceRecordLength, "MD,0");
    if (const std::optional<MiscCommands::ServiceValues> v = MiscCommands::decodeService(reply)) {
        ProfileFactorTxt_->setText(SettingSender::boxText(v->profileFactor, "   ##0.0##"));
        SigStrength_->setText(SettingSender::boxText(v->signalStrength, "   ##0.0##"));
        TotCode_->setText(QString::number(v->totCode));
    }
    showRecord();
}

std::optional<int> MiscFrames::contrastValue() {
    const std::optional<double> value = sender_.ErrorMsg(ContrastVal_->text());
    if (!value)
        return std::nullopt;
    if (*value != std::floor(*value) || *value < 0 || *value > contrastMax()) {
        sender_.refuse(
            QString("The contrast must be a whole number from 0 to %1.").arg(contrastMax()));
        return std::nullopt;
    }
    return int(*value);
}

void MiscFrames::UpDown1_Click(int step) {
    bool ok = false;
    const int value = ContrastVal_->text().trimmed().toInt(&ok);
    const int base = ok ? value : sender_.config().SysConfig.DisplayContrast;
    ContrastVal_->setText(QString::number(std::clamp(base + step, 0, contrastMax())));
}

void MiscFrames::SndContrast_Click() {
    const std::optional<int> value = contrastValue();
    const auto restore = [this] {
        ContrastVal_->setText(QString::number(sender_.config().SysConfig.DisplayContrast));
    };
    if (!value) {
        restore();
        return;
    }
    const int contrast = *value;
    sender_.send(
        this, SetupCommands::framed("MD,2," + QByteArray::number(contrast)),
        [this, contrast] { sender_.config().SysConfig.DisplayContrast = qint16(contrast); },
        restore);
}

void MiscFrames::ContrastVal_MouseUp() {
    const qint16 stored = sender_.config().SysConfig.DisplayContrast;
    bool ok = false;
    const int value = ContrastVal_->text().trimmed().toInt(&ok);
    if (!ok || value < 0 || value > contrastMax()) {
        ContrastVal_->setText(QString::number(stored));
        return;
    }
    if (value == stored)
        return;
    sender_.send(
        this, SetupCommands::framed("MD,2," + QByteArray::number(value)),
        SettingSender::Shape::once(ContrastMouseUpSends),
        [this, value] { sender_.config().SysConfig.DisplayContrast = qint16(value); },
        [this] {
            ContrastVal_->setText(QString::number(sender_.config().SysConfig.DisplayContrast));
        });
}

void MiscFrames::SetSerNo_Click() {
    const QString serial = SNtext_->text().trimmed();
    if (!MiscCommands::validSerial(serial)) {
        sender_.refuse("The serial number must be 1 to 10 digits.");
        return;
    }
    if (!sender_.online())
        return;
    sender_.owner().runWhenIdle(this, [this, serial] {
        MeterLink& link = sender_.link();
        const QByteArray command = SetupCommands::framed("VR,1," + serial.toLatin1());
        const QByteArray query = SetupCommands::framed("VR,0,");
        QString readBack;
        // Two counted sends a round, until the meter answers the read.
        for (int round = 0; round < SerialTries && link.port().isOpen(); ++round) {
            link.state().CurrentCommand = command;
            link.SendCommand(command, 1, SerialAckLength);
            link.state().CurrentCommand = query;
            const QByteArray reply = link.SendCommand(query, 1, SerialReplyLength);
            if (!reply.contains("VR"))
                continue;
            if (const std::optional<MiscCommands::VersionSerial> v =
                    MiscCommands::decodeVersion(reply)) {
                readBack = v->serial;
                SNtext_->setText(readBack);
                // The connection keeps the number the meter now holds.
                link.connection().setVersion(v->version, readBack.trimmed());
            }
            break;
        }
        if (readBack == serial) {
            sender_.tell(QString("The serial number is now %1.").arg(serial));
            return;
        }
        sender_.refuse(readBack.isEmpty()
                           ? QString("The meter did not confirm the serial number %1. Check the "
                                     "connection to the meter and try again.")
                                 .arg(serial)
                           : QString("The meter did not take the serial number %1: it reports %2.")
                                 .arg(serial, readBack));
    });
}

void MiscFrames::SendErase_Click() {
    if (!sender_.online())
        return;
    // The question is asked with no exchange suspended beneath it.
    sender_.owner().openWhenIdle(this, [this] {
        if (sender_.link().prompts().ask("This will Master Erase the Unit - continue ?",
                                         "Master Erase Unit", Prompts::Buttons::YesNo,
                                         Prompts::Icon::Exclamation,
                                         Prompts::Answer::No) != Prompts::Answer::Yes)
            return;
        sender_.owner().runWhenIdle(this, [this] {
            LineOwner& owner = sender_.owner();
            LineOwner::Exclusive exclusive(owner);
            // Written once: a repeated erase would erase again.
            sender_.link().SendOnce(SetupCommands::framed("MR,1,"), EraseReplyWaitMs);
            {
                frmProgress progress(this);
                progress.Init("Master Erase Unit");
                for (int step = 1; step <= EraseSteps && !owner.isShutDown(); ++step) {
                    float percent = float(step);
                    progress.SetProg(percent);
                    sender_.link().waiter().pause(ErasePauseMs);
                }
                progress.Done();
            }
            if (!owner.isShutDown())
                emit masterErased();
        });
    });
}
