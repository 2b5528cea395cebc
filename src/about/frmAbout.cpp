#include "frmAbout.h"

#include "SystemInfo.h"
#include "shared/ServiceSwitches.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
const QString Title = "Corvane";

// The program's icon: a pipe with a Doppler wave across it.
QPixmap icon(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(30, 80, 150));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2, 2, size - 4, size - 4), 6, 6);
    p.setPen(QPen(Qt::white, 2.5));
    p.drawLine(QPointF(6, size * 0.35), QPointF(size - 6, size * 0.35));
    p.drawLine(QPointF(6, size * 0.65), QPointF(size - 6, size * 0.65));
    p.setPen(QPen(QColor(120, 220, 120), 2));
    QPainterPath wave;
    wave.moveTo(8, size * 0.5);
    for (int x = 8; x <= size - 8; ++x)
        wave.lineTo(x, size * 0.5 + 4 * std::sin((x - 8) / 3.0));
    p.drawPath(wave);
    return pm;
}
} // namespace

frmAbout::frmAbout(ServiceSwitches& switches, Prompts& prompts, QWidget* parent)
    : QDialog(parent), switches_(switches), prompts_(prompts) {
    setObjectName("frmAbout");
    auto* outer = new QVBoxLayout(this);
    Frame1_ = new QFrame(this);
    Frame1_->setObjectName("Frame1");
    Frame1_->setFrameShape(QFrame::StyledPanel);
    Frame1_->installEventFilter(this);
    outer->addWidget(Frame1_);

    auto* grid = new QGridLayout(Frame1_);
    picIcon_ = new QLabel(Frame1_);
    picIcon_->setObjectName("picIcon");
    picIcon_->setPixmap(icon(48));
    picIcon_->installEventFilter(this);
    grid->addWidget(picIcon_, 0, 0, 2, 1, Qt::AlignTop);

    const auto label = [&](const char* name, const QString& text) {
        auto* l = new QLabel(text, Frame1_);
        l->setObjectName(name);
        l->setWordWrap(true);
        return l;
    };
    lblTitle_ = label("lblTitle", Title);
    QFont big = lblTitle_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle_->setFont(big);
    lblVersion_ = label("lblVersion", QString());
    grid->addWidget(lblTitle_, 0, 1);
    grid->addWidget(lblVersion_, 1, 1);
    grid->addWidget(label("lblDescription",
                          "Service, diagnostic and datalog collection and display software "
                          "for the Velmar KR series of dual-frequency digital Doppler "
                          "ultrasonic flowmeters."),
                    2, 1);
    grid->addWidget(label("lblDisclaimer",
                          "Warning: do not use this software with a Velmar KR unit that is not "
                          "running firmware version 1, or with any other Velmar instrument; "
                          "the results are unpredictable."),
                    3, 1);
    lblRep_ = label("lblRep", "Special Version for Field Diagnostics");
    grid->addWidget(lblRep_, 4, 1);
    Label1_ = label("Label1", "Velmar KR service tool");
    grid->addWidget(Label1_, 5, 1);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    auto* sysInfo = new QPushButton("&System Info...", this);
    sysInfo->setObjectName("cmdSysInfo");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(sysInfo);
    outer->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(&switches_, &ServiceSwitches::fieldDiagnosticsChanged, this, &frmAbout::follow);
    connect(&switches_, &ServiceSwitches::serialNumberControlsChanged, this, &frmAbout::follow);

    startProgram = [](const QString& program) { return QProcess::startDetached(program, {}); };
    Form_Load();
    setMinimumWidth(460);
}

void frmAbout::Form_Load() {
    setWindowTitle("About " + Title);
    lblTitle_->setText(Title);
    lblVersion_->setText(QString("Version %1.%2.%3")
                             .arg(CORVANE_VERSION_MAJOR)
                             .arg(CORVANE_VERSION_MINOR)
                             .arg(CORVANE_VERSION_PATCH));
    follow();
}

// The labels show the switch states: a switch that is on disables its label
// (and shows "Special Version for Field Diagnostics").
void frmAbout::follow() {
    lblRep_->setVisible(switches_.fieldDiagnostics());
    lblRep_->setEnabled(!switches_.fieldDiagnostics());
    Label1_->setEnabled(!switches_.serialNumberControls());
}

void frmAbout::cmdOK_Click() {
    close();
}

void frmAbout::cmdSysInfo_Click() {
#ifdef Q_OS_WIN
    const QString program = SystemInfo::windowsProgram();
    if (!program.isEmpty() && startProgram(program))
        return;
#else
    const QString report = SystemInfo::report(deviceDir);
    if (!report.isEmpty()) {
        prompts_.message(report, Prompts::Icon::Information, "System Information");
        return;
    }
#endif
    prompts_.message("System Information Is Unavailable At This Time");
}

void frmAbout::Frame1_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton)
        switches_.setFieldDiagnostics(!switches_.fieldDiagnostics());
}

void frmAbout::picIcon_MouseUp(Qt::MouseButton) {
    switches_.setSerialNumberControls(!switches_.serialNumberControls());
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (watched == Frame1_)
            Frame1_MouseUp(button);
        else if (watched == picIcon_) {
            picIcon_MouseUp(button);
            return true; // the frame does not see the icon's click as its own
        }
    }
    return QDialog::eventFilter(watched, event);
}
