#include "frmProperties.h"

#include "LineOwner.h"
#include "MeterLink.h"
#include "PortSettingsStore.h"
#include "SerialPort.h"

#include "ui/Prompts.h"
#include <QPointer>

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QStringList DataBitsEntries = {QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                                     QStringLiteral("7"), QStringLiteral("8")};
const QStringList ParityEntries = {QStringLiteral("Even"), QStringLiteral("Odd"),
                                   QStringLiteral("None"), QStringLiteral("Mark"),
                                   QStringLiteral("Space")};
const QStringList StopBitsEntries = {QStringLiteral("1"), QStringLiteral("1.5"),
                                     QStringLiteral("2")};
const QStringList FlowCaptions = {QStringLiteral("None"), QStringLiteral("Xon/Xoff"),
                                  QStringLiteral("RTS"), QStringLiteral("Xon/RTS")};

QComboBox* makeList(const QString& name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

QLabel* makeLabel(const QString& name, const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

// Selects the entry with exactly this text; an unknown value selects none.
void selectText(QComboBox* combo, const QString& text) {
    combo->setCurrentIndex(combo->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

} // namespace

frmProperties::frmProperties(MeterLink& link, LineOwner& owner, PortSettingsStore& store, Host host,
                             QWidget* parent)
    : QDialog(parent), link_(link), owner_(owner), store_(store), host_(std::move(host)) {
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("CommPort Properties"));
    setModal(true);
    buildControls();
}

void frmProperties::buildControls() {
    tabSettings_ = new QTabWidget(this);
    tabSettings_->setObjectName(QStringLiteral("tabSettings"));

    // The settings frame fills the client area of the strip's one tab.
    auto* fraSettings = new QGroupBox;
    fraSettings->setObjectName(QStringLiteral("fraSettings"));
    fraSettings->setFlat(true);
    tabSettings_->addTab(fraSettings, QStringLiteral("Settings"));

    cboPort_ = makeList(QStringLiteral("cboPort"), fraSettings);
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(
        makeLabel(QStringLiteral("lblPort"), QStringLiteral("Port:"), cboPort_, fraSettings));
    portRow->addWidget(cboPort_);
#ifndef Q_OS_WIN
    // Which device each Com number opens: a listed serial device or any path
    // the user types (a pseudo-terminal, a udev alias).
    cboDevice_ = makeList(QStringLiteral("cboDevice"), fraSettings);
    cboDevice_->setEditable(true);
    cboDevice_->setInsertPolicy(QComboBox::NoInsert);
    cboDevice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboDevice_->setMinimumContentsLength(16);
    cboDevice_->setToolTip(QStringLiteral("The device this Com number opens"));
    portRow->addSpacing(8);
    portRow->addWidget(
        makeLabel(QStringLiteral("lblDevice"), QStringLiteral("Device:"), cboDevice_, fraSettings));
    portRow->addWidget(cboDevice_, 1);
    connect(cboPort_, &QComboBox::currentIndexChanged, this,
            [this] { showDeviceForSelectedPort(); });
#endif
    portRow->addStretch(cboDevice_ ? 0 : 1);

    auto* fraConnection = new QGroupBox(QStringLiteral("Connection Preferences"), fraSettings);
    fraConnection->setObjectName(QStringLiteral("fraConnection"));

    auto* fraSpeed = new QGroupBox(QStringLiteral("Maximum Speed"), fraConnection);
    fraSpeed->setObjectName(QStringLiteral("fraSpeed"));
    cboSpeed_ = makeList(QStringLiteral("cboSpeed"), fraSpeed);
    auto* speedLayout = new QHBoxLayout(fraSpeed);
    speedLayout->addWidget(cboSpeed_);
    speedLayout->addStretch(1);

    cboDataBits_ = makeList(QStringLiteral("cboDataBits"), fraConnection);
    cboParity_ = makeList(QStringLiteral("cboParity"), fraConnection);
    cboStopBits_ = makeList(QStringLiteral("cboStopBits"), fraConnection);
    auto* lineForm = new QFormLayout;
    lineForm->addRow(makeLabel(QStringLiteral("lblDataBits"), QStringLiteral("Data Bits:"),
                               cboDataBits_, fraConnection),
                     cboDataBits_);
    lineForm->addRow(makeLabel(QStringLiteral("lblParity"), QStringLiteral("Parity:"), cboParity_,
                               fraConnection),
                     cboParity_);
    lineForm->addRow(makeLabel(QStringLiteral("lblStopBits"), QStringLiteral("Stop Bits:"),
                               cboStopBits_, fraConnection),
                     cboStopBits_);

    auto* fraFlow = new QGroupBox(QStringLiteral("&Flow Control"), fraConnection);
    fraFlow->setObjectName(QStringLiteral("fraFlow"));
    auto* flowLayout = new QVBoxLayout(fraFlow);
    for (int i = 0; i < 4; ++i) {
        optFlow_[i] = new QRadioButton(FlowCaptions[i], fraFlow);
        optFlow_[i]->setObjectName(QStringLiteral("optFlow(%1)").arg(i));
        flowLayout->addWidget(optFlow_[i]);
        connect(optFlow_[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                optFlow_Click(i);
        });
    }

    auto* connectionLayout = new QGridLayout(fraConnection);
    connectionLayout->addWidget(fraSpeed, 0, 0);
    connectionLayout->addLayout(lineForm, 1, 0);
    connectionLayout->addWidget(fraFlow, 0, 1, 2, 1);
    connectionLayout->setRowStretch(2, 1);

    auto* settingsLayout = new QVBoxLayout(fraSettings);
    settingsLayout->addLayout(portRow);
    settingsLayout->addWidget(fraConnection);

    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabSettings_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

void frmProperties::Form_Load() {
    LoadPropertySettings();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void frmProperties::LoadPropertySettings() {
    const QSignalBlocker blockPort(cboPort_);
    cboPort_->clear();
    for (int i = 1; i <= PortSettingsStore::PortCount; ++i)
        cboPort_->addItem(QStringLiteral("Com") + QString::number(i));
    cboSpeed_->clear();
    for (const int speed : PortSettingsStore::speeds())
        cboSpeed_->addItem(QString::number(speed));
    cboDataBits_->clear();
    cboDataBits_->addItems(DataBitsEntries);
    cboParity_->clear();
    cboParity_->addItems(ParityEntries);
    cboStopBits_->clear();
    cboStopBits_->addItems(StopBitsEntries);

    SerialPort& port = link_.port();
    // The text reads speed, parity letter, data bits, stop bits, with the last
    // three one character each except stop bits "1.5".
    const QString s = port.settings();
    const qsizetype k = s.contains(QLatin1Char('.')) ? 2 : 0;
    const qsizetype n = s.size();
    if (n >= 7 + k) {
        selectText(cboSpeed_, s.left(n - 6 - k));
        const QChar parity = s.at(n - 5 - k).toLower();
        cboParity_->setCurrentIndex(-1);
        for (int i = 0; i < cboParity_->count(); ++i) {
            if (cboParity_->itemText(i).at(0).toLower() == parity) {
                cboParity_->setCurrentIndex(i);
                break;
            }
        }
        selectText(cboDataBits_, s.mid(n - 3 - k, 1));
        selectText(cboStopBits_, s.right(1 + k));
    }

    const int number = port.portNumber();
    cboPort_->setCurrentIndex(number >= 1 && number <= PortSettingsStore::PortCount ? number - 1
                                                                                    : -1);
    if (cboDevice_) {
        cboDevice_->clear();
        cboDevice_->addItems(PortSettingsStore::availableDevices());
        showDeviceForSelectedPort();
    }

    const int code = port.handshaking();
    if (code >= 0 && code < 4) {
        optFlow_[code]->setChecked(true);
        // Checking an option that is already checked sends no signal.
        optFlow_Click(code);
    }
}

void frmProperties::showDeviceForSelectedPort() {
    if (!cboDevice_ || cboPort_->currentIndex() < 0)
        return;
    cboDevice_->setEditText(store_.deviceForPort(cboPort_->currentIndex() + 1));
}

void frmProperties::optFlow_Click(int index) {
    handshaking_ = index;
}

bool frmProperties::reportPortError() {
    link_.prompts().message(link_.port().errorString(), Prompts::Icon::Exclamation);
    return false;
}

void frmProperties::cmdOK_Click() {
    // A second OK while the first is applied (or waits for the line) adds
    // nothing: the first one's outcome is what the user gets.
    if (applying_)
        return;
    applying_ = true;
    cmdOK_->setEnabled(false);
    const QPointer<frmProperties> self(this);
    owner_.runWhenIdle(
        this,
        [this, self] {
            {
                LineOwner::Exclusive exclusive(owner_);
                applySettings();
            }
            if (!self)
                return;
            applying_ = false;
            cmdOK_->setEnabled(true);
        },
        LineOwner::Needs::Nothing);
}

void frmProperties::applySettings() {
    SerialPort& port = link_.port();

    const int newPort = cboPort_->currentIndex() + 1;
    bool deviceChanged = false;
    QString storedDevice; // what the store held for newPort before; empty: the default
    if (cboDevice_ && newPort >= 1) {
        // The device is stored first, so that the port opens the chosen one.
        const QString device = cboDevice_->currentText().trimmed();
        deviceChanged = !device.isEmpty() && device != store_.deviceForPort(newPort);
        if (store_.hasStoredDevice(newPort))
            storedDevice = store_.deviceForPort(newPort);
        if (deviceChanged)
            store_.setDeviceForPort(newPort, device);
    }
    const int oldPort = port.portNumber();
    if (newPort != oldPort || deviceChanged) {
        const bool wasOpen = port.isOpen();
        if (wasOpen)
            port.close();
        bool ok = port.setPortNumber(newPort);
        if (ok && wasOpen)
            ok = port.open();
        if (!ok) {
            reportPortError();
            // Back to the port that worked: a failed change must not leave
            // the user disconnected from a meter that was answering.
            if (deviceChanged)
                store_.setDeviceForPort(newPort, storedDevice);
            port.setPortNumber(oldPort);
            if (wasOpen)
                port.open();
            return;
        }
    }

    const QString settings = cboSpeed_->currentText().trimmed() + QLatin1Char(',') +
                             cboParity_->currentText().left(1) + QLatin1Char(',') +
                             cboDataBits_->currentText().trimmed() + QLatin1Char(',') +
                             cboStopBits_->currentText().trimmed();
    if (!port.setSettings(settings)) {
        reportPortError();
        return;
    }
    if (!port.setHandshaking(handshaking_)) {
        reportPortError();
        return;
    }

    store_.storeProperties(port.settings(), port.portNumber(), handshaking_);

    const bool connected = host_.EstablishCommunication && host_.EstablishCommunication();
    if (connected) {
        link_.prompts().message(QStringLiteral("Communications Established"));
        QDialog::accept();
    } else {
        link_.prompts().message(
            link_.connection().failureText(QStringLiteral("Communications Failed")));
    }
}

void frmProperties::cmdCancel_Click() {
    // Cancel changes nothing: a meter that answers stays connected.
    QDialog::reject();
}

void frmProperties::reject() {
    cmdCancel_Click();
}
