#include "frmFindMeter.h"

#include "link/ConnectionState.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/PortSettingsStore.h"
#include "link/SerialPort.h"
#include "ui/Prompts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { PortColumn, SpeedColumn, ModelColumn, VersionColumn, SerialColumn };

// Roles of a found meter's row: its device and speed, for "Use".
constexpr int DeviceRole = Qt::UserRole;
constexpr int BaudRole = Qt::UserRole + 1;

} // namespace

frmFindMeter::frmFindMeter(MeterLink& link, LineOwner& owner, PortSettingsStore& store,
                           MeterSearch::PortMaker makePort, Host host, QWidget* parent)
    : QDialog(parent), devices(MeterSearch::defaultDevices(store)), link_(link), owner_(owner),
      store_(store), makePort_(std::move(makePort)), host_(std::move(host)) {
    setObjectName("frmFindMeter");
    setWindowTitle("Find Meter");
    auto* layout = new QVBoxLayout(this);
    lblDevices_ = new QLabel(this);
    lblDevices_->setObjectName("lblDevices");
    lblDevices_->setWordWrap(true);
    layout->addWidget(lblDevices_);

    auto* progressRow = new QHBoxLayout;
    prgSearch_ = new QProgressBar(this);
    prgSearch_->setObjectName("prgSearch");
    prgSearch_->setAccessibleName("Search progress");
    progressRow->addWidget(prgSearch_, 1);
    cmdSearch_ = new QPushButton("&Search", this);
    cmdSearch_->setObjectName("cmdSearch");
    progressRow->addWidget(cmdSearch_);
    cmdCancelSearch_ = new QPushButton("Cancel Search", this);
    cmdCancelSearch_->setObjectName("cmdCancelSearch");
    progressRow->addWidget(cmdCancelSearch_);
    layout->addLayout(progressRow);
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName("lblStatus");
    layout->addWidget(lblStatus_);

    lstFound_ = new QTreeWidget(this);
    lstFound_->setObjectName("lstFound");
    lstFound_->setAccessibleName("Ports searched");
    lstFound_->setRootIsDecorated(false);
    lstFound_->setHeaderLabels({"Port", "Speed", "Model", "Firmware", "Serial number"});
    lstFound_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(lstFound_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdUse_ = new QPushButton("&Use", this);
    cmdUse_->setObjectName("cmdUse");
    cmdUse_->setAccessibleName("Use the selected meter");
    buttons->addWidget(cmdUse_);
    cmdClose_ = new QPushButton("&Close", this);
    cmdClose_->setObjectName("cmdClose");
    buttons->addWidget(cmdClose_);
    layout->addLayout(buttons);

    connect(cmdSearch_, &QPushButton::clicked, this, &frmFindMeter::cmdSearch_Click);
    connect(cmdCancelSearch_, &QPushButton::clicked, this, &frmFindMeter::cmdCancelSearch_Click);
    connect(cmdUse_, &QPushButton::clicked, this, &frmFindMeter::cmdUse_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstFound_, &QTreeWidget::itemSelectionChanged, this, [this] { showBusy(searching_); });
    showBusy(false);
    resize(640, 360);
}

void frmFindMeter::showBusy(bool busy) {
    lblDevices_->setText(devices.isEmpty() ? QStringLiteral("No serial device is there to search.")
                                           : QStringLiteral("Searches %1 at every speed.")
                                                 .arg(devices.join(QStringLiteral(", "))));
    cmdSearch_->setEnabled(!busy && !devices.isEmpty());
    cmdCancelSearch_->setEnabled(busy);
    cmdClose_->setEnabled(!busy);
    const QTreeWidgetItem* item = lstFound_->currentItem();
    cmdUse_->setEnabled(!busy && item && item->data(PortColumn, BaudRole).toInt() > 0);
}

void frmFindMeter::cmdSearch_Click() {
    if (searching_ || devices.isEmpty())
        return;
    searching_ = true;
    cancelled_ = false;
    showBusy(true);
    const QPointer<frmFindMeter> self(this);
    owner_.runWhenIdle(
        this,
        [this, self] {
            runSearch();
            if (!self)
                return;
            searching_ = false;
            showBusy(false);
        },
        LineOwner::Needs::Nothing);
}

void frmFindMeter::cmdCancelSearch_Click() {
    cancelled_ = true;
}

void frmFindMeter::runSearch() {
    LineOwner::Exclusive exclusive(owner_);
    results_.clear();
    lstFound_->clear();
    host_.pausePolling();
    // The program's port lets go of its device, which may be one searched.
    SerialPort& port = link_.port();
    const bool wasOpen = port.isOpen();
    port.close();

    const QList<int> speeds = MeterSearch::speedOrder();
    prgSearch_->setRange(0, int(devices.size() * speeds.size()));
    prgSearch_->setValue(0);
    MeterSearch search(makePort_, link_.waiter(), link_.prompts());
    const auto stop = [this] { return cancelled_ || owner_.isShutDown(); };
    for (qsizetype i = 0; i < devices.size() && !stop(); ++i) {
        const QString device = devices[i];
        const MeterSearch::Device d = search.search(device, stop, [&](int baud) {
            prgSearch_->setValue(int(i * speeds.size() + speeds.indexOf(baud)));
            lblStatus_->setText(QStringLiteral("Trying %1 at %2 baud...").arg(device).arg(baud));
        });
        prgSearch_->setValue(int((i + 1) * speeds.size()));
        results_.append(d);
        showResult(d);
    }

    // The old port and speed are back, whether or not a meter is chosen.
    if (wasOpen && !owner_.isShutDown())
        port.open();
    host_.resumePolling();
    const auto found = std::count_if(results_.begin(), results_.end(),
                                     [](const MeterSearch::Device& d) { return d.meter; });
    lblStatus_->setText(cancelled_
                            ? QStringLiteral("Search cancelled; %1 meter(s) found.").arg(found)
                        : found == 0 ? QStringLiteral("No meter answered.")
                                     : QStringLiteral("%1 meter(s) found.").arg(found));
}

void frmFindMeter::showResult(const MeterSearch::Device& d) {
    auto* item = new QTreeWidgetItem(lstFound_);
    item->setText(PortColumn, d.device);
    item->setData(PortColumn, DeviceRole, d.device);
    if (d.meter) {
        item->setText(SpeedColumn, QString::number(d.meter->baud));
        item->setText(ModelColumn, QStringLiteral("Velmar KR%1").arg(d.meter->unitType));
        item->setText(VersionColumn, d.meter->version);
        item->setText(SerialColumn, d.meter->serial);
        item->setData(PortColumn, BaudRole, d.meter->baud);
        if (!lstFound_->currentItem())
            lstFound_->setCurrentItem(item);
    } else {
        item->setText(SpeedColumn,
                      d.problem.isEmpty() ? QStringLiteral("no meter answered") : d.problem);
        item->setFirstColumnSpanned(false);
    }
    for (const QString& refused : d.refused) {
        auto* note = new QTreeWidgetItem(lstFound_);
        note->setText(PortColumn, d.device);
        note->setText(SpeedColumn, QStringLiteral("refused: ") + refused);
    }
}

void frmFindMeter::cmdUse_Click() {
    const QTreeWidgetItem* item = lstFound_->currentItem();
    if (!item || searching_)
        return;
    const QString device = item->data(PortColumn, DeviceRole).toString();
    const int baud = item->data(PortColumn, BaudRole).toInt();
    if (baud <= 0)
        return;
    owner_.runWhenIdle(
        this,
        [this, device, baud] {
            LineOwner::Exclusive exclusive(owner_);
            useMeter(device, baud);
        },
        LineOwner::Needs::Nothing);
}

void frmFindMeter::useMeter(const QString& device, int baud) {
    SerialPort& port = link_.port();
    const int number = store_.assignPortNumber(device, port.portNumber());
    if (number == 0) {
        link_.prompts().message(QStringLiteral("%1 is not one of the ports Com1 to Com%2.")
                                    .arg(device)
                                    .arg(PortSettingsStore::PortCount),
                                Prompts::Icon::Exclamation);
        return;
    }
    port.close();
    if (!port.setPortNumber(number) || !port.setSettings(MeterSearch::settingsFor(baud)) ||
        !port.open()) {
        link_.prompts().message(port.errorString(), Prompts::Icon::Exclamation);
        return;
    }
    // Stored as the port dialog's OK stores them.
    store_.storeProperties(port.settings(), port.portNumber(), port.handshaking());
    if (host_.establish && host_.establish()) {
        link_.prompts().message(QStringLiteral("Communications Established"));
        accept();
    } else {
        link_.prompts().message(
            link_.connection().failureText(QStringLiteral("Communications Failed")));
    }
}
