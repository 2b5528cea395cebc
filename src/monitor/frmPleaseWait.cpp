#include "frmPleaseWait.h"

#include "link/ConnectionState.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

frmPleaseWait::frmPleaseWait(const ConnectionState& connection, QWidget* mainWindow)
    : QDialog(mainWindow), connection_(connection), mainWindow_(mainWindow) {
    setObjectName("frmPleaseWait");
    setWindowTitle("Reading Meter");
    setModal(false);

    Dowait_ = new QGroupBox(this);
    Dowait_->setObjectName("Dowait");
    waitLabel_ = new QLabel("Please Wait!!!", Dowait_);
    QFont big = waitLabel_->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    waitLabel_->setFont(big);
    waitLabel_->setAlignment(Qt::AlignCenter);
    auto* note = new QLabel("Reading the meter's configuration:", Dowait_);

    gotsysconfig_ = new QCheckBox("System Config", Dowait_);
    gotsysconfig_->setObjectName("gotsysconfig");
    gotchanconfig_ = new QCheckBox("Channel Config", Dowait_);
    gotchanconfig_->setObjectName("gotchanconfig");
    gotlearndata_ = new QCheckBox("Learn Signal Data", Dowait_);
    gotlearndata_->setObjectName("gotlearndata");
    // The boxes report progress; the user does not tick them.
    for (QCheckBox* box : {gotsysconfig_, gotchanconfig_, gotlearndata_})
        box->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* frame = new QVBoxLayout(Dowait_);
    frame->addWidget(waitLabel_);
    frame->addWidget(note);
    frame->addWidget(gotsysconfig_);
    frame->addWidget(gotchanconfig_);
    frame->addWidget(gotlearndata_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Dowait_);
}

void frmPleaseWait::Form_Load() {
    if (!testAttribute(Qt::WA_SetCursor))
        setCursor(Qt::WaitCursor);
}

void frmPleaseWait::Form_Unload() {
    if (!connection_.connected() && mainWindow_)
        mainWindow_->show();
}

void frmPleaseWait::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QDialog::closeEvent(event);
}
